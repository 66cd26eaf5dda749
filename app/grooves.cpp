#include "app/grooves.h"

#include <QColor>
#include <QPainter>

#include "app/twips.h"

namespace duza {

void PaintGrooves(QPainter& painter) {
  // One pixel high, whole pixels wide: filled rather than stroked, so no pen or
  // antialiasing setting can widen or shorten a line.
  for (const GrooveLine& line : kGrooveLines) {
    painter.fillRect(0, Pixels(line.y), Pixels(kGrooveEndTwips), 1, QColor::fromRgb(line.rgb));
  }
}

}  // namespace duza
