// hv-copies' grid: rows of cells over the work area, layers when the screen is full.

#include "copies/grid.h"

#include <gtest/gtest.h>

namespace hv::copies {
namespace {

using Places = std::vector<std::optional<TwipsPoint>>;

// 1920 x 1080 px at 96 dpi, below a 30 px panel: two columns of three rows. Cells are 744 x 302 px.
constexpr ui::TwipsRect kWorkArea{0, 450, 28800, 15750};

TEST(Grid, FillsRowsThenLayersOffsetByATitleBar) {
  const GridPlan plan = plan_grid(kWorkArea, Places(8));
  EXPECT_EQ(plan.per_layer, 6);
  EXPECT_TRUE(plan.layered);
  const Places want{TwipsPoint{0, 450},     TwipsPoint{11160, 450},  TwipsPoint{0, 4980},
                    TwipsPoint{11160, 4980}, TwipsPoint{0, 9510},     TwipsPoint{11160, 9510},
                    TwipsPoint{330, 780},   TwipsPoint{11490, 780}};
  EXPECT_EQ(plan.places, want);
  EXPECT_FALSE(plan_grid(kWorkArea, Places(6)).layered);
}

TEST(Grid, KeptCopiesKeepTheirPlaceAndTheCellsTheyCoverArePassedOver) {
  Places kept(3);
  kept[0] = TwipsPoint{13500, 2250};  // covers the second cell of the first two rows
  const GridPlan plan = plan_grid(kWorkArea, kept);
  EXPECT_EQ(plan.places, (Places{std::nullopt, TwipsPoint{0, 450}, TwipsPoint{0, 4980}}));
  // A screen narrower than one window still gets one column.
  EXPECT_EQ(plan_grid({0, 0, 3000, 3000}, Places(2)).places, (Places{TwipsPoint{0, 0}, TwipsPoint{330, 330}}));
}

}  // namespace
}  // namespace hv::copies
