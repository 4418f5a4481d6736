#include "e2e_fixture.h"

#include <fstream>

namespace hv::e2e {
namespace {

namespace fs = std::filesystem;

using ErrorReport = ProgramTest;

// The report is a message box titled for the program; dismissing it ends the program with 1.
void expect_report_then_exit_one(ProgramCopy& program, const XSession& session,
                                 const std::string& expected_text) {
  const XWindow report = program.wait_for_window("HV_TEST_PROCESS");
  EXPECT_TRUE(program.running()) << "the program waits for the user";
  report.close(true);
  EXPECT_EQ(program.wait_for_exit(), 1);
  const std::string said = program.stderr_text();
  EXPECT_NE(said.find(expected_text), std::string::npos) << said;
  (void)session;
}

TEST_P(ErrorReport, AWriteFailingOnExitNamesTheFileAndTheReason) {
  auto program = copy("LOCKED");
  const fs::path file = program->settings_file();
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "[LOCKED]\nAlwaysOnTop_TICKBOX=0\n";
  fs::permissions(file, fs::perms::owner_read);
  program->start();
  const XWindow window = program->wait_for_window(title_for("LOCKED"));
  ASSERT_TRUE(wait_until([&] { return window.outer_origin() == Point{67, 67}; }));
  click_at(session->display(), exit_button(window));
  expect_report_then_exit_one(*program, *session, file.string() + ": Permission denied");
  std::ifstream in(file);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "[LOCKED]\nAlwaysOnTop_TICKBOX=0\n");
}

TEST_P(ErrorReport, AWriteFailingAtLoadIsReportedBeforeTheWindowShows) {
  auto program = copy("NOWHERE");
  // A plain file where the settings folder belongs: reading finds nothing, writing cannot work.
  fs::create_directories(program->config_home());
  std::ofstream(program->config_home() / "HV_TEST_PROCESS") << "in the way\n";
  program->start();
  // Restoring the default tick (1) over the clear design value is a write, at load.
  expect_report_then_exit_one(*program, *session, "Not a directory");
  EXPECT_FALSE(find_window_by_title(session->display(), title_for("NOWHERE")));
}

INSTANTIATE_TEST_SUITE_P(UnderOpenbox, ErrorReport, ::testing::Values(Wm::Openbox), param_name);

}  // namespace
}  // namespace hv::e2e
