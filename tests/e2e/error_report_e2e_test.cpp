#include "e2e_fixture.h"

#include <algorithm>
#include <cstdlib>
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
  std::ofstream(file) << "[LOCKED]\nAlwaysOnTop_TICKBOX=1\n";
  fs::permissions(file, fs::perms::owner_read);
  program->start();
  const XWindow window = program->wait_for_window(title_for("LOCKED"));
  ASSERT_TRUE(wait_until([&] { return window.outer_origin() == Point{67, 67}; }));
  click_at(session->display(), exit_button(window));
  expect_report_then_exit_one(*program, *session, file.string() + ": Permission denied");
  std::ifstream in(file);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "[LOCKED]\nAlwaysOnTop_TICKBOX=1\n");
}

TEST_P(ErrorReport, AWriteFailingAtLoadIsReportedBeforeTheWindowShows) {
  auto program = copy("NOWHERE");
  const fs::path file = program->settings_file();
  fs::create_directories(file.parent_path());
  // Restoring a clear box over the ticked design value is a change, stored at load.
  std::ofstream(file) << "[NOWHERE]\nAlwaysOnTop_TICKBOX=0\n";
  fs::permissions(file, fs::perms::owner_read);
  program->start();
  const XWindow report = program->wait_for_window("HV_TEST_PROCESS");
  EXPECT_FALSE(find_window_by_title(session->display(), title_for("NOWHERE")))
      << "the window is not shown after a failed load";
  report.close(true);
  EXPECT_EQ(program->wait_for_exit(), 1);
  EXPECT_NE(program->stderr_text().find(file.string() + ": Permission denied"), std::string::npos);
}

TEST_P(ErrorReport, AFirstStartUnderAReadOnlyFolderOpensAndFailsOnlyOnClose) {
  auto program = copy("FIRST-RO");
  const fs::path folder = program->settings_file().parent_path();
  fs::create_directories(folder);
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  program->start();
  const XWindow window = program->wait_for_window(title_for("FIRST-RO"));
  ASSERT_TRUE(wait_until([&] { return window.outer_origin() == Point{67, 67}; }));
  click_at(session->display(), exit_button(window));
  expect_report_then_exit_one(*program, *session, "Permission denied");
  fs::permissions(folder, fs::perms::owner_all);
  EXPECT_TRUE(fs::is_empty(folder)) << "nothing is created in a read-only folder";
}

std::string contents(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_P(ErrorReport, AReadOnlySettingsFolderIsReportedAndLeftAlone) {
  auto program = copy("RO-FOLDER");
  const fs::path file = program->settings_file();
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "[RO-FOLDER]\nAlwaysOnTop_TICKBOX=1\n";
  fs::permissions(file.parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
  program->start();
  const XWindow window = program->wait_for_window(title_for("RO-FOLDER"));
  ASSERT_TRUE(wait_until([&] { return window.outer_origin() == Point{67, 67}; }));
  click_at(session->display(), exit_button(window));
  expect_report_then_exit_one(*program, *session, file.string() + ": Permission denied");
  EXPECT_EQ(contents(file), "[RO-FOLDER]\nAlwaysOnTop_TICKBOX=1\n");
  fs::permissions(file.parent_path(), fs::perms::owner_all);
  EXPECT_FALSE(fs::exists(file.string() + ".lock")) << "nothing is created in a read-only folder";
}

TEST_P(ErrorReport, AFolderWhereTheFileBelongsIsReportedAtLoad) {
  auto program = copy("DIR-FILE");
  fs::create_directories(program->settings_file());
  program->start();
  expect_report_then_exit_one(*program, *session, program->settings_file().string() + ": Is a directory");
  EXPECT_TRUE(fs::is_directory(program->settings_file()));
}

// A full disk, as a tiny file system of its own where the machine lets the test mount one.
TEST_P(ErrorReport, AFullDiskIsReportedAndTheOldFileKept) {
  auto program = copy("FULL");
  const fs::path mount_point = program->config_home();
  fs::create_directories(mount_point);
  if (std::system(("mount -t tmpfs -o size=64k tmpfs " + mount_point.string() + " 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "cannot mount a small file system here";
  }
  struct Unmount {
    fs::path at;
    ~Unmount() { std::system(("umount " + at.string()).c_str()); }
  } unmount{mount_point};
  const fs::path file = program->settings_file();
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "[FULL]\nAlwaysOnTop_TICKBOX=1\n";
  {
    std::ofstream filler(mount_point / "filler", std::ios::binary);
    const std::string block(1024, 'x');
    while (filler.write(block.data(), block.size()) && filler.flush()) {
    }
  }
  program->start();
  const XWindow window = program->wait_for_window(title_for("FULL"));
  ASSERT_TRUE(wait_until([&] { return window.outer_origin() == Point{67, 67}; }));
  click_at(session->display(), exit_button(window));
  expect_report_then_exit_one(*program, *session, file.string() + ": No space left on device");
  EXPECT_EQ(contents(file), "[FULL]\nAlwaysOnTop_TICKBOX=1\n");
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(file.parent_path())) left.push_back(entry.path().filename());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"settings.ini", "settings.ini.lock"}));
}

INSTANTIATE_TEST_SUITE_P(UnderOpenbox, ErrorReport, ::testing::Values(Wm::Openbox), param_name);

}  // namespace
}  // namespace hv::e2e
