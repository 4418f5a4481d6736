#include "platform/backend_form.h"

#include "ui/controls.h"
#include "ui/twips.h"

namespace hv {

BackendForm::BackendForm(int desktop_dpi, int dpi)
    : desktop_dpi_(desktop_dpi),
      dpi_(dpi),
      width_twips_(static_cast<float>(ui::main_window().outer_width())),
      height_twips_(static_cast<float>(ui::main_window().outer_height())) {}

float BackendForm::left() const {
  if (!shown_) return left_twips_;
  return ui::twips_unless_moved(placed_.x, outer_position().x, left_twips_, desktop_dpi_);
}

float BackendForm::top() const {
  if (!shown_) return top_twips_;
  return ui::twips_unless_moved(placed_.y, outer_position().y, top_twips_, desktop_dpi_);
}

void BackendForm::set_left(float twips) {
  left_twips_ = twips;
  geometry_changed();
}

void BackendForm::set_top(float twips) {
  top_twips_ = twips;
  geometry_changed();
}

void BackendForm::set_width(float twips) {
  width_twips_ = twips;
  geometry_changed();
}

void BackendForm::set_height(float twips) {
  height_twips_ = twips;
  geometry_changed();
}

void BackendForm::geometry_changed() {
  if (shown_) apply_geometry();
}

PixelPlacement BackendForm::placement() {
  const auto& design = ui::main_window();
  placed_ = {ui::clamp_position_pixels(ui::twips_to_pixels(left_twips_, desktop_dpi_)),
             ui::clamp_position_pixels(ui::twips_to_pixels(top_twips_, desktop_dpi_))};
  return {placed_, ui::client_pixels(width_twips_, design.outer_width() - design.client_width, dpi_),
          ui::client_pixels(height_twips_, design.outer_height() - design.client_height, dpi_)};
}

void BackendForm::tick_box_clicked() {
  show_tick_value(tick_value() == 0 ? 1 : 0);
  dispatch([this] { events_->AlwaysOnTop_TICKBOX_Click(); });
}

}  // namespace hv
