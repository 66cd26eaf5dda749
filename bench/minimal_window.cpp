// The baseline of the window's cold start: a bare QWidget of the same client size as the
// tool's window, shown and left at its first paint.
#include <QApplication>
#include <QWidget>

#include "app/form1_layout.h"
#include "app/twips.h"
#include "bench/first_paint.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  duza::bench::FirstPaintExit first_paint;
  application.installEventFilter(&first_paint);
  QWidget window;
  window.setFixedSize(duza::Pixels(duza::kClientWidthTwips), duza::Pixels(duza::kClientHeightTwips));
  window.show();
  return application.exec();
}
