#include "handlers_fixture.h"

namespace hv::testing {
namespace {

using ::testing::ElementsAre;

using Keeper = HandlersTest;

TEST_F(Keeper, DemotesTheForegroundWindowThenPromotesItself) {
  placement.foregrounds_ = {0x200, 0x300};
  handlers.AlwaysOnTopTimer_Timer();
  EXPECT_THAT(log, ElementsAre("handle", "GetForegroundWindow", "GetForegroundWindow",
                               "SetWindowPos 768 -2 0 0 0 0 3",  // the second answer, 0x300
                               "handle", "SetWindowPos 256 -1 0 0 0 0 3"));
}

TEST_F(Keeper, DoesNothingWhileItHasTheForeground) {
  placement.foregrounds_ = {0x100};
  handlers.AlwaysOnTopTimer_Timer();
  EXPECT_THAT(log, ElementsAre("handle", "GetForegroundWindow"));
}

TEST_F(Keeper, WithNoForegroundTheFirstPlacementGetsTheNullHandle) {
  handlers.AlwaysOnTopTimer_Timer();
  EXPECT_THAT(log, ElementsAre("handle", "GetForegroundWindow", "GetForegroundWindow",
                               "SetWindowPos 0 -2 0 0 0 0 3", "handle",
                               "SetWindowPos 256 -1 0 0 0 0 3"));
}

TEST_F(Keeper, AFailingPlacementIsIgnored) {
  placement.foregrounds_ = {0x200};
  placement.succeed_ = false;
  EXPECT_NO_THROW(handlers.AlwaysOnTopTimer_Timer());
  EXPECT_EQ(calls_starting("SetWindowPos").size(), 2u);
}

TEST_F(Keeper, TickBoxClicksStoreAtOnceAndLeaveTheTimerAlone) {
  handlers.Form_Load();
  log.clear();
  form.click_tick_box();
  form.click_tick_box();
  EXPECT_THAT(log, ElementsAre(
      "SaveSetting HV_TEST_PROCESS/HV-TEST-PROCESS-V1/AlwaysOnTop_TICKBOX=0",
      "SaveSetting HV_TEST_PROCESS/HV-TEST-PROCESS-V1/AlwaysOnTop_TICKBOX=1"));
  EXPECT_TRUE(form.timer_on_);
}

}  // namespace
}  // namespace hv::testing
