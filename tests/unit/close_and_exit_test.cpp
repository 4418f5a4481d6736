#include "handlers_fixture.h"

namespace hv::testing {
namespace {

using ::testing::ElementsAre;

using CloseAndExit = HandlersTest;

TEST_F(CloseAndExit, ClosingStoresPositionAndTickBoxInOrder) {
  form.left_ = 3000;
  form.top_ = 2000;
  form.tick_ = 0;
  bool cancel = false;
  handlers.Form_Unload(cancel);
  EXPECT_FALSE(cancel);
  EXPECT_THAT(calls_starting("SaveSetting"),
              ElementsAre("SaveSetting HV_TEST_PROCESS/HV-TEST-PROCESS-V1/MAIN_Left=3000",
                          "SaveSetting HV_TEST_PROCESS/HV-TEST-PROCESS-V1/MAIN_Top=2000",
                          "SaveSetting HV_TEST_PROCESS/HV-TEST-PROCESS-V1/AlwaysOnTop_TICKBOX=0"));
}

TEST_F(CloseAndExit, ExitStoresThenUnloadsWhichStoresAgain) {
  form.left_ = -1500;
  form.top_ = 4500;
  form.tick_ = 1;
  handlers.EXIT_BUTTON_Click();
  const std::vector<std::string> writes{
      "SaveSetting HV_TEST_PROCESS/HV-TEST-PROCESS-V1/MAIN_Left=-1500",
      "SaveSetting HV_TEST_PROCESS/HV-TEST-PROCESS-V1/MAIN_Top=4500",
      "SaveSetting HV_TEST_PROCESS/HV-TEST-PROCESS-V1/AlwaysOnTop_TICKBOX=1"};
  std::vector<std::string> expected = writes;
  expected.push_back("unload");
  expected.insert(expected.end(), writes.begin(), writes.end());
  std::vector<std::string> seen;
  std::copy_if(log.begin(), log.end(), std::back_inserter(seen),
               [](const std::string& e) { return e.starts_with("SaveSetting") || e == "unload"; });
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(std::count(log.begin(), log.end(), "unload"), 1);
}

TEST_F(CloseAndExit, WidthAndHeightAreNeverWritten) {
  store.put("HV-TEST-PROCESS-V1", "MAIN_Width", "6000");
  handlers.Form_Load();
  handlers.EXIT_BUTTON_Click();
  for (const auto& call : calls_starting("SaveSetting")) {
    EXPECT_EQ(call.find("MAIN_Width"), std::string::npos);
    EXPECT_EQ(call.find("MAIN_Height"), std::string::npos);
  }
  EXPECT_EQ(store.get("HV-TEST-PROCESS-V1", "MAIN_Width"), "6000");
}

TEST_F(CloseAndExit, FractionsUseTheUsersSeparatorAndReadBackAnywhere) {
  process.separator_ = ',';
  form.left_ = 1234.5f;
  form.top_ = 0.25f;
  bool cancel = false;
  handlers.Form_Unload(cancel);
  EXPECT_EQ(store.get("HV-TEST-PROCESS-V1", "MAIN_Left"), "1234,5");
  process.separator_ = '.';
  handlers.Form_Load();
  EXPECT_EQ(form.left_, 1234.5f);
  EXPECT_EQ(form.top_, 0.25f);
}

TEST_F(CloseAndExit, AFailedWriteStopsTheRemainingWrites) {
  store.fail_saves_ = true;
  EXPECT_THROW(handlers.EXIT_BUTTON_Click(), SettingsError);
  EXPECT_EQ(calls_starting("SaveSetting").size(), 1u);
  EXPECT_TRUE(calls_starting("unload").empty());
}

TEST_F(CloseAndExit, DoubleClickOnTheCreditShowsTheContactAndWritesNothing) {
  handlers.CREATOR_TEXTBOX_DblClick();
  handlers.CREATOR_TEXTBOX_DblClick();
  EXPECT_EQ(form.creator_, "malvoric@example.com");
  EXPECT_TRUE(calls_starting("SaveSetting").empty());
}

}  // namespace
}  // namespace hv::testing
