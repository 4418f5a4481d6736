// What every backend's window shares: places convert with the desktop's one density, sizes with
// the density of the monitor the window is on.

#include <gtest/gtest.h>

#include "platform/backend_form.h"

namespace hv {
namespace {

// A window on a toolkit that only says where it stands.
class PlacedForm final : public BackendForm {
 public:
  PlacedForm(int desktop_dpi, int dpi) : BackendForm(desktop_dpi, dpi) {}
  PixelPlacement show() {
    const PixelPlacement place = placement();
    mark_shown();
    return place;
  }
  PixelPoint stands;
  std::vector<PixelRect> monitors;
  PixelFrame around;

  void set_title(std::string_view) override {}
  void set_app_name_text(std::string_view) override {}
  void set_creator_caption(std::string_view) override {}
  std::int16_t tick_value() const override { return 1; }
  void show_tick_value(std::int16_t) override {}
  void set_timer_interval(int) override {}
  void set_timer_enabled(bool) override {}
  WindowHandle handle() const override { return kNoWindow; }
  using BackendForm::use_events;
  int ended = 0;

 private:
  void apply_geometry() override {}
  PixelPoint outer_position() const override { return stands; }
  std::vector<PixelRect> monitor_areas() const override { return monitors; }
  PixelFrame frame() const override { return around; }
  void end_window() override { ++ended; }
  void report_and_exit(const std::string&) override {}
};

// Handlers that count the closes they are asked for and cancel while told to.
struct Unloads final : FormEvents {
  void Form_Load() override {}
  void Form_Unload(bool& cancel) override { ++asked, cancel = cancelling; }
  void EXIT_BUTTON_Click() override {}
  void AlwaysOnTop_TICKBOX_Click() override {}
  void AlwaysOnTopTimer_Timer() override {}
  void CREATOR_TEXTBOX_DblClick() override {}
  int asked = 0;
  bool cancelling = false;
};

// A copy closed on one monitor and reopened on another: primary at 100 % and a second at 150 % to
// its right (closed at x = 2400), primary at 150 % (2560 px wide) and a second at 100 % (closed at
// x = 3000), each way round. The place means the same pixel on every monitor; the size does not.
TEST(BackendForm, APlaceConvertsWithTheDesktopsDensityAndASizeWithTheMonitors) {
  struct Case {
    int desktop, closed_on, opened_on;
    long x;
    float twips;
    long client_width;  // where it opens
  };
  for (const Case& c : {Case{96, 144, 96, 2400, 36000, 730}, Case{96, 96, 144, 2400, 36000, 1095},
                        Case{144, 96, 144, 3000, 30000, 1095}, Case{144, 144, 96, 3000, 30000, 730}}) {
    SCOPED_TRACE(std::to_string(c.desktop) + " dpi desktop, closed at " + std::to_string(c.closed_on) +
                 " and opened at " + std::to_string(c.opened_on));
    PlacedForm closing(c.desktop, c.closed_on);
    closing.show();
    closing.stands = {c.x, 150};
    EXPECT_EQ(closing.left(), c.twips);
    PlacedForm opening(c.desktop, c.opened_on);
    opening.set_left(c.twips);
    const PixelPlacement place = opening.show();
    EXPECT_EQ(place.corner.x, c.x);
    EXPECT_EQ(place.client_width, c.client_width);
  }
}

// A copy whose stored place shows none of its title bar on any monitor opens where all of it shows,
// on the monitor nearest to it; one whose title bar shows at all opens exactly where it was. The
// client is 730 x 269 px at 96 dpi, 1095 x 404 at 144; Windows' frame is 8 px a side and 31 at the
// top, and with no window manager there is none.
TEST(BackendForm, AWindowNobodyCouldReachOpensInViewAndStoresWhereItStands) {
  const PixelRect primary{0, 0, 1920, 1040}, right_of_it{1920, 0, 1920, 1080};
  const PixelFrame windows_frame{8, 8, 31, 8}, none{};
  // Stored twips, the outer corner it opens at, and the twips it stores when closed unmoved.
  struct Case { const char* what; int desktop; std::vector<PixelRect> monitors; PixelFrame frame;
                float left, top; PixelPoint opens; float stored_left, stored_top; };
  const Case cases[] = {
      {"on a monitor unplugged since", 96, {primary}, windows_frame, 36000, 2250, {1174, 150}, 17610, 2250},
      {"on the monitor still there", 96, {primary, right_of_it}, windows_frame, 36000, 2250, {2400, 150}, 36000, 2250},
      {"one pixel of the title bar left", 96, {primary}, windows_frame, 28785, 2250, {1919, 150}, 28785, 2250},
      {"the title bar above the top", 96, {primary}, windows_frame, 1500, -600, {100, 0}, 1500, 0},
      {"far below and right, no frame", 96, {primary}, none, 60000, 30000, {1190, 771}, 17850, 11565},
      {"left at 1800 px before the desktop went to 150 %", 144, {primary}, windows_frame, 27000, 1500, {809, 150}, 8090, 1500},
      {"no monitor could be read", 96, {}, windows_frame, 60000, 30000, {4000, 2000}, 60000, 30000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PlacedForm form(c.desktop, c.desktop);
    form.monitors = c.monitors, form.around = c.frame;
    form.set_left(c.left), form.set_top(c.top);
    EXPECT_EQ(form.left(), c.left) << "changed before the window was shown";
    EXPECT_EQ(form.show().corner, c.opens);
    form.stands = c.opens;
    EXPECT_EQ(std::pair(form.left(), form.top()), std::pair(c.stored_left, c.stored_top));
  }
}

// Every way a window closes (its close box, a logout, EXIT) asks Form_Unload first; a cancel keeps
// the window, timer and all; once it has gone, a second close (a signal during EXIT's store, say)
// asks nothing and takes nothing down again.
TEST(BackendForm, ACloseAsksTheHandlersFirstAndEndsTheWindowOnce) {
  PlacedForm form(96, 96);
  Unloads handlers;
  form.use_events(handlers);
  handlers.cancelling = true;
  form.unload();
  EXPECT_EQ(std::pair(handlers.asked, form.ended), std::pair(1, 0)) << "a cancelled close";
  handlers.cancelling = false;
  form.unload();
  EXPECT_EQ(std::pair(handlers.asked, form.ended), std::pair(2, 1));
  form.unload();
  EXPECT_EQ(std::pair(handlers.asked, form.ended), std::pair(2, 1)) << "a close after the window went";
}

}  // namespace
}  // namespace hv
