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

PixelSize BackendForm::client_size(int dpi) const {
  const auto& design = ui::main_window();
  return {ui::client_pixels(width_twips_, design.outer_width() - design.client_width, dpi),
          ui::client_pixels(height_twips_, design.outer_height() - design.client_height, dpi)};
}

PixelPlacement BackendForm::placement() {
  const PixelSize client = client_size(dpi_);
  PixelPlacement place{{ui::clamp_position_pixels(ui::twips_to_pixels(left_twips_, desktop_dpi_)),
                        ui::clamp_position_pixels(ui::twips_to_pixels(top_twips_, desktop_dpi_))},
                       client.width, client.height};
  if (!shown_) {
    const PixelFrame f = frame(dpi_);
    const PixelRect outer{place.corner.x, place.corner.y, place.client_width + f.left + f.right,
                          place.client_height + f.top + f.bottom};
    const PixelPoint in_view = corner_in_view(outer, f.top, monitor_areas());
    moved_into_view_ = in_view != place.corner;
    place.corner = in_view;
  }
  place.dpi = density_at(place.corner, scaled_monitors(), dpi_, [this](int dpi) {
    const PixelFrame f = frame(dpi);
    const PixelSize size = client_size(dpi);
    return PixelSize{size.width + f.left + f.right, size.height + f.top + f.bottom};
  });
  const PixelSize there = client_size(place.dpi);
  place.client_width = there.width, place.client_height = there.height;
  placed_ = place.corner;
  return place;
}

void BackendForm::place_window() {
  const PixelPlacement place = placement();
  if (place.dpi != dpi_) lay_out(place.dpi);
  put_window(place);
  // The system gives the window the density of where it ended, which for a place on the seam
  // between two monitors may be the other one's (having told the window already, or not).
  const int given = window_dpi();
  if (given == place.dpi) return;
  if (given != dpi_) lay_out(given);
  const PixelSize client = client_size(given);
  put_window({place.corner, client.width, client.height, given});
}

// A window brought into view stands where it was put, not at the stored place, and reports so.
void BackendForm::mark_shown() {
  shown_ = true;
  if (!moved_into_view_) return;
  left_twips_ = static_cast<float>(placed_.x) * ui::twips_per_pixel(desktop_dpi_);
  top_twips_ = static_cast<float>(placed_.y) * ui::twips_per_pixel(desktop_dpi_);
}

bool BackendForm::refit_into_view() {
  if (!moved_into_view_) return false;
  const PixelFrame f = frame(dpi_);
  const PixelSize client = client_size(dpi_);
  const PixelRect outer{placed_.x, placed_.y, client.width + f.left + f.right, client.height + f.top + f.bottom};
  const PixelPoint fitted = corner_wholly_in_view(outer, monitor_areas());
  if (fitted == placed_) return false;
  placed_ = fitted;
  if (shown_) mark_shown();
  return true;
}

void BackendForm::tick_box_clicked() {
  show_tick_value(tick_value() == 0 ? 1 : 0);
  dispatch([this] { events_->AlwaysOnTop_TICKBOX_Click(); });
}

void BackendForm::unload() {
  if (closed_) return;
  bool cancel = false;
  dispatch([&] { events().Form_Unload(cancel); });
  if (cancel) return;
  closed_ = true;
  end_window();
}

}  // namespace hv
