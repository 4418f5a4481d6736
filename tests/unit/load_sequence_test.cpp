#include "handlers_fixture.h"

#include <optional>

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
      "GetSetting HV_TEST_PROCESS/HV-TEST-PROCESS-V1/AlwaysOnTop_TICKBOX", "set_tick_value 1",
      // The box is ticked by design, so restoring the default is no change and stores nothing.
      "set_timer_interval 1000", "set_timer_enabled 1"));
  EXPECT_TRUE(process.warnings_.empty());
}

TEST_F(LoadSequence, StoredValuesAreAppliedAsRead) {
  store.put("HV-TEST-PROCESS-V1", "MAIN_Left", "-20000");
  store.put("HV-TEST-PROCESS-V1", "MAIN_Top", "2235.5");
  store.put("HV-TEST-PROCESS-V1", "MAIN_Width", "6000");
  store.put("HV-TEST-PROCESS-V1", "MAIN_Height", "3000");
  handlers.Form_Load();
  EXPECT_EQ(form.left_, -20000);
  EXPECT_EQ(form.top_, 2235.5f);
  EXPECT_EQ(form.width_, 6000);
  EXPECT_EQ(form.height_, 3000);
}

TEST_F(LoadSequence, EachCopyReadsItsOwnSectionAndShowsItsName) {
  process.name_ = "TEST7";
  store.put("HV-TEST-PROCESS-V1", "MAIN_Left", "5000");
  handlers.Form_Load();
  EXPECT_EQ(form.left_, 1000);
  EXPECT_EQ(form.app_name_, "TEST7.exe");
  EXPECT_EQ(form.title_, "HALVERD - TEST PROCESS - TEST7.exe");
  EXPECT_EQ(calls_starting("GetSetting HV_TEST_PROCESS/TEST7/").size(), 5u);
}

// Restoring a value other than the design value is a change, which stores it at once.
TEST_F(LoadSequence, TheRestoredTickArmsTheTimerOnlyWhenTickedAndStoresOnlyAChange) {
  struct Case {
    std::optional<std::string> stored;
    std::int16_t tick;
    bool armed;
    std::vector<std::string> writes;
  };
  const std::string key = "SaveSetting HV_TEST_PROCESS/HV-TEST-PROCESS-V1/AlwaysOnTop_TICKBOX=";
  const Case cases[] = {{std::nullopt, 1, true, {}},
                        {"1", 1, true, {}},
                        {"0", 0, false, {key + "0"}},
                        {"2", 2, false, {key + "2"}},
                        {"1.5", 2, false, {key + "2"}}};
  for (const Case& c : cases) {
    CallLog log;
    FakeForm form(log);
    FakeStore store(log);
    TestProcessMain handlers(form, store, process, placement);
    form.bind(handlers);
    if (c.stored) store.put("HV-TEST-PROCESS-V1", "AlwaysOnTop_TICKBOX", *c.stored);
    handlers.Form_Load();
    const auto stored = c.stored.value_or("(none)");
    EXPECT_EQ(form.tick_, c.tick) << "stored " << stored;
    EXPECT_EQ(form.timer_on_, c.armed) << "stored " << stored;
    EXPECT_EQ(form.interval_, 1000);
    std::vector<std::string> writes;
    std::copy_if(log.begin(), log.end(), std::back_inserter(writes),
                 [](const std::string& e) { return e.starts_with("SaveSetting"); });
    EXPECT_EQ(writes, c.writes) << "stored " << stored;
  }
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
  EXPECT_NE(process.warnings_[0].find("HV-TEST-PROCESS-V1"), std::string::npos);
  EXPECT_NE(process.warnings_[0].find("MAIN_Left"), std::string::npos);
  EXPECT_NE(process.warnings_[0].find("\"left of centre\""), std::string::npos);
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

TEST_F(LoadSequence, AFailingStoreEndsTheLoadAtThatStep) {
  store.put("HV-TEST-PROCESS-V1", "AlwaysOnTop_TICKBOX", "0");
  store.fail_saves_ = true;
  EXPECT_THROW(handlers.Form_Load(), SettingsError);
  EXPECT_EQ(calls_starting("set_timer").size(), 0u);
}

}  // namespace
}  // namespace hv::testing
