#include <gtest/gtest.h>

#include "ui/twips.h"

namespace hv::ui {
namespace {

TEST(Twips, ConvertToWholePixelsAtAnyDpiAndStayDefinedForHugeValues) {
  EXPECT_EQ(twips_to_pixels(1000, 96), 67);
  EXPECT_EQ(twips_to_pixels(-20000, 96), -1333);
  EXPECT_EQ(twips_to_pixels(1440, 120), 120);
  EXPECT_EQ(twips_to_pixels(1e30f, 96), 1'000'000'000);
  EXPECT_EQ(twips_to_pixels(-3e38f, 96), -1'000'000'000);
  EXPECT_EQ(points_to_pixels(12.0f, 96), 16);
  EXPECT_EQ(points_to_pixels(14.25f, 96), 19);
  EXPECT_EQ(client_pixels(11040, 90, 96), 730);
  EXPECT_EQ(client_pixels(50, 90, 96), 1);
  EXPECT_EQ(clamp_position_pixels(-1'000'000'000), -32768);
  EXPECT_EQ(twips_unless_moved(67, 68, 1003.0f, 120), 816.0f);
}

}  // namespace
}  // namespace hv::ui
