// Two grooves, each a dark line over a light one, drawn on the window beneath the controls:
// one under the status box, one above the footer.
#pragma once

#include <array>

class QPainter;

namespace duza {

struct GrooveLine {
  const char* name;
  int y;          // twips
  unsigned rgb;   // 0xRRGGBB
};

inline constexpr std::array<GrooveLine, 4> kGrooveLines{{
    {"Line1", 1995, 0xC0C0C0},
    {"Line4", 2010, 0xE0E0E0},
    {"Line2", 4680, 0x808080},
    {"Line3", 4695, 0xFFFFFF},
}};

// Every line runs from the left edge to here (the end point itself is not drawn).
inline constexpr int kGrooveEndTwips = 6750;

void PaintGrooves(QPainter& painter);

}  // namespace duza
