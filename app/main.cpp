#include <QApplication>

#include "app/application.h"
#include "app/form1_layout.h"
#include "app/qt_text.h"
#include "app/update_run.h"
#include "platform/odbc_connection.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(duza::ToQString(duza::kApplicationTitle));
  duza::Form1Services services;
  services.update_run = [](duza::UpdateView& view) {
    duza::RunSchemaUpdate(view, duza::MakeOdbcConnectionFactory());
  };
  return duza::RunApplication(application, std::move(services));
}
