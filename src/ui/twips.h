#pragma once

#include <cmath>

#include "ui/controls.h"

namespace hv::ui {

// Twips per pixel: 15 at 96 dpi, 12 at 120 dpi.
constexpr float twips_per_pixel(int dpi) { return static_cast<float>(kTwipsPerInch) / dpi; }

// Rounded to the nearest pixel; values far beyond any screen are held at a billion pixels either
// way, so rounding a huge stored value stays defined.
inline long twips_to_pixels(float twips, int dpi) {
  constexpr double kLimit = 1e9;
  const double pixels = static_cast<double>(twips) / twips_per_pixel(dpi);
  return std::lround(pixels < -kLimit ? -kLimit : pixels > kLimit ? kLimit : pixels);
}

// A font's size in pixels for its point size (72 points to the inch).
inline int points_to_pixels(float points, int dpi) { return static_cast<int>(std::lround(points * dpi / 72.0f)); }

}  // namespace hv::ui
