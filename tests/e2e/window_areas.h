#pragma once

// Reading the window's controls from its pixels, at 96 dpi.

#include <cstdio>
#include <cstdlib>

#include "ui/controls.h"
#include "x_session.h"

namespace hv::e2e {

struct Area {
  int x, y, w, h;
};

inline Area area_of(ui::ControlId id, int inset = 0) {
  const ui::TwipsRect& r = ui::control(id).rect;
  return {r.left / 15 + inset, r.top / 15 + inset, r.width / 15 - 2 * inset, r.height / 15 - 2 * inset};
}

// How many pixels of an area match a test.
template <class Test>
int count(const Capture& shot, Area a, Test test) {
  int n = 0;
  for (int y = a.y; y < a.y + a.h; ++y)
    for (int x = a.x; x < a.x + a.w; ++x) n += test(shot.at(x, y)) ? 1 : 0;
  return n;
}

inline std::vector<Rgb> pixels_of(const Capture& shot, Area a) {
  std::vector<Rgb> out;
  for (int y = a.y; y < a.y + a.h && y < shot.height; ++y)
    for (int x = a.x; x < a.x + a.w && x < shot.width; ++x) out.push_back(shot.at(x, y));
  return out;
}

inline bool near(Rgb c, Rgb want, int tolerance = 40) {
  return std::abs(c.r - want.r) <= tolerance && std::abs(c.g - want.g) <= tolerance &&
         std::abs(c.b - want.b) <= tolerance;
}

inline constexpr Rgb kBlack{0, 0, 0}, kGreen{0, 255, 0}, kYellow{255, 255, 0};

// A picture file's pixels, through ImageMagick's convert.
inline Capture read_picture(const std::string& path) {
  Capture out;
  FILE* pipe = ::popen(("convert '" + path + "' -depth 8 ppm:-").c_str(), "r");
  if (!pipe) return out;
  int max = 0;
  if (std::fscanf(pipe, "P6 %d %d %d", &out.width, &out.height, &max) == 3 && std::fgetc(pipe) != EOF) {
    for (int i = 0; i < out.width * out.height; ++i) {
      const int r = std::fgetc(pipe), g = std::fgetc(pipe), b = std::fgetc(pipe);
      out.pixels.push_back({r, g, b});
    }
  }
  ::pclose(pipe);
  return out;
}

}  // namespace hv::e2e
