#include "platform/linux/fallback_text.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <FL/fl_utf8.h>
#include <FL/x.H>
#include <X11/Xft/Xft.h>

#include <vector>

#include "platform/linux/fltk_start.h"
#include "platform/linux/font_configuration.h"

namespace hv::linux_backend {
namespace {

// A stretch of the text that one font draws.
struct Run {
  XftFont* font;
  std::size_t from, to;  // bytes
};

XftFont* current_font() { return static_cast<XftFont*>(toolkit_xft_font()); }

// A font of the current one's size and weight that has the character, as fontconfig ranks the
// desktop's fonts for it; kept for the rest of the run, since few are ever wanted.
XftFont* font_with(XftFont* primary, FcChar32 character) {
  static std::vector<XftFont*> opened;
  for (XftFont* font : opened) {
    if (font->height == primary->height && XftCharExists(fl_display, font, character)) return font;
  }
  FcPattern* pattern = FcPatternCreate();
  FcCharSet* wanted = FcCharSetCreate();
  FcCharSetAddChar(wanted, character);
  FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
  FcCharSetDestroy(wanted);
  double pixels = 0;
  int weight = FC_WEIGHT_REGULAR;
  FcPatternGetDouble(primary->pattern, FC_PIXEL_SIZE, 0, &pixels);
  FcPatternGetInteger(primary->pattern, FC_WEIGHT, 0, &weight);
  FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixels);
  FcPatternAddInteger(pattern, FC_WEIGHT, weight);
  FcConfig* every = every_font_configuration();
  FcConfigSubstitute(every, pattern, FcMatchPattern);
  XftDefaultSubstitute(fl_display, fl_screen, pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(every, pattern, &result);
  FcPatternDestroy(pattern);
  XftFont* font = match ? XftFontOpenPattern(fl_display, match) : nullptr;
  if (!font) {
    if (match) FcPatternDestroy(match);
    return primary;
  }
  opened.push_back(font);
  return font;
}

// The runs of the text, or none where the current font has every character.
std::vector<Run> runs_of(const std::string& text) {
  XftFont* primary = current_font();
  if (!primary) return {};
  std::vector<Run> runs;
  bool lacking = false;
  const char* const start = text.data();
  const char* const end = start + text.size();
  for (const char* at = start; at < end;) {
    int length = 0;
    const auto character = static_cast<FcChar32>(fl_utf8decode(at, end, &length));
    XftFont* font = primary;
    if (!XftCharExists(fl_display, primary, character)) lacking = true, font = font_with(primary, character);
    const auto from = static_cast<std::size_t>(at - start);
    if (!runs.empty() && runs.back().font == font) {
      runs.back().to = from + length;
    } else {
      runs.push_back({font, from, from + length});
    }
    at += length > 0 ? length : 1;
  }
  return lacking ? runs : std::vector<Run>{};
}

int width_of(const std::string& text, const Run& run) {
  XGlyphInfo extents{};
  XftTextExtentsUtf8(fl_display, run.font, reinterpret_cast<const FcChar8*>(text.data() + run.from),
                     static_cast<int>(run.to - run.from), &extents);
  return extents.xOff;
}

}  // namespace

int text_width(const std::string& text) {
  const std::vector<Run> runs = runs_of(text);
  if (runs.empty()) return static_cast<int>(fl_width(text.c_str()));
  int width = 0;
  for (const Run& run : runs) width += width_of(text, run);
  return width;
}

namespace {

int pen_at_start(const std::string& text, int x, int w, Fl_Align align) {
  return (align & FL_ALIGN_LEFT) ? x : x + (w - text_width(text)) / 2;
}

}  // namespace

TextSpan text_span(const std::string& text, std::size_t from, std::size_t to, int x, int w, Fl_Align align) {
  const int before = text_width(text.substr(0, from));
  return {pen_at_start(text, x, w, align) + before, text_width(text.substr(0, to)) - before};
}

// Placed as FLTK places one line: centred, or from the left edge, on the current font's baseline.
void draw_text(const std::string& text, int x, int y, int w, int h, Fl_Align align) {
  const std::vector<Run> runs = runs_of(text);
  if (runs.empty()) {
    fl_draw(text.c_str(), x, y, w, h, align, nullptr, 0);
    return;
  }
  XftDraw* draw = XftDrawCreate(fl_display, fl_window, fl_visual->visual, fl_colormap);
  if (!draw) return;
  if (Fl_Region clip = fl_clip_region()) XftDrawSetClip(draw, clip);
  unsigned char r = 0, g = 0, b = 0;
  Fl::get_color(fl_color(), r, g, b);
  const XRenderColor wanted{static_cast<unsigned short>(r * 257), static_cast<unsigned short>(g * 257),
                            static_cast<unsigned short>(b * 257), 0xffff};
  XftColor colour{};
  XftColorAllocValue(fl_display, fl_visual->visual, fl_colormap, &wanted, &colour);
  fl_push_clip(x, y, w, h);
  if (Fl_Region clip = fl_clip_region()) XftDrawSetClip(draw, clip);
  int pen = pen_at_start(text, x, w, align);
  const int baseline = y + (h - fl_height()) / 2 + fl_height() - fl_descent();
  for (const Run& run : runs) {
    XftDrawStringUtf8(draw, &colour, run.font, pen, baseline, reinterpret_cast<const FcChar8*>(text.data() + run.from),
                      static_cast<int>(run.to - run.from));
    pen += width_of(text, run);
  }
  fl_pop_clip();
  XftColorFree(fl_display, fl_visual->visual, fl_colormap, &colour);
  XftDrawDestroy(draw);
}

}  // namespace hv::linux_backend
