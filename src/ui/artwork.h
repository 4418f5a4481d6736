#pragma once

#include <span>

namespace hv::ui {

// An image embedded in the program: rows top to bottom, channels bytes a pixel (RGB or RGBA).
struct RgbImage {
  int width, height, channels;
  const unsigned char* pixels;
};

// The thumbs-up picture, 96 x 81, shown in both picture boxes.
RgbImage thumbs_up_picture();

// The application icon at 16, 24, 32 and 48 pixels, in 256 colours, outside transparent.
std::span<const RgbImage> icon_images();

}  // namespace hv::ui
