#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "ui/controls.h"

namespace hv::ui {
namespace {

using ::testing::ElementsAre;

bool overlap(const TwipsRect& a, const TwipsRect& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
         b.top < a.top + a.height;
}

TEST(WindowDesign, ThirteenControlsInsideTheClientAreaWithoutOverlap) {
  const auto all = controls();
  ASSERT_EQ(all.size(), 13u);
  for (const Control& a : all) {
    if (a.kind == ControlKind::Timer) continue;
    EXPECT_GE(a.rect.left, 0) << a.name;
    EXPECT_GE(a.rect.top, 0) << a.name;
    EXPECT_LE(a.rect.left + a.rect.width, main_window().client_width) << a.name;
    EXPECT_LE(a.rect.top + a.rect.height, main_window().client_height) << a.name;
    EXPECT_EQ(a.rect.left % 15 + a.rect.top % 15 + a.rect.width % 15 + a.rect.height % 15, 0)
        << a.name << " lies on whole pixels at 96 dpi";
    for (const Control& b : all) {
      if (&a != &b && b.kind != ControlKind::Timer) {
        EXPECT_FALSE(overlap(a.rect, b.rect)) << a.name << " and " << b.name;
      }
    }
  }
}

TEST(WindowDesign, NamesAndTabIndexesAreUnique) {
  std::set<std::string_view> names;
  std::set<int> tab_indexes;
  for (const Control& c : controls()) {
    EXPECT_TRUE(names.insert(c.name).second) << c.name;
    if (c.kind != ControlKind::Timer) {
      EXPECT_TRUE(tab_indexes.insert(c.tab_index).second) << c.name;
    }
    EXPECT_EQ(&control(c.id), &c);
  }
}

TEST(WindowDesign, TabVisitsTheFocusableControlsInTheirOrder) {
  EXPECT_THAT(tab_order(), ElementsAre(ControlId::EXIT_BUTTON, ControlId::AlwaysOnTop_TICKBOX,
                                       ControlId::APP_NAME_TEXTBOX, ControlId::THUMBS_UP_PIC_1,
                                       ControlId::THUMBS_UP_PIC_2, ControlId::NAME_LABEL_TEXTBOX,
                                       ControlId::PIC_WEBLINK_TEXTBOX));
}

}  // namespace
}  // namespace hv::ui

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
}

TEST(Twips, AnUnmovedWindowReportsExactlyWhatItWasGiven) {
  EXPECT_EQ(twips_unless_moved(67, 67, 1003.0f, 96), 1003.0f);
  EXPECT_EQ(twips_unless_moved(67, 68, 1003.0f, 96), 1020.0f);
  EXPECT_EQ(twips_unless_moved(67, 68, 1003.0f, 120), 816.0f);
  EXPECT_EQ(client_pixels(11040, 90, 96), 730);
  EXPECT_EQ(client_pixels(50, 90, 96), 1);
  EXPECT_EQ(clamp_position_pixels(-1'000'000'000), -32768);
}

}  // namespace
}  // namespace hv::ui
