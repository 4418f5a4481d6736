// The settings file under many writers at once and under writers killed mid-write.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "../unit/temp_dir.h"
#include "platform/linux/ini_file_store.h"
#include "settings/ini_text.h"

namespace hv::linux_backend {
namespace {

namespace fs = std::filesystem;
using hv::testing::read_bytes;
using hv::testing::TempDir;

constexpr std::string_view kApp = "HV_TEST_PROCESS";

std::vector<std::string> entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

int env_count(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text ? std::atoi(text) : fallback;
}

TEST(StoreUnderStress, SixtyFourWritersLoseNothing) {
  const int writers = env_count("HV_STRESS_WRITERS", 64);
  const int rounds = env_count("HV_STRESS_ROUNDS", 200);
  TempDir dir;
  std::vector<pid_t> children;
  for (int w = 0; w < writers; ++w) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      try {
        IniFileStore store(dir.path());
        for (int r = 0; r < rounds; ++r) {
          store.SaveSetting(kApp, "copy-" + std::to_string(w), "MAIN_Left", std::to_string(r));
          store.SaveSetting(kApp, "shared", "MAIN_Left", std::to_string(w) + "." + std::to_string(r));
        }
      } catch (...) {
        _exit(1);
      }
      _exit(0);
    }
    children.push_back(pid);
  }
  int failed = 0;
  for (pid_t pid : children) {
    int status = 0;
    const bool waited = waitpid(pid, &status, 0) == pid;
    failed += waited && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
  }
  EXPECT_EQ(failed, 0);
  const fs::path file = dir.path() / "HV_TEST_PROCESS" / "settings.ini";
  const std::string text = read_bytes(file);
  int lost = 0;
  for (int w = 0; w < writers; ++w) {
    lost += ini_find_value(text, "copy-" + std::to_string(w), "MAIN_Left") == std::to_string(rounds - 1) ? 0 : 1;
  }
  EXPECT_EQ(lost, 0) << "private sections without their last value";
  const auto shared = ini_find_value(text, "shared", "MAIN_Left");
  ASSERT_TRUE(shared);
  EXPECT_TRUE(shared->ends_with("." + std::to_string(rounds - 1))) << *shared;
  EXPECT_EQ(entries(file.parent_path()), (std::vector<std::string>{"settings.ini", "settings.ini.lock"}));
  RecordProperty("writes", writers * rounds * 2);
}

// A writer killed at a random moment leaves the old file or the new one, never a torn one, and the
// next write clears whatever temporary file it left.
TEST(StoreUnderStress, WritersKilledMidWriteNeverTearTheFile) {
  const int kills = env_count("HV_STRESS_KILLS", 300);
  TempDir dir;
  IniFileStore store(dir.path());
  const fs::path file = dir.path() / "HV_TEST_PROCESS" / "settings.ini";
  store.SaveSetting(kApp, "other", "MAIN_Top", "42");
  store.SaveSetting(kApp, "victim", "MAIN_Left", "0");
  std::mt19937 random(20261207);
  int torn = 0, debris_after_next_write = 0;
  for (int k = 0; k < kills; ++k) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      IniFileStore writer(dir.path());
      for (long n = 1;; ++n) writer.SaveSetting(kApp, "victim", "MAIN_Left", std::to_string(n));
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    const std::string text = read_bytes(file);
    const auto left = ini_find_value(text, "victim", "MAIN_Left");
    const bool whole = left && !left->empty() &&
                       text == "[other]\nMAIN_Top=42\n\n[victim]\nMAIN_Left=" + *left + "\n";
    torn += whole ? 0 : 1;
    store.SaveSetting(kApp, "victim", "MAIN_Left", "0");
    debris_after_next_write +=
        entries(file.parent_path()) == std::vector<std::string>{"settings.ini", "settings.ini.lock"} ? 0 : 1;
  }
  EXPECT_EQ(torn, 0) << "of " << kills << " kills";
  EXPECT_EQ(debris_after_next_write, 0);
}

}  // namespace
}  // namespace hv::linux_backend
