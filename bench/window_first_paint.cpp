// The tool's window started exactly as app/main.cpp starts it, left at its first paint.
// The filter on the application sees the window's first paint without any switch in the
// program itself.
#include <QApplication>

#include "app/application.h"
#include "app/form1_layout.h"
#include "app/qt_text.h"
#include "app/update_run.h"
#include "bench/first_paint.h"
#include "platform/odbc_connection.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  duza::bench::FirstPaintExit first_paint;
  application.installEventFilter(&first_paint);
  QApplication::setApplicationName(duza::ToQString(duza::kApplicationTitle));
  duza::Form1Services services;
  services.update_run = [](duza::UpdateView& view) {
    duza::RunSchemaUpdate(view, duza::MakeOdbcConnectionFactory());
  };
  return duza::RunApplication(application, std::move(services));
}
