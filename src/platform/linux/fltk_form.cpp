#include "platform/linux/fltk_form.h"

#include <FL/Fl.H>
#include <FL/x.H>
#include <X11/Xatom.h>

#include <algorithm>
#include <cmath>
#include <array>
#include <stdexcept>

#include "app/identity.h"
#include "platform/linux/error_report.h"
#include "platform/linux/termination_signals.h"
#include "platform/linux/x11_errors.h"
#include "ui/text_offsets.h"
#include "ui/artwork.h"
#include "ui/controls.h"
#include "ui/twips.h"

namespace hv::linux_backend {
namespace {

using ui::ControlId;
using ui::ControlKind;

constexpr int kDesignPictureBorder = 2;  // pixels at 96 dpi

Fl_Color to_fl(ui::Rgb rgb) { return fl_rgb_color(rgb.red, rgb.green, rgb.blue); }

struct ControlBox {
  int x, y, w, h;
};

ControlBox to_pixels(const ui::TwipsRect& r, int dpi) {
  const auto px = [dpi](int twips) { return static_cast<int>(ui::twips_to_pixels(twips, dpi)); };
  return {px(r.left), px(r.top), px(r.width), px(r.height)};
}

// FLTK knows a font by its face behind one letter for the style (' ' plain, 'B' bold). Each face and
// weight the design uses takes the next free slot, named once; FLTK keeps the name's pointer.
Fl_Font toolkit_font(const ui::Font& font) {
  static std::array<std::string, 8> names;
  std::string name(1, font.bold ? 'B' : ' ');
  name += font.face;
  std::size_t slot = 0;
  while (slot < names.size() && !names[slot].empty() && names[slot] != name) ++slot;
  if (slot == names.size()) throw std::logic_error("the design uses more fonts than this window names");
  if (names[slot].empty()) {
    names[slot] = name;
    Fl::set_font(static_cast<Fl_Font>(FL_FREE_FONT + slot), names[slot].c_str());
  }
  return static_cast<Fl_Font>(FL_FREE_FONT + slot);
}

void apply_design(Fl_Widget& widget, const ui::Control& control, int dpi) {
  widget.labelfont(control.font ? toolkit_font(*control.font) : FL_HELVETICA);
  widget.labelsize(ui::font_pixels(control, dpi));
  if (control.background) widget.color(to_fl(*control.background));
  if (control.foreground) widget.labelcolor(to_fl(*control.foreground));
  if (!control.tip.empty()) widget.copy_tooltip(std::string(control.tip).c_str());
}

}  // namespace

FltkForm::FltkForm(X11Session& session, int dpi) : BackendForm(dpi, dpi), session_(session) {
  const auto& design = ui::main_window();
  window_ = std::make_unique<MainWindow>(
      static_cast<int>(ui::twips_to_pixels(design.client_width, dpi)),
      static_cast<int>(ui::twips_to_pixels(design.client_height, dpi)));
  window_->copy_label(std::string(design.title).c_str());
  // X groups windows by the application's class; the window's own name has no place there.
  window_->xclass(std::string(kApplication).c_str());
  load_artwork();
  build_controls();
  window_->end();
}

void FltkForm::load_artwork() {
  const ui::RgbImage picture = ui::thumbs_up_picture();
  thumbs_up_ = std::make_unique<Fl_RGB_Image>(picture.pixels, picture.width, picture.height,
                                              picture.channels);
}

// The icons go to the window manager straight from the embedded runs: FLTK would keep a copy of
// every image in each copy's memory. The property is built, sent and freed once the window has
// been drawn, which it does not wait for; the window manager picks the size it shows.
void FltkForm::send_icons(void* form) {
  auto* self = static_cast<FltkForm*>(form);
  Fl::remove_idle(send_icons, form);
  std::vector<unsigned long> icons;  // Xlib's 32-bit items are longs
  for (const ui::IconImage& icon : ui::icon_images()) {
    icons.insert(icons.end(), {static_cast<unsigned long>(icon.size), static_cast<unsigned long>(icon.size)});
    for (const ui::IconRun& run : icon.runs) {
      const unsigned long argb = static_cast<unsigned long>(run.alpha) << 24 | static_cast<unsigned long>(run.red) << 16 |
                                 static_cast<unsigned long>(run.green) << 8 | run.blue;
      icons.insert(icons.end(), run.count, argb);
    }
  }
  XChangeProperty(fl_display, fl_xid(self->window_.get()), XInternAtom(fl_display, "_NET_WM_ICON", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(icons.data()), static_cast<int>(icons.size()));
}

// The border grows with the density, so the sunken frame keeps its look on a dense screen.
int FltkForm::picture_border() const {
  return static_cast<int>(std::lround(kDesignPictureBorder * dpi() / static_cast<double>(ui::kDesignDpi)));
}

// The picture fills the box's inside: as drawn at 96 dpi, scaled to the inside elsewhere.
Fl_Image* FltkForm::picture_for(int box_width, int box_height) {
  const int w = PictureBox::inside(box_width, picture_border());
  const int h = PictureBox::inside(box_height, picture_border());
  if (w == thumbs_up_->w() && h == thumbs_up_->h()) return thumbs_up_.get();
  if (!scaled_thumbs_up_ || scaled_thumbs_up_->w() != w || scaled_thumbs_up_->h() != h) {
    scaled_thumbs_up_.reset(thumbs_up_->copy(w, h));
  }
  return scaled_thumbs_up_.get();
}

FltkForm::~FltkForm() {
  before_ending_on_lost_display(nullptr, nullptr);
  stop_timer();
  Fl::remove_system_handler(on_system_event);
}

void FltkForm::build_controls() {
  for (const ui::Control* control : ui::creation_order()) {
    const ControlBox r = to_pixels(control->rect, dpi());
    const std::string text(control->text);
    Fl_Widget* widget = nullptr;
    switch (control->kind) {
      case ControlKind::Label: {
        Caption* caption = control->id == ControlId::CREATOR_TEXTBOX
                               ? new DoubleClickCaption(r.x, r.y, r.w, r.h, text, control->centred)
                               : new Caption(r.x, r.y, r.w, r.h, text, control->centred);
        if (control->id == ControlId::CREATOR_TEXTBOX) {
          creator_ = caption;
          caption->callback(
              [](Fl_Widget*, void* form) {
                auto* self = static_cast<FltkForm*>(form);
                self->dispatch([self] { self->events().CREATOR_TEXTBOX_DblClick(); });
              },
              this);
        }
        widget = caption;
        break;
      }
      case ControlKind::TextBox: {
        auto* box = new TextBox(r.x, r.y, r.w, r.h, control->centred);
        box->text(text);
        if (control->id == ControlId::APP_NAME_TEXTBOX) app_name_ = box;
        widget = box;
        break;
      }
      case ControlKind::PictureBox:
        widget = new PictureBox(r.x, r.y, r.w, r.h, picture_for(r.w, r.h), picture_border());
        break;
      case ControlKind::CheckBox:
        tick_box_ = new TriStateCheckBox(r.x, r.y, r.w, r.h, text);
        tick_box_->state(ui::kTickBoxDesignValue);
        tick_box_->callback([](Fl_Widget*, void* form) { static_cast<FltkForm*>(form)->tick_box_clicked(); }, this);
        widget = tick_box_;
        break;
      case ControlKind::CommandButton:
        exit_button_ = new Fl_Button(r.x, r.y, r.w, r.h);
        exit_button_->copy_label(text.c_str());
        exit_button_->callback(
            [](Fl_Widget*, void* form) {
              auto* self = static_cast<FltkForm*>(form);
              self->dispatch([self] { self->events().EXIT_BUTTON_Click(); });
            },
            this);
        widget = exit_button_;
        break;
      case ControlKind::Timer:
        continue;
    }
    apply_design(*widget, *control, dpi());
    widgets_.emplace_back(control->id, widget);
  }

  window_->callback(
      [](Fl_Widget*, void* form) {
        // Escape is FLTK's close key, but EXIT is not the window's cancel button.
        if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
        static_cast<FltkForm*>(form)->unload();
      },
      this);
}

void FltkForm::run(FormEvents& events) {
  use_events(events);
  close_on_termination_signals([](void* form) { static_cast<FltkForm*>(form)->unload(); }, this);
  dispatch([this] { this->events().Form_Load(); });
  show();
  Fl::run();
}

void FltkForm::report_and_exit(const std::string& error) {
  stop_timer();
  report_error_and_exit(error, !display_lost_);
}

void FltkForm::show() {
  apply_geometry();
  Fl::add_system_handler(on_system_event, this);
  window_->show();
  Fl::add_idle(send_icons, this);
  mark_shown();
  // FLTK pulls every new window onto the screen before it maps it, and has no switch for that. With
  // no window manager nothing else places the window, so it goes where it was asked right away.
  if (!session_.has_window_manager()) {
    XMoveWindow(fl_display, fl_xid(window_.get()), static_cast<int>(placed().x), static_cast<int>(placed().y));
  }
  settle_frame();
  exit_button_->take_focus();
  watch_window_manager(session_.window_manager_check());
  before_ending_on_lost_display(on_lost_display, this);
}

// The display went away (the X server ended, a logout): the copy stores the place it last knew
// and its tick box, as a close would, before it ends.
void FltkForm::on_lost_display(void* form) {
  auto* self = static_cast<FltkForm*>(form);
  if (self->closed()) return;
  self->display_lost_ = true;
  bool cancel = false;
  self->dispatch([&] { self->events().Form_Unload(cancel); });
}

// Sizes the window and puts the client where the frame's corner belongs; on a shown window the
// frame is known, so the client goes inside it at once.
void FltkForm::apply_geometry() {
  const PixelPlacement place = placement();
  const int width = static_cast<int>(place.client_width), height = static_cast<int>(place.client_height);
  window_->resize(static_cast<int>(place.corner.x), static_cast<int>(place.corner.y), width, height);
  // The stored position is the user's own choice (USPosition), 0/0 included, which FLTK would
  // otherwise take for no position at all and leave to the window manager.
  window_->force_position(1);
  // No resizable widget and equal minimum and maximum: a fixed frame.
  window_->size_range(width, height, width, height);
  if (shown()) {
    const FrameExtents extents = session_.frame_extents(fl_xid(window_.get())).value_or(FrameExtents{});
    window_->position(static_cast<int>(ui::clamp_position_pixels(place.corner.x + extents.left)),
                      static_cast<int>(ui::clamp_position_pixels(place.corner.y + extents.top)));
  }
}

// FLTK asks for static gravity, so the window manager puts the client area, not the frame, where
// it was asked. Once the frame is known, one move puts the frame's corner there instead. A busy
// window manager may take the window on well after it was mapped, so the frame is also awaited in
// the event loop rather than for a fixed time here.
void FltkForm::settle_frame() {
  if (frame_settled_ || !session_.has_window_manager()) return;
  const auto extents = session_.frame_extents(fl_xid(window_.get()));
  if (!extents) return;
  frame_settled_ = true;
  known_extents_ = *extents;
  // A window brought into view was fitted with the design's frame; this one may be larger.
  const bool refitted = refit_into_view();
  if (extents->left == 0 && extents->top == 0 && !refitted) return;
  window_->position(static_cast<int>(ui::clamp_position_pixels(placed().x + extents->left)),
                    static_cast<int>(ui::clamp_position_pixels(placed().y + extents->top)));
}

// A window manager may start after the copy (from .xinitrc or an autostart) or end before it: one
// that starts takes the window on, reparenting it or giving it WM_STATE; one that ends destroys its
// check window. Where such a sign contradicts what the copy knows, it asks again, and watches the
// new check window. A window manager found only now has framed the window where it stood, which
// is where it stays.
void FltkForm::watch_window_manager(Window check) {
  wm_check_ = check;
  if (wm_check_ != None) {
    const QuietXRequests quiet(fl_display);  // it may be gone already
    XSelectInput(fl_display, wm_check_, StructureNotifyMask);
  }
}

void FltkForm::read_window_manager() {
  const bool had = session_.has_window_manager();
  watch_window_manager(session_.read_window_manager());
  if (!had && session_.has_window_manager()) frame_settled_ = true;
}

// The events that tell where the window stands are followed here, in their order, so that the
// copy knows its place without asking the server, which may be gone when it is needed.
int FltkForm::on_system_event(void* event, void* form) {
  auto* self = static_cast<FltkForm*>(form);
  const auto* x_event = static_cast<const XEvent*>(event);
  if (!self->shown()) return 0;
  if (x_event->type == DestroyNotify && x_event->xdestroywindow.window == self->wm_check_ && self->wm_check_ != None) {
    self->read_window_manager();
    return 0;
  }
  if (x_event->xany.window != fl_xid(self->window_.get())) return 0;
  switch (x_event->type) {
    case PropertyNotify:
      self->settle_frame();
      if (x_event->xproperty.atom == self->session_.wm_state() && !self->session_.has_window_manager()) {
        self->read_window_manager();
      }
      if (x_event->xproperty.atom == self->session_.net_frame_extents()) {
        self->known_extents_ = self->session_.frame_extents(fl_xid(self->window_.get())).value_or(FrameExtents{});
      }
      // FLTK reads the window's state back at every change, to follow a full screen this window
      // never has: a wait for the server each time armed copies push one another, at every tick.
      if (x_event->xproperty.atom == self->session_.net_wm_state()) return 1;
      break;
    case MapNotify: self->mapped_ = true; break;
    case UnmapNotify: self->mapped_ = false; break;
    case ReparentNotify:
      self->reparented_ = x_event->xreparent.parent != self->session_.root();
      if (self->reparented_ != self->session_.has_window_manager()) self->read_window_manager();
      break;
    case ConfigureNotify:
      // A window manager tells where it put the client in a notice of its own, on the root; a window
      // that no frame holds is told by the server, also on the root.
      if (x_event->xconfigure.send_event || !self->reparented_) {
        self->reported_client_ = {{x_event->xconfigure.x, x_event->xconfigure.y}};
      }
      // A window manager sends such a notice at every restack too, the place unchanged, and FLTK
      // would ask the server twice where the window is: armed copies restack one another each tick.
      if (x_event->xconfigure.send_event && x_event->xconfigure.x == self->window_->x() &&
          x_event->xconfigure.y == self->window_->y() && x_event->xconfigure.width == self->window_->w() &&
          x_event->xconfigure.height == self->window_->h()) {
        return 1;
      }
      break;
  }
  return 0;
}

// Minimised, the window is unmapped while a window manager may still move its frame about for an
// animation (openbox slides it to the screen's edge and back): the place it will be restored to is
// the last one the window manager reported, not where the frame happens to be. Once the display is
// gone, the place the events last told is all there is.
PixelPoint FltkForm::outer_position() const {
  if (display_lost_) {
    const PixelPoint client = reported_client_.value_or(placed());
    return {client.x - known_extents_.left, client.y - known_extents_.top};
  }
  return current_outer_position();
}

// The monitors as the toolkit already reads them (Xinerama, which the server answers from its RandR
// monitors): asking RandR itself would load one more library into every copy.
std::vector<PixelRect> FltkForm::monitor_areas() const {
  std::vector<MonitorArea> monitors;
  for (int n = 0; n < Fl::screen_count(); ++n) {
    int x = 0, y = 0, w = 0, h = 0;
    Fl::screen_xywh(x, y, w, h, n);
    monitors.push_back({{x, y, w, h}});
  }
  std::vector<PixelRect> areas;
  for (const MonitorArea& m : session_.in_work_area(monitors)) areas.push_back(m.area);
  return areas;
}

// Before the window manager has framed the window, its frame is taken to be the design's.
PixelFrame FltkForm::frame(int) const {
  if (!session_.has_window_manager()) return {};
  if (frame_settled_) return known_extents_;
  const auto& design = ui::main_window();
  const auto px = [this](int twips) { return ui::twips_to_pixels(static_cast<float>(twips), dpi()); };
  return {px(design.frame_left), px(design.frame_right), px(design.frame_top), px(design.frame_bottom)};
}

PixelPoint FltkForm::current_outer_position() const {
  int x = 0, y = 0;
  const Window xid = fl_xid(window_.get());
  if (!mapped_ && reported_client_) {
    x = static_cast<int>(reported_client_->x), y = static_cast<int>(reported_client_->y);
  } else {
    session_.client_origin(xid, x, y);
  }
  const FrameExtents extents = session_.frame_extents(xid).value_or(FrameExtents{});
  return {x - extents.left, y - extents.top};
}

void FltkForm::set_title(std::string_view text) { window_->copy_label(std::string(text).c_str()); }

void FltkForm::set_app_name_text(std::string_view text) { app_name_->text(std::string(text)); }

void FltkForm::set_creator_caption(std::string_view text) { creator_->text(std::string(text)); }

Fl_Widget* FltkForm::widget(ui::ControlId id) const {
  for (const auto& [control, widget] : widgets_) {
    if (control == id) return widget;
  }
  return nullptr;
}

std::string FltkForm::title() const { return window_->label() ? window_->label() : ""; }

bool FltkForm::active() const { return Fl::focus() && window_->contains(Fl::focus()); }

PixelPoint FltkForm::client_on_screen() const {
  int x = 0, y = 0;
  if (mapped_) session_.client_origin(fl_xid(window_.get()), x, y);
  else if (reported_client_) return *reported_client_;
  return {x, y};
}

PixelRect FltkForm::frame_on_screen() const {
  const PixelPoint client = client_on_screen();
  const FrameExtents extents =
      mapped_ ? session_.frame_extents(fl_xid(window_.get())).value_or(FrameExtents{}) : FrameExtents{};
  return {client.x - extents.left, client.y - extents.top, window_->w() + extents.left + extents.right,
          window_->h() + extents.top + extents.bottom};
}

PixelRect FltkForm::on_screen(ui::ControlId id) const {
  const Fl_Widget* shown = widget(id);
  if (!shown) return {};
  const PixelPoint client = client_on_screen();
  return {client.x + shown->x(), client.y + shown->y(), shown->w(), shown->h()};
}

std::string FltkForm::text(ui::ControlId id) const {
  const Fl_Widget* shown = widget(id);
  if (const auto* box = dynamic_cast<const TextBox*>(shown)) return box->text();
  if (const auto* caption = dynamic_cast<const Caption*>(shown)) return caption->text();
  if (shown && shown->label()) return shown->label();
  return "";
}

PixelRect FltkForm::character_on_screen(ui::ControlId id, std::int32_t offset) const {
  const Fl_Widget* shown = widget(id);
  const std::string words = text(id);
  if (!shown || offset < 0 || offset >= ui::character_count(words)) return {};
  const std::size_t from = ui::utf8_characters(words, 0, offset).size();
  const std::size_t to = from + ui::utf8_characters(words, offset, offset + 1).size();
  PixelRect box{};
  if (const auto* text_box = dynamic_cast<const TextBox*>(shown)) box = text_box->character_box(from, to);
  else if (const auto* caption = dynamic_cast<const Caption*>(shown)) box = caption->character_box(from, to);
  if (box.width <= 0) return {};
  const PixelPoint client = client_on_screen();
  return {client.x + box.left, client.y + box.top, box.width, box.height};
}

std::optional<ui::ControlId> FltkForm::focus() const {
  for (const auto& [control, widget] : widgets_) {
    if (widget == Fl::focus()) return control;
  }
  return std::nullopt;
}

// A click as the mouse gives it, through the control's own callback.
void FltkForm::click(ui::ControlId id) {
  if (Fl_Widget* target = widget(id); target && !closed()) target->do_callback();
}

bool FltkForm::take_focus(ui::ControlId id) {
  Fl_Widget* target = widget(id);
  return target && target->take_focus() != 0;
}

std::int16_t FltkForm::tick_value() const { return tick_box_->state(); }

void FltkForm::show_tick_value(std::int16_t value) { tick_box_->state(value); }

void FltkForm::set_timer_interval(int milliseconds) {
  timer_seconds_ = milliseconds / 1000.0;
  if (timer_enabled_) start_timer();
}

void FltkForm::set_timer_enabled(bool enabled) {
  timer_enabled_ = enabled;
  if (enabled) start_timer();
  else stop_timer();
}

void FltkForm::start_timer() {
  Fl::remove_timeout(on_timer, this);
  if (timer_seconds_ > 0) Fl::add_timeout(timer_seconds_, on_timer, this);
}

void FltkForm::stop_timer() { Fl::remove_timeout(on_timer, this); }

void FltkForm::on_timer(void* form) {
  auto* self = static_cast<FltkForm*>(form);
  // Re-armed first: repeat_timeout keeps the beat even when a tick runs late.
  Fl::repeat_timeout(self->timer_seconds_, on_timer, self);
  // A window manager may frame the window before it announces itself, leaving no later sign to
  // follow: framed but alone, the copy asks again at each tick until the manager is seen.
  if (self->reparented_ && !self->session_.has_window_manager()) self->read_window_manager();
  self->dispatch([self] { self->events().AlwaysOnTopTimer_Timer(); });
}

void FltkForm::end_window() {
  stop_timer();
  window_->hide();
}

WindowHandle FltkForm::handle() const {
  return shown() ? static_cast<WindowHandle>(fl_xid(window_.get())) : kNoWindow;
}

}  // namespace hv::linux_backend
