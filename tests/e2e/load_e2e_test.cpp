#include "e2e_fixture.h"

namespace hv::e2e {
namespace {

using UnderLoad = ProgramTest;

// Fifty copies under their own names and ten under one shared name, started together and closed
// together through the window manager.
TEST_P(UnderLoad, SixtyCopiesStartAndCloseTogetherAndEveryRecordIsWhole) {
  std::vector<std::unique_ptr<ProgramCopy>> copies;
  for (int i = 0; i < 50; ++i) {
    copies.push_back(copy("LOAD-" + std::to_string(i)));
  }
  for (int i = 0; i < 10; ++i) {
    // The same file name in ten folders: one section, shared.
    copies.push_back(std::make_unique<ProgramCopy>(*session, dir.path() / ("shared-" + std::to_string(i)),
                                                   "SHARED", ProgramCopy::Link::HardLink));
    copies.back()->set_config_home(dir.path() / "config");
  }
  for (auto& c : copies) c->start();
  ASSERT_TRUE(wait_until([&] { return stacking_order(session->display()).size() >= 60; }, 60s));
  // Each copy settles its frame as it maps; give the last ones that moment before closing.
  for (Window id : stacking_order(session->display())) {
    ASSERT_TRUE(wait_until([&] { return XWindow(session->display(), id).frame_extents().size() == 4; }));
  }
  for (Window id : stacking_order(session->display())) XWindow(session->display(), id).close(true);
  for (auto& c : copies) EXPECT_EQ(c->wait_for_exit(30s), 0);
  int incomplete = 0;
  for (int i = 0; i < 50; ++i) {
    const std::string section = "LOAD-" + std::to_string(i);
    for (const char* key : {"MAIN_Left", "MAIN_Top", "AlwaysOnTop_TICKBOX"}) {
      incomplete += copies[0]->setting(section, key).has_value() ? 0 : 1;
    }
  }
  EXPECT_EQ(incomplete, 0);
  EXPECT_EQ(copies[0]->setting("SHARED", "MAIN_Left"), "1000");
  EXPECT_EQ(copies[0]->setting("SHARED", "AlwaysOnTop_TICKBOX"), "1");
}

// A copy ticking for a minute while another window keeps the foreground: every tick takes the
// keeper's whole path. Under the sanitizers, a leak that grows with ticks fails the exit.
TEST_P(UnderLoad, SixtyTicksLeakNothing) {
#if !defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "a minute of ticks proves something only under the leak checker";
#endif
  auto program = copy("TICKER");
  program->start();
  program->wait_for_window(title_for("TICKER"));
  TestWindow other(session->display(), "OTHER");
  other.window().activate();
  EXPECT_FALSE(wait_until([&] { return !program->running(); }, 61s));
  XWindow(session->display(), *find_window_by_title(session->display(), title_for("TICKER"))).close(true);
  EXPECT_EQ(program->wait_for_exit(30s), 0);
  EXPECT_EQ(program->stderr_text().find("LeakSanitizer"), std::string::npos) << program->stderr_text();
}

INSTANTIATE_TEST_SUITE_P(UnderOpenbox, UnderLoad, ::testing::Values(Wm::Openbox), param_name);

}  // namespace
}  // namespace hv::e2e
