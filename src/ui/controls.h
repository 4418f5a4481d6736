#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace hv::ui {

// The main window as designed, in twips (1440 to the inch; 15 to a pixel at 96 dpi). Every backend
// builds the window from these figures and no others.

struct TwipsRect {
  int left, top, width, height;
};

struct Rgb {
  std::uint8_t red, green, blue;
  friend constexpr bool operator==(Rgb, Rgb) = default;
};

struct Font {
  std::string_view face;
  float points;
  bool bold;
};

enum class ControlKind { Label, TextBox, PictureBox, CheckBox, CommandButton, Timer };

enum class ControlId {
  PIC_WEBLINK_TEXTBOX,
  NAME_LABEL_TEXTBOX,
  THUMBS_UP_PIC_2,
  THUMBS_UP_PIC_1,
  APP_NAME_TEXTBOX,
  AlwaysOnTopTimer,
  AlwaysOnTop_TICKBOX,
  EXIT_BUTTON,
  HV_TITLE_1,
  CREATOR_TEXTBOX,
  VERSION_TEXTBOX,
  FREEWARE_TEXTBOX,
  Label1,
};

// What screen readers and automation tools are told a control is.
enum class AccessibleRole { Label, Text, Image, CheckBox, PushButton };

struct Accessible {
  AccessibleRole role;
  std::string_view name;                 // empty: the control's text
  std::string_view description;          // what a picture shows; empty elsewhere
  std::optional<ControlId> labelled_by;  // a text box's name is its label's text
  bool acts;                             // "click" does what the mouse does
};

struct Control {
  ControlId id;
  std::string_view name;
  ControlKind kind;
  TwipsRect rect;                 // client coordinates; empty for the timer
  std::string_view text;          // caption or initial text; empty where there is none
  std::optional<Font> font;       // nullopt: the platform's dialog font at kDialogFontPoints
  std::optional<Rgb> background;  // nullopt: the platform's colour for that kind of control
  std::optional<Rgb> foreground;
  bool centred;
  int tab_index;                  // -1 for the timer
  std::string_view tip;           // the design's secondary text, shown as a hover tip
  Accessible accessible;          // unused for the timer
};

struct WindowDesign {
  std::string_view name;  // the window's own name: its window class on Windows
  std::string_view title;
  int client_width, client_height;
  // The design's frame: where the client area starts inside the outer rectangle.
  int frame_left, frame_top, frame_right, frame_bottom;
  int outer_width() const { return frame_left + client_width + frame_right; }
  int outer_height() const { return frame_top + client_height + frame_bottom; }
};

// The tick box's value before the load sequence restores one: ticked, the stored default, so that a
// start restoring the default raises no change and writes nothing at load.
inline constexpr std::int16_t kTickBoxDesignValue = 1;

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kDesignDpi = 96;

const WindowDesign& main_window();

// In creation order, which is also stacking order.
std::span<const Control> controls();

const Control& control(ControlId id);

// Labels and the timer never take the keyboard focus.
bool takes_focus(ControlKind kind);

// The controls that can take the keyboard focus, in the order Tab visits them.
std::vector<ControlId> tab_order();

// The order a backend makes the visible controls in: those that take the focus in tab order,
// since both toolkits' Tab follows the order controls were made in, then the others. None of
// them overlap, so the order has no visible effect. The timer is no window and is left out.
std::vector<const Control*> creation_order();

// The name a screen reader speaks for the control: its own, its label's text, or its text.
std::string_view accessible_name(const Control& control);

inline constexpr float kDialogFontPoints = 8.0f;

// The control's font size in pixels at a density.
int font_pixels(const Control& control, int dpi);

}  // namespace hv::ui
