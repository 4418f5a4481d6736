#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/screen_geometry.h"
#include "ui/controls.h"

namespace hv::linux_backend {

// What the window tells the accessibility bridge of itself, in the toolkit's terms turned into the
// design's: which control is which, where it is drawn on the screen, what it shows and holds.
class AccessibleWindow {
 public:
  virtual ~AccessibleWindow() = default;

  virtual std::string title() const = 0;
  virtual bool mapped() const = 0;
  // Whether the window holds the keyboard.
  virtual bool active() const = 0;
  // The window with its frame, and a control, on the screen.
  virtual PixelRect frame_on_screen() const = 0;
  virtual PixelRect on_screen(ui::ControlId id) const = 0;
  virtual std::string text(ui::ControlId id) const = 0;
  // Where a character of a control's text is drawn: empty outside the text or for a control that
  // shows none.
  virtual PixelRect character_on_screen(ui::ControlId id, std::int32_t offset) const = 0;
  virtual std::optional<ui::ControlId> focus() const = 0;
  virtual std::int16_t tick_value() const = 0;

  // What a click, or the credit's double click, does, through the same handlers.
  virtual void click(ui::ControlId id) = 0;
  virtual bool take_focus(ui::ControlId id) = 0;
};

}  // namespace hv::linux_backend
