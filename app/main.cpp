#include <QApplication>

#include "app/application.h"
#include "app/form1_layout.h"
#include "app/qt_text.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(duza::ToQString(duza::kApplicationTitle));
  return duza::RunApplication(application);
}
