// The baseline of the window's cold start: a bare QWidget of the same client size as the
// tool's window, shown and left at its first paint.
//
//   duza_minimal_window            nothing inside: no text, so no font is ever loaded
//   duza_minimal_window --label    one label with a line of text, so that the start also
//                                  pays for loading, shaping and drawing a font, as any
//                                  window with text does
#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <cstring>

#include "app/form1_layout.h"
#include "app/twips.h"
#include "bench/first_paint.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  duza::bench::FirstPaintExit first_paint;
  application.installEventFilter(&first_paint);
  QWidget window;
  window.setFixedSize(duza::Pixels(duza::kClientWidthTwips), duza::Pixels(duza::kClientHeightTwips));
  if (argc > 1 && std::strcmp(argv[1], "--label") == 0) {
    auto* label = new QLabel(QStringLiteral("Database tables update Successful"), &window);
    label->setGeometry(10, 10, 400, 20);
  }
  window.show();
  return application.exec();
}
