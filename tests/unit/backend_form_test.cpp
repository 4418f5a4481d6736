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

  void set_title(std::string_view) override {}
  void set_app_name_text(std::string_view) override {}
  void set_creator_caption(std::string_view) override {}
  std::int16_t tick_value() const override { return 1; }
  void show_tick_value(std::int16_t) override {}
  void set_timer_interval(int) override {}
  void set_timer_enabled(bool) override {}
  void unload() override {}
  WindowHandle handle() const override { return kNoWindow; }

 private:
  void apply_geometry() override {}
  PixelPoint outer_position() const override { return stands; }
  void report_and_exit(const std::string&) override {}
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

}  // namespace
}  // namespace hv
