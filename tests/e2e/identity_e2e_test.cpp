#include "e2e_fixture.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <fstream>

namespace hv::e2e {
namespace {

namespace fs = std::filesystem;

void store_by_hand(const ProgramCopy& copy, const std::string& text) {
  fs::create_directories(copy.settings_file().parent_path());
  std::ofstream(copy.settings_file(), std::ios::binary) << text;
}

using Identity = ProgramTest;

TEST_P(Identity, FirstStartOpensAtTheDefaultsAndExitStoresThreeKeys) {
  auto program = copy("HV-TEST-PROCESS-V1");
  program->start();
  const XWindow window = program->wait_for_window(title_for("HV-TEST-PROCESS-V1"));
  // 1000 twips is 66.67 px, placed at 67; the client is 730 x 269 px whatever the frame.
  ASSERT_TRUE(wait_until([&] { return window.outer_origin() == Point{67, 67}; }))
      << window.outer_origin().x << "," << window.outer_origin().y;
  EXPECT_EQ(window.client_size(), (Point{730, 269}));
  EXPECT_FALSE(fs::exists(program->settings_file())) << "nothing is stored before the user acts";

  click_at(session->display(), exit_button(window));
  EXPECT_EQ(program->wait_for_exit(), 0);
  EXPECT_EQ(program->setting("HV-TEST-PROCESS-V1", "MAIN_Left"), "1000");
  EXPECT_EQ(program->setting("HV-TEST-PROCESS-V1", "MAIN_Top"), "1000");
  EXPECT_EQ(program->setting("HV-TEST-PROCESS-V1", "AlwaysOnTop_TICKBOX"), "1");
  EXPECT_EQ(program->setting("HV-TEST-PROCESS-V1", "MAIN_Width"), std::nullopt);
  EXPECT_EQ(program->setting("HV-TEST-PROCESS-V1", "MAIN_Height"), std::nullopt);
}

TEST_P(Identity, MovedAndClosedWithExitStoresTheOuterPositionInTwips) {
  auto program = copy("MOVER");
  program->start();
  const XWindow window = program->wait_for_window(title_for("MOVER"));
  ASSERT_TRUE(wait_until([&] { return window.outer_origin() == Point{67, 67}; }));
  window.move_outer_to({200, 300}, has_wm());
  ASSERT_TRUE(wait_until([&] { return window.outer_origin() == Point{200, 300}; }));
  click_at(session->display(), exit_button(window));
  EXPECT_EQ(program->wait_for_exit(), 0);
  EXPECT_EQ(program->setting("MOVER", "MAIN_Left"), "3000");
  EXPECT_EQ(program->setting("MOVER", "MAIN_Top"), "4500");

  program->start();
  const XWindow again = program->wait_for_window(title_for("MOVER"));
  EXPECT_TRUE(wait_until([&] { return again.outer_origin() == Point{200, 300}; }));
}

// As several editors, and Windows PowerShell, write a UTF-8 file.
TEST_P(Identity, AFileBeginningWithAByteOrderMarkIsReadAndKeepsItsOneSection) {
  auto program = copy("BOM");
  store_by_hand(*program, "\xEF\xBB\xBF[BOM]\r\nMAIN_Left=3000\r\nMAIN_Top=2000\r\nAlwaysOnTop_TICKBOX=0\r\n");
  program->start();
  const XWindow window = program->wait_for_window(title_for("BOM"));
  ASSERT_TRUE(wait_until([&] { return window.outer_origin() == Point{200, 133}; }));
  window.move_outer_to({40, 20}, has_wm());
  ASSERT_TRUE(wait_until([&] { return window.outer_origin() == Point{40, 20}; }));
  window.close(has_wm());
  EXPECT_EQ(program->wait_for_exit(), 0);
  std::ifstream in(program->settings_file(), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
            "\xEF\xBB\xBF[BOM]\r\nMAIN_Left=600\r\nMAIN_Top=300\r\nAlwaysOnTop_TICKBOX=0\r\n");
}

TEST_P(Identity, ClosingThroughTheWindowManagerStoresToo) {
  auto program = copy("CLOSER");
  store_by_hand(*program, "[CLOSER]\nAlwaysOnTop_TICKBOX=0\nMAIN_Left=1500\nMAIN_Top=750\n");
  program->start();
  const XWindow window = program->wait_for_window(title_for("CLOSER"));
  ASSERT_TRUE(wait_until([&] { return window.outer_origin() == Point{100, 50}; }));
  window.move_outer_to({40, 20}, has_wm());
  ASSERT_TRUE(wait_until([&] { return window.outer_origin() == Point{40, 20}; }));
  window.close(has_wm());
  EXPECT_EQ(program->wait_for_exit(), 0);
  EXPECT_EQ(program->setting("CLOSER", "MAIN_Left"), "600");
  EXPECT_EQ(program->setting("CLOSER", "MAIN_Top"), "300");
  EXPECT_EQ(program->setting("CLOSER", "AlwaysOnTop_TICKBOX"), "0");
}

TEST_P(Identity, StartAndCloseThreeTimesWithoutDrift) {
  auto program = copy("STEADY");
  // 1003 twips is not a whole pixel; neither it nor the window may creep.
  store_by_hand(*program, "[STEADY]\nMAIN_Left=1003\nMAIN_Top=2000\n");
  for (int cycle = 0; cycle < 3; ++cycle) {
    program->start();
    const XWindow window = program->wait_for_window(title_for("STEADY"));
    ASSERT_TRUE(wait_until([&] { return window.outer_origin() == Point{67, 133}; }))
        << "cycle " << cycle << ": " << window.outer_origin().x << "," << window.outer_origin().y;
    window.close(has_wm());
    ASSERT_EQ(program->wait_for_exit(), 0);
    EXPECT_EQ(program->setting("STEADY", "MAIN_Left"), "1003") << "cycle " << cycle;
    EXPECT_EQ(program->setting("STEADY", "MAIN_Top"), "2000") << "cycle " << cycle;
  }
}

TEST_P(Identity, SizeStoredFromOutsideIsAppliedAndSurvivesClosing) {
  auto program = copy("SMALL");
  store_by_hand(*program, "[SMALL]\nMAIN_Width=6000\nMAIN_Height=3000\n");
  program->start();
  const XWindow window = program->wait_for_window(title_for("SMALL"));
  EXPECT_EQ(window.client_size(), (Point{394, 175}));
  window.close(has_wm());
  EXPECT_EQ(program->wait_for_exit(), 0);
  EXPECT_EQ(program->setting("SMALL", "MAIN_Width"), "6000");
  EXPECT_EQ(program->setting("SMALL", "MAIN_Height"), "3000");
}

INSTANTIATE_TEST_SUITE_P(UnderEachWindowManager, Identity,
                         ::testing::Values(Wm::Openbox, Wm::Icewm, Wm::Bare), param_name);

using Names = ProgramTest;

TEST_P(Names, TheExtensionIsAlwaysWrittenDotExe) {
  auto program = copy("TEST7.EXE");
  program->start();
  const XWindow window = program->wait_for_window(title_for("TEST7"));
  window.close(true);
  EXPECT_EQ(program->wait_for_exit(), 0);
  EXPECT_TRUE(program->setting("TEST7", "MAIN_Left").has_value());
}

TEST_P(Names, ASymbolicLinkIsItsOwnCopyAndArgumentsAreIgnored) {
  auto program = copy("LINKED.bin", ProgramCopy::Link::SymLink);
  program->start({"-display", ":999", "--help", "-geometry", "10x10+0+0"});
  const XWindow window = program->wait_for_window(title_for("LINKED"));
  EXPECT_EQ(window.client_size(), (Point{730, 269}));
  window.close(true);
  EXPECT_EQ(program->wait_for_exit(), 0);
  EXPECT_TRUE(program->setting("LINKED", "MAIN_Left").has_value());
  EXPECT_FALSE(program->setting("HV-TEST-PROCESS-V1", "MAIN_Left").has_value());
}

TEST_P(Names, ACorruptValueStartsWithTheDefaultAndWarns) {
  auto program = copy("BROKEN");
  store_by_hand(*program, "[BROKEN]\nMAIN_Left=over there\nMAIN_Top=150\n");
  program->start();
  const XWindow window = program->wait_for_window(title_for("BROKEN"));
  EXPECT_TRUE(wait_until([&] { return window.outer_origin() == Point{67, 10}; }));
  EXPECT_EQ(program->setting("BROKEN", "MAIN_Left"), "over there") << "nothing is rewritten at load";
  window.close(true);
  EXPECT_EQ(program->wait_for_exit(), 0);
  const std::string warnings = program->stderr_text();
  EXPECT_NE(warnings.find("BROKEN"), std::string::npos) << warnings;
  EXPECT_NE(warnings.find("MAIN_Left"), std::string::npos) << warnings;
  EXPECT_NE(warnings.find("\"over there\""), std::string::npos) << warnings;
}

TEST_P(Names, FractionsAreWrittenWithTheUsersDecimalSeparator) {
  auto program = copy("COMMA");
  store_by_hand(*program, "[COMMA]\nMAIN_Left=1000.5\nMAIN_Top=2000,25\n");
  program->start({}, {"LC_ALL=de_DE.UTF-8"});
  const XWindow window = program->wait_for_window(title_for("COMMA"));
  ASSERT_TRUE(wait_until([&] { return window.outer_origin() == Point{67, 133}; }));
  window.close(true);
  EXPECT_EQ(program->wait_for_exit(), 0);
  EXPECT_EQ(program->setting("COMMA", "MAIN_Left"), "1000,5");
  EXPECT_EQ(program->setting("COMMA", "MAIN_Top"), "2000,25");
}

TEST_P(Names, TheFrameIsFixedAndCarriesTheIcon) {
  auto program = copy("FIXED");
  program->start();
  const XWindow window = program->wait_for_window(title_for("FIXED"));
  XSizeHints hints{};
  long supplied = 0;
  ASSERT_TRUE(XGetWMNormalHints(session->display(), window.id(), &hints, &supplied));
  ASSERT_TRUE((hints.flags & PMinSize) && (hints.flags & PMaxSize));
  EXPECT_EQ(hints.min_width, 730);
  EXPECT_EQ(hints.max_width, 730);
  EXPECT_EQ(hints.min_height, 269);
  EXPECT_EQ(hints.max_height, 269);
  // _NET_WM_ICON holds width, height, then the pixels, for each size in turn.
  std::vector<std::pair<long, long>> sizes;
  const auto icon = window.long_property("_NET_WM_ICON");
  for (std::size_t i = 0; i + 1 < icon.size(); i += 2 + icon[i] * icon[i + 1]) {
    sizes.emplace_back(icon[i], icon[i + 1]);
  }
  EXPECT_NE(std::find(sizes.begin(), sizes.end(), std::pair{16L, 16L}), sizes.end());
  EXPECT_NE(std::find(sizes.begin(), sizes.end(), std::pair{24L, 24L}), sizes.end());
  window.close(true);
  EXPECT_EQ(program->wait_for_exit(), 0);
}

TEST_P(Names, AnyFiniteStoredGeometryIsSurvived) {
  auto program = copy("EXTREME");
  store_by_hand(*program,
                "[EXTREME]\nMAIN_Left=-1e30\nMAIN_Top=3e38\nMAIN_Width=1e30\nMAIN_Height=-5\n");
  program->start();
  const XWindow window = program->wait_for_window(title_for("EXTREME"));
  EXPECT_EQ(window.client_size(), (Point{32767, 1}));
  window.close(true);
  EXPECT_EQ(program->wait_for_exit(), 0);
  EXPECT_EQ(program->stderr_text(), "");
}

INSTANTIATE_TEST_SUITE_P(UnderOpenbox, Names, ::testing::Values(Wm::Openbox), param_name);

}  // namespace
}  // namespace hv::e2e
