// The window's handlers against the fake platform: what they ask of the form, the store and the
// placement calls, and in which order.

#include "handlers_fixture.h"

namespace hv::testing {
namespace {

using ::testing::ElementsAre;

using LoadSequence = HandlersTest;

TEST_F(LoadSequence, FirstStartAppliesTheDefaultsInOrder) {
  handlers.Form_Load();
  EXPECT_THAT(log, ElementsAre(
      "GetSetting HV_TEST_PROCESS/HV-TEST-PROCESS-V1/MAIN_Left", "set_left 1000",
      "GetSetting HV_TEST_PROCESS/HV-TEST-PROCESS-V1/MAIN_Top", "set_top 1000",
      "GetSetting HV_TEST_PROCESS/HV-TEST-PROCESS-V1/MAIN_Width", "set_width 11040",
      "GetSetting HV_TEST_PROCESS/HV-TEST-PROCESS-V1/MAIN_Height", "set_height 4410",
      "set_app_name_text HV-TEST-PROCESS-V1.exe",
      "set_title HALVERD - TEST PROCESS - HV-TEST-PROCESS-V1.exe",
      "GetSetting HV_TEST_PROCESS/HV-TEST-PROCESS-V1/AlwaysOnTop_TICKBOX",
      // The box is ticked by design, so restoring the default is no change and stores nothing.
      "set_timer_interval 1000", "set_timer_enabled 1"));
  EXPECT_TRUE(process.warnings_.empty());
}

// A stored value other than the design's changes the box, and the change is its click: stored
// again at once, and the keeper left off.
TEST_F(LoadSequence, AStoredTickOtherThanTheDesignsIsShownAndClicked) {
  store.put("HV-TEST-PROCESS-V1", "AlwaysOnTop_TICKBOX", "0");
  handlers.Form_Load();
  const auto shown = std::find(log.begin(), log.end(), "show_tick_value 0");
  ASSERT_NE(shown, log.end());
  EXPECT_EQ(*std::next(shown), "SaveSetting HV_TEST_PROCESS/HV-TEST-PROCESS-V1/AlwaysOnTop_TICKBOX=0");
  EXPECT_EQ(log.back(), "set_timer_enabled 0");
}

TEST_F(LoadSequence, UnusableStoredTextsTakeTheirDefaultsWithAWarning) {
  store.put("HV-TEST-PROCESS-V1", "MAIN_Left", "left of centre");
  store.put("HV-TEST-PROCESS-V1", "MAIN_Top", "1e999");
  store.put("HV-TEST-PROCESS-V1", "MAIN_Width", "nan");
  store.put("HV-TEST-PROCESS-V1", "MAIN_Height", std::string(5000, '9'));
  store.put("HV-TEST-PROCESS-V1", "AlwaysOnTop_TICKBOX", "3");
  handlers.Form_Load();
  EXPECT_EQ(form.left_, 1000);
  EXPECT_EQ(form.top_, 1000);
  EXPECT_EQ(form.width_, 11040);
  EXPECT_EQ(form.height_, 4410);
  EXPECT_EQ(form.tick_, 1);
  ASSERT_EQ(process.warnings_.size(), 5u);
  EXPECT_THAT(process.warnings_[0], ::testing::AllOf(::testing::HasSubstr("HV-TEST-PROCESS-V1"),
              ::testing::HasSubstr("MAIN_Left"), ::testing::HasSubstr("\"left of centre\"")));
  EXPECT_LT(process.warnings_[3].size(), 300u) << "a huge stored text is cut in the warning";
  // Nothing is rewritten at load: the tick box's default is its design value.
  EXPECT_TRUE(calls_starting("SaveSetting").empty());
  EXPECT_EQ(store.get("HV-TEST-PROCESS-V1", "MAIN_Left"), "left of centre");
}

TEST_F(LoadSequence, WarningsShowControlBytesEscaped) {
  process.name_ = "odd\nname";
  store.put("odd\nname", "MAIN_Left", "12\x1b[31m");
  handlers.Form_Load();
  ASSERT_EQ(process.warnings_.size(), 1u);
  EXPECT_EQ(process.warnings_[0].find('\n'), std::string::npos);
  EXPECT_EQ(process.warnings_[0].find('\x1b'), std::string::npos);
}

using CloseAndExit = HandlersTest;

TEST_F(CloseAndExit, ExitStoresThenUnloadsWhichStoresAgain) {
  form.left_ = -1500;
  form.top_ = 4500;
  form.tick_ = 1;
  handlers.EXIT_BUTTON_Click();
  const std::string left = "SaveSetting HV_TEST_PROCESS/HV-TEST-PROCESS-V1/MAIN_Left=-1500",
                    top = "SaveSetting HV_TEST_PROCESS/HV-TEST-PROCESS-V1/MAIN_Top=4500",
                    tick = "SaveSetting HV_TEST_PROCESS/HV-TEST-PROCESS-V1/AlwaysOnTop_TICKBOX=1";
  std::erase_if(log, [](const std::string& e) { return !e.starts_with("SaveSetting") && e != "unload"; });
  EXPECT_THAT(log, ElementsAre(left, top, tick, "unload", left, top, tick));
}

TEST_F(CloseAndExit, AFailedWriteStopsTheRemainingWrites) {
  store.fail_saves_ = true;
  EXPECT_THROW(handlers.EXIT_BUTTON_Click(), SettingsError);
  EXPECT_EQ(calls_starting("SaveSetting").size(), 1u);
  EXPECT_TRUE(calls_starting("unload").empty());
}

using Keeper = HandlersTest;

// Unless this window (0x100) has the foreground, the window in front when asked again leaves the
// band, the null handle when there is none, and then this window enters it. A window of the
// shell's (0x900, the taskbar) in front keeps its band; with a menu open nothing moves.
TEST_F(Keeper, EachTickDemotesTheWindowInFrontThenPromotesItself) {
  const std::pair<std::vector<WindowHandle>, std::vector<std::string>> cases[] = {
      {{0x200, 0x300}, {"SetWindowPos 768 -2 0 0 0 0 3", "SetWindowPos 256 -1 0 0 0 0 3"}},
      {{0x100}, {}},
      {{}, {"SetWindowPos 0 -2 0 0 0 0 3", "SetWindowPos 256 -1 0 0 0 0 3"}},
      {{0x200, 0x900}, {"SetWindowPos 256 -1 0 0 0 0 3"}}};
  for (const auto& [foregrounds, calls] : cases) {
    placement.foregrounds_ = foregrounds;
    log.clear();
    handlers.AlwaysOnTopTimer_Timer();
    EXPECT_EQ(calls_starting("SetWindowPos"), calls) << foregrounds.size() << " foreground answers";
  }
  placement.foregrounds_ = {0x200}, placement.menu_open_ = true, log.clear();
  handlers.AlwaysOnTopTimer_Timer();
  EXPECT_TRUE(calls_starting("SetWindowPos").empty()) << "with a menu open";
}

}  // namespace
}  // namespace hv::testing
