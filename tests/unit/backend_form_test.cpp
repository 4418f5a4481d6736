// What every backend's window shares: places convert with the desktop's one density, sizes with
// the density of the monitor the window is on.

#include <gtest/gtest.h>

#include <optional>

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
  std::vector<ScaledMonitor> scaled;
  std::optional<int> given_dpi;  // the density the system gives the window once placed
  std::vector<int> laid_out;
  std::vector<PixelPlacement> put;
  using BackendForm::dpi;
  using BackendForm::place_window;

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
  // Windows' frame: 8 px a side and 31 at the top at 100 %, 11 and 45 at 150 %, 15 and 60 at 200 %.
  PixelFrame frame(int dpi) const override {
    if (scaled.empty()) return around;
    const long side = dpi == 144 ? 11 : dpi == 192 ? 15 : dpi == 120 ? 10 : 8;
    return {side, side, dpi == 144 ? 45 : dpi == 192 ? 60 : dpi == 120 ? 38 : 31, side};
  }
  std::vector<ScaledMonitor> scaled_monitors() const override { return scaled; }
  void lay_out(int at) override { laid_out.push_back(at), BackendForm::lay_out(at); }
  void put_window(const PixelPlacement& place) override { put.push_back(place); }
  int window_dpi() const override { return given_dpi.value_or(dpi()); }
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

// A copy is laid out at the density of the monitor it opens on, at the design's size there (730 x
// 269 client pixels at 96 dpi, 913 x 336 at 120, 1095 x 404 at 144, 1460 x 538 at 192), in the
// place asked; the desktop's own density is 96, 15 twips a pixel. Monitors at 100, 125, 150 and
// 200 % side by side; then places on a seam, where the window's size at one density can tip it
// onto the other monitor. With the 150 % monitor left of the 100 % primary, a copy at x = -400
// stands mostly on the 150 % one at its 100 % size (746 px outer: 400 there, 346 on the primary)
// but mostly on the primary at its 150 % size (1117 px: 400 and 717): neither size holds itself,
// and it opens at 100 %, whose share is the larger (346 of 746 against 400 of 1117).
TEST(BackendForm, ACopyOpensAtTheDensityOfTheMonitorItsPlaceIsOnWhicheverWayASeamTips) {
  const ScaledMonitor at_100{{0, 0, 1920, 1080}, 96}, at_125{{1920, 0, 2400, 1350}, 120},
      at_150{{4320, 0, 2880, 1620}, 144}, at_200{{7200, 0, 3840, 2160}, 192}, left_at_150{{-2880, 0, 2880, 1620}, 144},
      right_at_150{{1920, 0, 2880, 1620}, 144};
  const std::vector<ScaledMonitor> side_by_side{at_100, at_125, at_150, at_200};
  struct Case { const char* what; std::vector<ScaledMonitor> monitors; long x; int dpi; long width, height; };
  for (const Case& c : {Case{"on the primary", side_by_side, 100, 96, 730, 269},
                        Case{"at 125 %", side_by_side, 2000, 120, 913, 336},
                        Case{"at 150 %", side_by_side, 4400, 144, 1095, 404},
                        Case{"at 200 %", side_by_side, 7300, 192, 1460, 538},
                        Case{"tipping either way", {at_100, left_at_150}, -400, 96, 730, 269},
                        Case{"mostly left at either size", {at_100, left_at_150}, -600, 144, 1095, 404},
                        Case{"the right edge, mostly right", {at_100, right_at_150}, 1600, 144, 1095, 404},
                        Case{"the right edge, mostly left", {at_100, right_at_150}, 1300, 96, 730, 269}}) {
    SCOPED_TRACE(c.what);
    PlacedForm form(96, 96);
    form.scaled = c.monitors;
    for (const ScaledMonitor& m : c.monitors) form.monitors.push_back(m.bounds);
    form.set_left(static_cast<float>(c.x * 15)), form.set_top(1500);
    form.place_window();
    ASSERT_EQ(form.put.size(), 1u);
    EXPECT_EQ(form.put[0].corner, (PixelPoint{c.x, 100}));
    EXPECT_EQ(std::tuple(form.put[0].dpi, form.put[0].client_width, form.put[0].client_height), std::tuple(c.dpi, c.width, c.height));
    EXPECT_EQ(form.dpi(), c.dpi) << "laid out at another density than it was sized for";
  }
}

// Whatever the choice, the system has the last word: a window it gives another density once placed
// is laid out again at that one and sized for it where it stands; one it leaves alone is put once.
// A copy stored on a monitor unplugged since opens on the primary at its density; one stored while
// the desktop's density was 144 opens at the same pixel.
TEST(BackendForm, AWindowTheSystemGivesAnotherDensityIsLaidOutAgainWhereItStands) {
  const std::vector<ScaledMonitor> monitors{{{0, 0, 1920, 1080}, 96}, {{1920, 0, 2880, 1620}, 144}};
  PlacedForm form(96, 96);
  form.scaled = monitors, form.monitors = {{0, 0, 1920, 1040}, {1920, 0, 2880, 1620}};
  form.set_left(1600 * 15), form.set_top(1500);
  form.given_dpi = 96;
  form.place_window();
  EXPECT_EQ(form.laid_out, (std::vector<int>{144, 96}));
  ASSERT_EQ(form.put.size(), 2u);
  EXPECT_EQ(std::tuple(form.put[1].corner, form.put[1].client_width, form.put[1].dpi), std::tuple(PixelPoint{1600, 100}, 730L, 96));

  PlacedForm unplugged(96, 96);
  unplugged.scaled = {monitors[0]}, unplugged.monitors = {{0, 0, 1920, 1040}};
  unplugged.set_left(2400 * 15), unplugged.set_top(1500);
  unplugged.place_window();
  ASSERT_EQ(unplugged.put.size(), 1u);
  EXPECT_EQ(std::tuple(unplugged.put[0].corner, unplugged.put[0].dpi), std::tuple(PixelPoint{1174, 100}, 96));

  PlacedForm rescaled(144, 144);
  rescaled.scaled = monitors, rescaled.monitors = {{0, 0, 1920, 1040}, {1920, 0, 2880, 1620}};
  rescaled.set_left(2400 * 10), rescaled.set_top(1000);
  rescaled.place_window();
  ASSERT_EQ(rescaled.put.size(), 1u);
  EXPECT_EQ(std::tuple(rescaled.put[0].corner, rescaled.put[0].dpi), std::tuple(PixelPoint{2400, 100}, 144));
}

}  // namespace
}  // namespace hv
