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

namespace hv::ui {

// X keeps coordinates in 16 bits and sizes in 15, and so do Windows' window messages: any finite
// stored value must stay inside.
inline long clamp_position_pixels(long px) { return px < -32768 ? -32768 : px > 32767 ? 32767 : px; }
inline long clamp_size_pixels(long px) { return px < 1 ? 1 : px > 32767 ? 32767 : px; }

// The client area for an outer size: the outer size less the design's frame, whatever frame the
// platform draws, so the layout always fits.
inline long client_pixels(float outer_twips, int design_frame_twips, int dpi) {
  return clamp_size_pixels(twips_to_pixels(outer_twips - static_cast<float>(design_frame_twips), dpi));
}

// Where a window placed from placed_twips (at placed_px) now stands, in twips: exactly what it was
// given while it has not moved, so rounding to pixels never makes the stored value drift.
inline float twips_unless_moved(long placed_px, long current_px, float placed_twips, int dpi) {
  return current_px == placed_px ? placed_twips : static_cast<float>(current_px) * twips_per_pixel(dpi);
}

}  // namespace hv::ui
