// The window is laid out in twips, 1/1440 inch; at 96 dots per inch 15 twips make a pixel.
#pragma once

#include <QRect>

namespace duza {

inline constexpr int kTwipsPerPixel = 15;

// Nearest whole pixel (halves away from zero).
constexpr int Pixels(double twips) {
  const double pixels = twips / kTwipsPerPixel;
  return pixels >= 0 ? static_cast<int>(pixels + 0.5) : -static_cast<int>(-pixels + 0.5);
}

constexpr QRect PixelRect(int left, int top, int width, int height) {
  return QRect(Pixels(left), Pixels(top), Pixels(width), Pixels(height));
}

}  // namespace duza
