// hv-copies' grid: rows of cells monitor by monitor, layers when the monitors are full.

#include "copies/grid.h"

#include <gtest/gtest.h>

namespace hv::copies {
namespace {

using Places = std::vector<std::optional<TwipsPoint>>;
using P = TwipsPoint;

// 1920 x 1080 px at 96 dpi, below a 30 px panel, and the window's design size with its 8 px gap
// (744 x 302 px): two columns of three rows.
const Desktop kPanelled{{{{0, 450, 28800, 15750}, 11040, 4410, 330}}};

TEST(Grid, FillsRowsThenLayersOffsetByATitleBarInsideTheMonitor) {
  const GridPlan plan = plan_grid(kPanelled, Places(8));
  EXPECT_EQ(plan.per_layer, 6);
  EXPECT_TRUE(plan.layered);
  EXPECT_EQ(plan.places, (Places{P{0, 450}, P{11160, 450}, P{0, 4980}, P{11160, 4980}, P{0, 9510}, P{11160, 9510},
                                 P{330, 780}, P{11490, 780}}));
  EXPECT_FALSE(plan_grid(kPanelled, Places(6)).layered);
  // Two windows and their gap just fill the width: the second column's layer stays inside.
  const Desktop tight{{{{0, 0, 22200, 4410}, 11040, 4410, 330}}};
  EXPECT_EQ(plan_grid(tight, Places(4)).places, (Places{P{0, 0}, P{11160, 0}, P{330, 0}, P{11160, 0}}));
}

TEST(Grid, KeptCopiesKeepTheirPlaceAndTheCellsTheyCoverArePassedOver) {
  Places kept(3);
  kept[0] = P{13500, 2250};  // covers the second cell of the first two rows
  EXPECT_EQ(plan_grid(kPanelled, kept).places, (Places{std::nullopt, P{0, 450}, P{0, 4980}}));
  // No monitor holds a whole window: its corner is the only cell, on layers.
  const Desktop small{{{{0, 0, 3000, 3000}, 11040, 4410, 330}}};
  EXPECT_EQ(plan_grid(small, Places(2)).places, (Places{P{0, 0}, P{0, 0}}));
}

// A 100 % monitor of 1920 x 1080 px beside a 150 % one of 3840 x 2160 to its right, as Windows tells
// a program aware of each monitor's scale: real pixels, work areas less the taskbar, and the window
// at each monitor's own size (746 x 308 px at 100 %, 1117 x 460 at 150 %), the second listed first.
// In twips at the desktop's 96 dpi, each copy, converting back, opens on its cell's very pixel at
// its monitor's size, wholly on that monitor and clear of every other copy. Title bars are 23 and
// 34 px.
TEST(Grid, OnMonitorsOfTwoScalesEachCellHoldsTheWindowAtItsMonitorsSize) {
  const PixelRect left_monitor{0, 0, 1920, 1040}, right_monitor{1920, 0, 3840, 2100};
  const Desktop desktop = desktop_in_twips({{right_monitor, 1117, 460, false, 34}, {left_monitor, 746, 308, true, 23}}, 96);
  std::vector<std::vector<long>> monitors;
  for (const Monitor& m : desktop.monitors) {
    monitors.push_back({m.area.left, m.area.top, m.area.width, m.area.height, m.window_width, m.window_height, m.title_bar});
  }
  EXPECT_EQ(monitors, (std::vector<std::vector<long>>{{0, 0, 28800, 15600, 11190, 4620, 345}, {28800, 0, 57600, 31500, 16755, 6900, 510}}));

  const GridPlan plan = plan_grid(desktop, Places(18));
  EXPECT_EQ(plan.per_layer, 18);
  EXPECT_EQ(Places(plan.places.begin(), plan.places.begin() + 8),
            (Places{P{0, 0}, P{11310, 0}, P{0, 4740}, P{11310, 4740}, P{0, 9480}, P{11310, 9480}, P{28800, 0}, P{45675, 0}}));
  // Each window where its copy opens, converting back: wholly on its monitor, clear of the others.
  std::vector<PixelRect> windows;
  for (const auto& place : plan.places) {
    const bool right = place->left >= 28800;
    const PixelRect w{place->left / 15, place->top / 15, right ? 1117 : 746, right ? 460 : 308}, m = right ? right_monitor : left_monitor;
    EXPECT_TRUE(w.left >= m.left && w.right() <= m.right() && w.top >= m.top && w.bottom() <= m.bottom()) << w.left << "," << w.top;
    for (const PixelRect& o : windows) EXPECT_FALSE(w.left < o.right() && o.left < w.right() && w.top < o.bottom() && o.top < w.bottom());
    windows.push_back(w);
  }
  // Further layers are offset by the title bar of their own monitor: 23 px at 100 %, 34 at 150 %,
  // so that no layer's window covers the title bar of the one beneath.
  const GridPlan layered = plan_grid(desktop, Places(25));
  EXPECT_EQ(layered.places[18], (P{345, 345}));
  EXPECT_EQ(layered.places[24], (P{29310, 510}));
}

}  // namespace
}  // namespace hv::copies
