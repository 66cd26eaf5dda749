// The window's own 16 x 16 icon, drawn here rather than shipped as a file.
#pragma once

#include <QIcon>
#include <QImage>

namespace duza {

QImage AppIconImage();  // 16 x 16
QIcon AppIcon();

}  // namespace duza
