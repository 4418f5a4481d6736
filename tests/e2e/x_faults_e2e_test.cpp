#include <sys/wait.h>

#include "e2e_fixture.h"

namespace hv::e2e {
namespace {

using XFaults = ProgramTest;

TEST_P(XFaults, AKilledAndRestartedWindowManagerLeavesCopiesRunningWhereTheyWere) {
  auto first = copy("SURVIVOR-1");
  auto second = copy("SURVIVOR-2");
  first->start();
  const XWindow a = first->wait_for_window(title_for("SURVIVOR-1"));
  ASSERT_TRUE(wait_until([&] { return a.outer_origin() == Point{67, 67}; }));
  a.move_outer_to({300, 200}, true);
  ASSERT_TRUE(wait_until([&] { return a.outer_origin() == Point{300, 200}; }));
  second->start();
  const XWindow b = second->wait_for_window(title_for("SURVIVOR-2"));
  ASSERT_TRUE(wait_until([&] { return b.outer_origin() == Point{67, 67}; }));

  session->restart_window_manager();
  ASSERT_TRUE(wait_until([&] { return a.frame_extents().size() == 4 && b.frame_extents().size() == 4; }));
  EXPECT_TRUE(first->running());
  EXPECT_TRUE(second->running());
  EXPECT_TRUE(wait_until([&] { return a.outer_origin() == Point{300, 200}; }));
  a.close(true);
  b.close(true);
  EXPECT_EQ(first->wait_for_exit(), 0);
  EXPECT_EQ(second->wait_for_exit(), 0);
  EXPECT_EQ(first->setting("SURVIVOR-1", "MAIN_Left"), "4500");
  EXPECT_EQ(first->setting("SURVIVOR-1", "MAIN_Top"), "3000");
  EXPECT_EQ(second->setting("SURVIVOR-2", "MAIN_Left"), "1000");
  EXPECT_EQ(first->stderr_text() + second->stderr_text(), "");
}

TEST_P(XFaults, ALostXServerEndsTheCopyAtOnceWithAClearMessage) {
  auto program = copy("ORPHAN");
  program->start();
  program->wait_for_window(title_for("ORPHAN"));
  session->kill_server();
  const auto status = program->wait_for_exit(5s);
  ASSERT_TRUE(status.has_value()) << "the copy hung";
  EXPECT_EQ(*status, 1) << "a signal's status would be 128 and more";
  EXPECT_NE(program->stderr_text().find("lost the connection to the X server"), std::string::npos)
      << program->stderr_text();
}

INSTANTIATE_TEST_SUITE_P(UnderEachWindowManager, XFaults, ::testing::Values(Wm::Openbox, Wm::Icewm),
                         param_name);

}  // namespace
}  // namespace hv::e2e
