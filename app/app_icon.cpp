#include "app/app_icon.h"

#include <QColor>
#include <QPainter>
#include <QPolygon>

namespace duza {

// A database drum with an arrow pointing up: the database brought up to date.
QImage AppIconImage() {
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);

  const QColor drum(0x2B, 0x5C, 0x9E);
  const QColor rim(0x7F, 0xA8, 0xDB);
  const QColor arrow(0x2E, 0x9E, 0x3A);

  painter.fillRect(1, 5, 9, 9, drum);
  painter.fillRect(2, 4, 7, 1, drum);
  painter.fillRect(2, 14, 7, 1, drum);
  painter.fillRect(2, 5, 7, 1, rim);
  painter.fillRect(2, 9, 7, 1, rim);

  painter.setPen(Qt::NoPen);
  painter.setBrush(arrow);
  painter.drawPolygon(QPolygon({QPoint(12, 1), QPoint(16, 6), QPoint(8, 6)}));
  painter.fillRect(11, 6, 3, 9, arrow);
  return image;
}

QIcon AppIcon() { return QIcon(QPixmap::fromImage(AppIconImage())); }

}  // namespace duza
