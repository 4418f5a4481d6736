// The settings file under many writers at once and under writers killed mid-write.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <set>
#include <thread>

#include "../unit/temp_dir.h"
#include "platform/linux/ini_file_store.h"
#include "settings/ini_text.h"

namespace hv::linux_backend {
namespace {

namespace fs = std::filesystem;
using hv::testing::read_bytes;

constexpr std::string_view kApp = "HV_TEST_PROCESS";

bool only_the_file_and_its_lock(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names == std::set<std::string>{"settings.ini", "settings.ini.lock"};
}

// Each writer stores its own section and a shared one, over and over: no last value may be lost.
TEST(StoreUnderStress, SixtyFourWritersLoseNothing) {
  constexpr int kWriters = 64, kRounds = 200;
  const hv::testing::TempDir dir;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    if (const pid_t pid = fork(); pid != 0) {
      children.push_back(pid);
      continue;
    }
    try {
      IniFileStore store(dir.path());
      for (int r = 0; r < kRounds; ++r) {
        store.SaveSetting(kApp, "copy-" + std::to_string(w), "MAIN_Left", std::to_string(r));
        store.SaveSetting(kApp, "shared", "MAIN_Left", std::to_string(w) + "." + std::to_string(r));
      }
    } catch (...) {
      _exit(1);
    }
    _exit(0);
  }
  int failed = 0, lost = 0;
  for (pid_t pid : children) {
    int status = 0;
    failed += waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
  }
  EXPECT_EQ(failed, 0);
  const fs::path file = dir.path() / "HV_TEST_PROCESS" / "settings.ini";
  const std::string text = read_bytes(file), last = std::to_string(kRounds - 1);
  for (int w = 0; w < kWriters; ++w) lost += ini_find_value(text, "copy-" + std::to_string(w), "MAIN_Left") == last ? 0 : 1;
  EXPECT_EQ(lost, 0) << "private sections without their last value";
  EXPECT_TRUE(ini_find_value(text, "shared", "MAIN_Left").value_or("").ends_with("." + last));
  EXPECT_TRUE(only_the_file_and_its_lock(file.parent_path()));
}

// A writer killed at a random moment leaves the old file or the new one, never a torn one, and the
// next write clears whatever temporary file it left. A temporary file left behind shows that the
// kill landed inside a write, which some kills must do for the test to mean anything.
TEST(StoreUnderStress, WritersKilledMidWriteNeverTearTheFile) {
  const hv::testing::TempDir dir;
  IniFileStore store(dir.path());
  const fs::path file = dir.path() / "HV_TEST_PROCESS" / "settings.ini";
  store.SaveSetting(kApp, "other", "MAIN_Top", "42");
  std::mt19937 random(20261207);
  int torn = 0, killed_mid_write = 0, debris_after_next_write = 0;
  for (int kill_count = 0; kill_count < 300; ++kill_count) {
    store.SaveSetting(kApp, "victim", "MAIN_Left", "0");
    const pid_t pid = fork();
    if (pid == 0) {
      IniFileStore writer(dir.path());
      for (long n = 1;; ++n) writer.SaveSetting(kApp, "victim", "MAIN_Left", std::to_string(n));
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    const std::string text = read_bytes(file);
    const std::string left = ini_find_value(text, "victim", "MAIN_Left").value_or("");
    torn += !left.empty() && text == "[other]\nMAIN_Top=42\n\n[victim]\nMAIN_Left=" + left + "\n" ? 0 : 1;
    killed_mid_write += only_the_file_and_its_lock(file.parent_path()) ? 0 : 1;
    store.SaveSetting(kApp, "victim", "MAIN_Left", "0");
    debris_after_next_write += only_the_file_and_its_lock(file.parent_path()) ? 0 : 1;
  }
  EXPECT_EQ(torn, 0) << "of 300 kills";
  EXPECT_GT(killed_mid_write, 0) << "no kill of 300 landed inside a write";
  EXPECT_EQ(debris_after_next_write, 0);
}

}  // namespace
}  // namespace hv::linux_backend
