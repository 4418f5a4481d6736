// Draws this program's own artwork from shapes and writes every form the builds embed:
//   thumbs_up.bmp       the 96 x 81 picture (24-bit), for the Windows resource
//   app.ico             16 and 24 pixels at 8 bits per pixel, and smooth 32, 48 and 256-pixel
//                       PNGs, for the Windows resource
//   artwork_pixels.cpp  the picture as an RGB array and the icon images as runs of RGBA pixels,
//                       for the Linux build
//   icon-N.png          the icon at 16, 24, 32, 48 and 128 pixels, for Linux desktops' icon themes
//   icon.svg            the icon drawn from the same shapes at any size, for icon themes
// Usage: draw_artwork OUTPUT_FOLDER

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include <zlib.h>

namespace {

struct Rgb {
  std::uint8_t r, g, b;
};

struct Image {
  int width, height;
  std::vector<Rgb> pixels;
  Image(int w, int h, Rgb fill) : width(w), height(h), pixels(std::size_t(w) * h, fill) {}
  Rgb& at(int x, int y) { return pixels[std::size_t(y) * width + x]; }
};

// A shape is a signed distance in design units: negative inside, positive outside.
using Shape = std::function<double(double, double)>;

Shape circle(double cx, double cy, double r) {
  return [=](double x, double y) { return std::hypot(x - cx, y - cy) - r; };
}

Shape ellipse(double cx, double cy, double rx, double ry) {
  return [=](double x, double y) {
    const double k = std::hypot((x - cx) / rx, (y - cy) / ry);
    return (k - 1.0) * std::min(rx, ry);
  };
}

Shape rounded_box(double x0, double y0, double x1, double y1, double radius) {
  return [=](double x, double y) {
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const double hx = (x1 - x0) / 2 - radius, hy = (y1 - y0) / 2 - radius;
    const double dx = std::abs(x - cx) - hx, dy = std::abs(y - cy) - hy;
    return std::hypot(std::max(dx, 0.0), std::max(dy, 0.0)) + std::min(std::max(dx, dy), 0.0) -
           radius;
  };
}

// The part of a ring between two angles (radians, y pointing down).
Shape arc(double cx, double cy, double r, double thickness, double from, double to) {
  return [=](double x, double y) {
    double angle = std::atan2(y - cy, x - cx);
    if (angle < 0) angle += 2 * std::numbers::pi;
    if (angle >= from && angle <= to) return std::abs(std::hypot(x - cx, y - cy) - r) - thickness / 2;
    const double ex = cx + r * std::cos(from), ey = cy + r * std::sin(from);
    const double fx = cx + r * std::cos(to), fy = cy + r * std::sin(to);
    return std::min(std::hypot(x - ex, y - ey), std::hypot(x - fx, y - fy)) - thickness / 2;
  };
}

struct Layer {
  Shape shape;
  Rgb fill;
  double outline;  // width of a dark edge, design units
};

constexpr Rgb kSky{150, 205, 240};
constexpr Rgb kInk{70, 40, 10};
constexpr Rgb kFace{255, 210, 40};
constexpr Rgb kCheek{250, 150, 110};
constexpr Rgb kHand{255, 190, 60};
constexpr Rgb kWhite{255, 255, 255};

// One hand giving a thumbs up; mirrored for the right side.
void add_hand(std::vector<Layer>& layers, double cx, bool mirrored) {
  const double s = mirrored ? -1 : 1;
  layers.push_back({rounded_box(cx - 3.5 * s - 4, 20, cx - 3.5 * s + 4, 44, 4), kHand, 1.6});
  layers.push_back({rounded_box(cx - 10, 40, cx + 10, 64, 5), kHand, 1.6});
  for (int finger = 0; finger < 3; ++finger) {
    const double y = 46 + finger * 6;
    layers.push_back({rounded_box(cx + 2 * s - 7, y, cx + 2 * s + 7, y + 5, 2.5), kHand, 1.2});
  }
  layers.push_back({rounded_box(cx - 8, 64, cx + 8, 76, 2), {70, 120, 200}, 1.4});  // sleeve
}

// The picture in design units of a 96 x 81 canvas.
std::vector<Layer> thumbs_up_picture() {
  std::vector<Layer> layers;
  layers.push_back({circle(48, 40, 27), kFace, 2.0});
  layers.push_back({ellipse(39, 31, 4, 6), kWhite, 1.2});
  layers.push_back({ellipse(57, 31, 4, 6), kWhite, 1.2});
  layers.push_back({circle(40, 33, 2.2), kInk, 0});
  layers.push_back({circle(58, 33, 2.2), kInk, 0});
  layers.push_back({circle(32, 45, 4), kCheek, 0});
  layers.push_back({circle(64, 45, 4), kCheek, 0});
  layers.push_back({arc(48, 40, 15, 3.2, 0.35, std::numbers::pi - 0.35), kInk, 0});
  add_hand(layers, 13, false);
  add_hand(layers, 83, true);
  return layers;
}

// The icon: the face alone, large and simple enough for 16 pixels.
std::vector<Layer> icon_picture() {
  std::vector<Layer> layers;
  layers.push_back({circle(48, 48, 44), kFace, 6.0});
  layers.push_back({ellipse(33, 36, 7, 11), kInk, 0});
  layers.push_back({ellipse(63, 36, 7, 11), kInk, 0});
  layers.push_back({arc(48, 48, 26, 8, 0.4, std::numbers::pi - 0.4), kInk, 0});
  return layers;
}

Rgb blend(Rgb a, Rgb b, double t) {
  const auto mix = [t](std::uint8_t x, std::uint8_t y) {
    return static_cast<std::uint8_t>(std::lround(x + (y - x) * t));
  };
  return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

Rgb colour_at(const std::vector<Layer>& layers, Rgb background, double x, double y) {
  Rgb colour = background;
  for (const Layer& layer : layers) {
    const double d = layer.shape(x, y);
    if (d > 0) continue;
    colour = (layer.outline > 0 && d > -layer.outline) ? kInk : layer.fill;
  }
  return colour;
}

// Renders design units [0, design_w) x [0, design_h) into a width x height image, 4 x 4 samples
// a pixel.
Image render(const std::vector<Layer>& layers, Rgb background, double design_w, double design_h,
             int width, int height) {
  Image image(width, height, background);
  constexpr int kSamples = 4;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double r = 0, g = 0, b = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const double dx = (x + (sx + 0.5) / kSamples) * design_w / width;
          const double dy = (y + (sy + 0.5) / kSamples) * design_h / height;
          const Rgb c = colour_at(layers, background, dx, dy);
          r += c.r, g += c.g, b += c.b;
        }
      }
      constexpr double n = kSamples * kSamples;
      image.at(x, y) = {std::uint8_t(std::lround(r / n)), std::uint8_t(std::lround(g / n)),
                        std::uint8_t(std::lround(b / n))};
    }
  }
  return image;
}

// A fixed 256-colour palette: the 6 x 6 x 6 colour cube and 40 greys.
std::array<Rgb, 256> palette() {
  std::array<Rgb, 256> colours{};
  int i = 0;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) colours[i++] = {std::uint8_t(r * 51), std::uint8_t(g * 51), std::uint8_t(b * 51)};
  for (int k = 0; i < 256; ++i, ++k) {
    const auto v = static_cast<std::uint8_t>(std::lround(8 + k * 240.0 / 39));
    colours[i] = {v, v, v};
  }
  return colours;
}

int nearest(const std::array<Rgb, 256>& colours, Rgb c) {
  int best = 0;
  long best_distance = 1L << 30;
  for (int i = 0; i < 256; ++i) {
    const long dr = colours[i].r - c.r, dg = colours[i].g - c.g, db = colours[i].b - c.b;
    const long distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
    if (distance < best_distance) best = i, best_distance = distance;
  }
  return best;
}

struct IndexedImage {
  int width, height;
  std::vector<std::uint8_t> indexes;
  std::vector<bool> opaque;
};

// An icon image in the 256-colour palette; outside the face is transparent.
IndexedImage icon_image(int size) {
  const auto colours = palette();
  const Rgb key{1, 2, 3};
  const Image rgb = render(icon_picture(), key, 96, 96, size, size);
  const Image coverage = render({{circle(48, 48, 44), kWhite, 0}}, {0, 0, 0}, 96, 96, size, size);
  IndexedImage out{size, size, {}, {}};
  for (int i = 0; i < size * size; ++i) {
    const bool solid = coverage.pixels[i].r >= 128;
    out.opaque.push_back(solid);
    Rgb c = rgb.pixels[i];
    // Edge pixels were mixed with the key colour; take the face's own colour there.
    if (solid && coverage.pixels[i].r < 255) c = blend(kInk, c, coverage.pixels[i].r / 255.0);
    out.indexes.push_back(static_cast<std::uint8_t>(solid ? nearest(colours, c) : 0));
  }
  return out;
}

// The icon at a large size in full colour, its edge smooth: the face's colours rendered over its
// own dark rim, so that edge pixels keep the rim's colour, with the face's coverage as alpha.
std::vector<std::uint8_t> smooth_icon_rgba(int size) {
  const Image rgb = render(icon_picture(), kInk, 96, 96, size, size);
  const Image coverage = render({{circle(48, 48, 44), kWhite, 0}}, {0, 0, 0}, 96, 96, size, size);
  std::vector<std::uint8_t> out;
  for (int i = 0; i < size * size; ++i) {
    const Rgb c = rgb.pixels[i];
    out.insert(out.end(), {c.r, c.g, c.b, coverage.pixels[i].r});
  }
  return out;
}

void put16(std::string& s, unsigned v) { s += char(v & 0xff), s += char((v >> 8) & 0xff); }
void put32(std::string& s, unsigned long v) { put16(s, v & 0xffff), put16(s, (v >> 16) & 0xffff); }

std::string bmp_file(const Image& image) {
  const int row = (image.width * 3 + 3) & ~3;
  std::string s = "BM";
  put32(s, 54 + row * image.height), put32(s, 0), put32(s, 54);
  put32(s, 40), put32(s, image.width), put32(s, image.height), put16(s, 1), put16(s, 24);
  put32(s, 0), put32(s, row * image.height), put32(s, 3780), put32(s, 3780), put32(s, 0), put32(s, 0);
  for (int y = image.height - 1; y >= 0; --y) {
    std::string line;
    for (int x = 0; x < image.width; ++x) {
      const Rgb c = image.pixels[std::size_t(y) * image.width + x];
      line += char(c.b), line += char(c.g), line += char(c.r);
    }
    line.resize(row, '\0');
    s += line;
  }
  return s;
}

// One icon image as the .ico format stores it: header, palette, colour rows, mask rows.
std::string ico_image(const IndexedImage& image) {
  const auto colours = palette();
  const int colour_row = (image.width + 3) & ~3;
  const int mask_row = ((image.width + 31) / 32) * 4;
  std::string s;
  put32(s, 40), put32(s, image.width), put32(s, image.height * 2), put16(s, 1), put16(s, 8);
  put32(s, 0), put32(s, (colour_row + mask_row) * image.height), put32(s, 0), put32(s, 0);
  put32(s, 256), put32(s, 0);
  for (const Rgb& c : colours) s += char(c.b), s += char(c.g), s += char(c.r), s += '\0';
  for (int y = image.height - 1; y >= 0; --y) {
    std::string line;
    for (int x = 0; x < image.width; ++x) line += char(image.indexes[std::size_t(y) * image.width + x]);
    line.resize(colour_row, '\0');
    s += line;
  }
  for (int y = image.height - 1; y >= 0; --y) {
    std::string line(mask_row, '\0');
    for (int x = 0; x < image.width; ++x) {
      if (!image.opaque[std::size_t(y) * image.width + x]) line[x / 8] |= char(0x80 >> (x % 8));
    }
    s += line;
  }
  return s;
}

// An .ico of palette images, then PNG images (a 256-pixel entry gives its size as 0).
std::string ico_file(const std::vector<IndexedImage>& images, const std::vector<std::pair<int, std::string>>& pngs) {
  std::string s;
  put16(s, 0), put16(s, 1), put16(s, static_cast<unsigned>(images.size() + pngs.size()));
  std::vector<std::pair<int, std::string>> bodies;
  for (const auto& image : images) bodies.emplace_back(image.width, ico_image(image));
  bodies.insert(bodies.end(), pngs.begin(), pngs.end());
  unsigned long offset = 6 + 16 * bodies.size();
  for (std::size_t i = 0; i < bodies.size(); ++i) {
    const auto& [size, body] = bodies[i];
    s += char(size & 0xff), s += char(size & 0xff), s += char(0), s += char(0);
    put16(s, 1), put16(s, i < images.size() ? 8 : 32), put32(s, body.size()), put32(s, offset);
    offset += body.size();
  }
  for (const auto& [size, body] : bodies) s += body;
  return s;
}

std::string rgb_array(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  std::string s = "const unsigned char " + name + "[] = {";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    s += (i % 18 == 0) ? "\n   " : "";
    s += " " + std::to_string(bytes[i]) + ",";
  }
  return s + "\n};\n\n";
}

// Runs of equal RGBA pixels, {count, red, green, blue, alpha} each: the icon's flat colours make
// few of them.
std::string rgba_runs(const std::string& name, const std::vector<std::uint8_t>& rgba) {
  std::string s = "const IconRun " + name + "[] = {";
  int in_line = 0;
  for (std::size_t at = 0; at < rgba.size();) {
    std::size_t end = at + 4;
    while (end < rgba.size() && std::equal(rgba.begin() + at, rgba.begin() + at + 4, rgba.begin() + end) &&
           (end - at) / 4 < 65535) {
      end += 4;
    }
    s += (in_line++ % 6 == 0) ? "\n   " : "";
    s += " {" + std::to_string((end - at) / 4);
    for (int i = 0; i < 4; ++i) s += ", " + std::to_string(rgba[at + i]);
    s += "},";
    at = end;
  }
  return s + "\n};\n\n";
}

// The icon's shapes as SVG, in the same 96-unit square: the face with its dark rim, the eyes and
// the smile with round ends.
std::string icon_svg() {
  const auto hex = [](Rgb c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
    return std::string(text);
  };
  const double from = 0.4, to = std::numbers::pi - 0.4, r = 26;
  char smile[160];
  std::snprintf(smile, sizeof smile, "M %.3f %.3f A %g %g 0 0 1 %.3f %.3f", 48 + r * std::cos(from),
                48 + r * std::sin(from), r, r, 48 + r * std::cos(to), 48 + r * std::sin(to));
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"96\" height=\"96\" viewBox=\"0 0 96 96\">\n"
         "  <circle cx=\"48\" cy=\"48\" r=\"41\" fill=\"" + hex(kFace) + "\" stroke=\"" + hex(kInk) +
         "\" stroke-width=\"6\"/>\n"
         "  <ellipse cx=\"33\" cy=\"36\" rx=\"7\" ry=\"11\" fill=\"" + hex(kInk) + "\"/>\n"
         "  <ellipse cx=\"63\" cy=\"36\" rx=\"7\" ry=\"11\" fill=\"" + hex(kInk) + "\"/>\n"
         "  <path d=\"" + smile + "\" fill=\"none\" stroke=\"" + hex(kInk) +
         "\" stroke-width=\"8\" stroke-linecap=\"round\"/>\n</svg>\n";
}

std::vector<std::uint8_t> rgb_bytes(const Image& image) {
  std::vector<std::uint8_t> out;
  for (const Rgb& c : image.pixels) out.insert(out.end(), {c.r, c.g, c.b});
  return out;
}

// RGBA bytes of an icon image, its colours taken from the palette.
std::vector<std::uint8_t> rgba_bytes(const IndexedImage& image) {
  const auto colours = palette();
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < image.indexes.size(); ++i) {
    const Rgb c = colours[image.indexes[i]];
    out.insert(out.end(), {c.r, c.g, c.b, std::uint8_t(image.opaque[i] ? 255 : 0)});
  }
  return out;
}

void put32_big(std::string& s, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) s += char((v >> shift) & 0xff);
}

std::string png_chunk(const std::string& type, const std::string& data) {
  std::string chunk;
  put32_big(chunk, static_cast<std::uint32_t>(data.size()));
  chunk += type + data;
  const std::string checked = type + data;
  put32_big(chunk, static_cast<std::uint32_t>(
                       crc32(0, reinterpret_cast<const Bytef*>(checked.data()), static_cast<uInt>(checked.size()))));
  return chunk;
}

// An RGBA PNG, its rows compressed at zlib's best, which for the same zlib gives the same bytes.
std::string png_file(int width, int height, const std::vector<std::uint8_t>& rgba) {
  std::string raw;
  for (int y = 0; y < height; ++y) {
    raw += '\0';  // no filter
    raw.append(reinterpret_cast<const char*>(rgba.data()) + std::size_t(y) * width * 4, std::size_t(width) * 4);
  }
  uLongf length = compressBound(static_cast<uLong>(raw.size()));
  std::string zlib(length, '\0');
  compress2(reinterpret_cast<Bytef*>(zlib.data()), &length, reinterpret_cast<const Bytef*>(raw.data()),
            static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION);
  zlib.resize(length);
  std::string header;
  put32_big(header, static_cast<std::uint32_t>(width));
  put32_big(header, static_cast<std::uint32_t>(height));
  header += std::string("\x08\x06\x00\x00\x00", 5);
  return "\x89PNG\r\n\x1a\n" + png_chunk("IHDR", header) + png_chunk("IDAT", zlib) +
         png_chunk("IEND", "");
}

bool write(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  const std::string folder = argv[1];
  const Image picture = render(thumbs_up_picture(), kSky, 96, 81, 96, 81);
  const std::vector<IndexedImage> icons{icon_image(16), icon_image(24)};
  std::vector<std::pair<int, std::string>> smooth_icons;
  for (const int size : {32, 48, 256}) smooth_icons.emplace_back(size, png_file(size, size, smooth_icon_rgba(size)));
  const std::vector<IndexedImage> desktop_icons{icon_image(16), icon_image(24), icon_image(32),
                                                icon_image(48), icon_image(128)};

  std::string source =
      "// Generated by tools/artwork/draw_artwork.cpp; edit that, not this.\n\n"
      "#include \"ui/artwork.h\"\n\nnamespace hv::ui {\nnamespace {\n\n";
  source += rgb_array("kThumbsUp", rgb_bytes(picture));
  for (const auto& icon : desktop_icons) {
    source += rgba_runs("kIcon" + std::to_string(icon.width), rgba_bytes(icon));
  }
  source += "}  // namespace\n\nRgbImage thumbs_up_picture() { return {96, 81, 3, kThumbsUp}; }\n\n";
  source += "std::span<const IconImage> icon_images() {\n  static const IconImage kIcons[] = {\n";
  for (const auto& icon : desktop_icons) {
    const std::string n = std::to_string(icon.width);
    source += "      {" + n + ", kIcon" + n + "},\n";
  }
  source += "  };\n  return kIcons;\n}\n\n}  // namespace hv::ui\n";

  bool ok = true;
  for (const auto& icon : desktop_icons) {
    ok = ok && write(folder + "/icon-" + std::to_string(icon.width) + ".png",
                     png_file(icon.width, icon.height, rgba_bytes(icon)));
  }
  ok = ok && write(folder + "/icon.svg", icon_svg()) && write(folder + "/thumbs_up.bmp", bmp_file(picture)) &&
                  write(folder + "/app.ico", ico_file(icons, smooth_icons)) &&
                  write(folder + "/artwork_pixels.cpp", source);
  if (!ok) std::fprintf(stderr, "cannot write to %s\n", folder.c_str());
  return ok ? 0 : 1;
}
