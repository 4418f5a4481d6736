#pragma once

#include <cstdint>
#include <string_view>

#include "platform/window_handle.h"

namespace hv {

// The events of the main window and its controls. The platform delivers them one at a time on the
// user-interface thread; an exception escaping a handler is the platform's to report.
class FormEvents {
 public:
  virtual ~FormEvents() = default;
  virtual void Form_Load() = 0;
  virtual void Form_Unload(bool& cancel) = 0;
  virtual void EXIT_BUTTON_Click() = 0;
  virtual void AlwaysOnTop_TICKBOX_Click() = 0;
  virtual void AlwaysOnTopTimer_Timer() = 0;
  virtual void CREATOR_TEXTBOX_DblClick() = 0;
};

// The main window and the few control properties the handlers may touch at run time.
// Geometry is the outer rectangle in twips.
class Form {
 public:
  virtual ~Form() = default;

  virtual float left() const = 0;
  virtual float top() const = 0;
  virtual void set_left(float twips) = 0;
  virtual void set_top(float twips) = 0;
  virtual void set_width(float twips) = 0;
  virtual void set_height(float twips) = 0;

  virtual void set_title(std::string_view text) = 0;
  virtual void set_app_name_text(std::string_view text) = 0;
  virtual void set_creator_caption(std::string_view text) = 0;

  virtual std::int16_t tick_value() const = 0;
  // Assigning a different value raises AlwaysOnTop_TICKBOX_Click, as a user's click does;
  // assigning the value it already has raises nothing. One rule for every backend, which only
  // shows the value.
  void set_tick_value(std::int16_t value, FormEvents& events) {
    if (value == tick_value()) return;
    show_tick_value(value);
    events.AlwaysOnTop_TICKBOX_Click();
  }

  virtual void set_timer_interval(int milliseconds) = 0;
  virtual void set_timer_enabled(bool enabled) = 0;

  // Closes the window the same way the user does, through Form_Unload.
  virtual void unload() = 0;

  virtual WindowHandle handle() const = 0;
 protected:
  virtual void show_tick_value(std::int16_t value) = 0;
};

}  // namespace hv
