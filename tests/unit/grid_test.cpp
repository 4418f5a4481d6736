// hv-copies' grid: rows of cells monitor by monitor, layers when the monitors are full.

#include "copies/grid.h"

#include <gtest/gtest.h>

namespace hv::copies {
namespace {

using Places = std::vector<std::optional<TwipsPoint>>;
using P = TwipsPoint;

// 1920 x 1080 px at 96 dpi, below a 30 px panel, and the window's design size with its 8 px gap
// (744 x 302 px): two columns of three rows.
const Desktop kPanelled{{{{0, 450, 28800, 15750}, 11040, 4410}}, 330};

TEST(Grid, FillsRowsThenLayersOffsetByATitleBarInsideTheMonitor) {
  const GridPlan plan = plan_grid(kPanelled, Places(8));
  EXPECT_EQ(plan.per_layer, 6);
  EXPECT_TRUE(plan.layered);
  EXPECT_EQ(plan.places, (Places{P{0, 450}, P{11160, 450}, P{0, 4980}, P{11160, 4980}, P{0, 9510}, P{11160, 9510},
                                 P{330, 780}, P{11490, 780}}));
  EXPECT_FALSE(plan_grid(kPanelled, Places(6)).layered);
  // Two windows and their gap just fill the width: the second column's layer stays inside.
  const Desktop tight{{{{0, 0, 22200, 4410}, 11040, 4410}}, 330};
  EXPECT_EQ(plan_grid(tight, Places(4)).places, (Places{P{0, 0}, P{11160, 0}, P{330, 0}, P{11160, 0}}));
}

// Monitors of unequal height side by side (1920 x 1080 and 1920 x 1440 px), the window as
// openbox frames it (732 x 292 px): six cells on the first, eight on the second, none across the
// seam at 1920 px or below the first monitor's foot.
TEST(Grid, EachCellLiesWithinOneMonitor) {
  const Desktop two{{{{0, 0, 28800, 16200}, 10980, 4380}, {{28800, 0, 28800, 21600}, 10980, 4380}}, 330};
  const GridPlan plan = plan_grid(two, Places(8));
  EXPECT_EQ(plan.per_layer, 14);
  EXPECT_EQ(plan.places, (Places{P{0, 0}, P{11100, 0}, P{0, 4500}, P{11100, 4500}, P{0, 9000}, P{11100, 9000},
                                 P{28800, 0}, P{39900, 0}}));
  EXPECT_EQ(plan_grid(two, Places(14)).places.back(), (P{39900, 13500}));
}

TEST(Grid, KeptCopiesKeepTheirPlaceAndTheCellsTheyCoverArePassedOver) {
  Places kept(3);
  kept[0] = P{13500, 2250};  // covers the second cell of the first two rows
  EXPECT_EQ(plan_grid(kPanelled, kept).places, (Places{std::nullopt, P{0, 450}, P{0, 4980}}));
  // No monitor holds a whole window: its corner is the only cell, on layers.
  const Desktop small{{{{0, 0, 3000, 3000}, 11040, 4410}}, 330};
  EXPECT_EQ(plan_grid(small, Places(2)).places, (Places{P{0, 0}, P{0, 0}}));
}

}  // namespace
}  // namespace hv::copies
