#pragma once

#include <cstdint>
#include <span>

namespace hv::ui {

// An image embedded in the program: rows top to bottom, channels bytes a pixel (RGB or RGBA).
struct RgbImage {
  int width, height, channels;
  const unsigned char* pixels;
};

// The thumbs-up picture, 96 x 81, shown in both picture boxes.
RgbImage thumbs_up_picture();

// Equal pixels of an icon, one after another in rows top to bottom.
struct IconRun {
  std::uint16_t count;
  std::uint8_t red, green, blue, alpha;
};

// A square icon image as its runs of pixels.
struct IconImage {
  int size;
  std::span<const IconRun> runs;
};

// The application icon at 16, 24, 32, 48 and 128 pixels, in 256 colours, outside transparent.
std::span<const IconImage> icon_images();

}  // namespace hv::ui
