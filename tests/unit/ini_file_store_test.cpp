#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/linux/file_lock.h"
#include "platform/linux/ini_file_store.h"
#include "platform/linux/unique_fd.h"
#include "settings/ini_text.h"
#include "temp_dir.h"

namespace hv::linux_backend {
namespace {

using hv::testing::read_bytes;
using hv::testing::TempDir;
using hv::testing::write_bytes;
namespace fs = std::filesystem;

constexpr std::string_view kApp = "HV_TEST_PROCESS";

class IniFileStoreTest : public ::testing::Test {
 protected:
  fs::path folder() const { return dir.path() / "config" / "HV_TEST_PROCESS"; }
  fs::path file() const { return folder() / "settings.ini"; }
  long entries() const { return std::distance(fs::directory_iterator(folder()), fs::directory_iterator()); }
  void make_file(const std::string& text) {
    fs::create_directories(folder());
    write_bytes(file(), text);
  }

  TempDir dir;
  IniFileStore store{dir.path() / "config"};
};

TEST_F(IniFileStoreTest, ReadingAbsentSettingsGivesDefaultsAndCreatesNothing) {
  EXPECT_EQ(store.GetSetting(kApp, "HV-TEST-PROCESS-V1", "MAIN_Left", 1000), "1000");
  EXPECT_EQ(store.GetSetting(kApp, "HV-TEST-PROCESS-V1", "MAIN_Width", 11040), "11040");
  EXPECT_FALSE(fs::exists(dir.path() / "config"));
  make_file("[other]\nMAIN_Left=5\n");
  EXPECT_EQ(store.GetSetting(kApp, "HV-TEST-PROCESS-V1", "MAIN_Left", 1000), "1000");
  EXPECT_EQ(entries(), 1) << "the file alone: no lock for a read";
}

TEST_F(IniFileStoreTest, WritingCreatesAPrivateFolderAndFileAndLeavesNoTemporary) {
  store.SaveSetting(kApp, "HV-TEST-PROCESS-V1", "MAIN_Left", "2235");
  store.SaveSetting(kApp, "HV-TEST-PROCESS-V1", "MAIN_Top", "4500");
  EXPECT_EQ(read_bytes(file()), "[HV-TEST-PROCESS-V1]\nMAIN_Left=2235\nMAIN_Top=4500\n");
  EXPECT_EQ(store.GetSetting(kApp, "HV-TEST-PROCESS-V1", "MAIN_Left", 1000), "2235");
  EXPECT_EQ(fs::status(folder()).permissions(), fs::perms::owner_all);
  EXPECT_EQ(fs::status(file()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(entries(), 2) << "the file and its lock: no temporary left";
}

TEST_F(IniFileStoreTest, NoFolderIsCreatedInsideAReadOnlyOne) {
  const fs::path config = folder().parent_path();
  fs::create_directories(config);
  fs::permissions(config, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_THROW(store.SaveSetting(kApp, "A", "k", "1"), SettingsError);
  fs::permissions(config, fs::perms::owner_all);
  EXPECT_FALSE(fs::exists(folder()));
  store.SaveSetting(kApp, "A", "k", "1");
  EXPECT_EQ(read_bytes(file()), "[A]\nk=1\n") << "a missing folder is made once it may be";
}

// A settings file kept as a link into a dotfiles folder stays a link: the write, its lock and its
// temporary file go where the link leads, and the file keeps the mode the user gave it.
TEST_F(IniFileStoreTest, AFileKeptAsALinkIsWrittenWhereItLeadsAndKeepsItsMode) {
  const fs::path dotfiles = dir.path() / "dotfiles" / "hv", target = dotfiles / "hv.ini";
  fs::create_directories(dotfiles);
  write_bytes(target, "[A]\nk=0\n");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
  fs::create_directories(folder());
  fs::create_symlink("../../dotfiles/hv/hv.ini", file());
  store.SaveSetting(kApp, "A", "k", "1");
  EXPECT_TRUE(fs::is_symlink(file()));
  EXPECT_EQ(read_bytes(target), "[A]\nk=1\n");
  EXPECT_EQ(fs::status(target).permissions(), fs::perms(0644));
  EXPECT_EQ(entries(), 1) << "the link alone";
  EXPECT_EQ(std::distance(fs::directory_iterator(dotfiles), fs::directory_iterator()), 2) << "the file and its lock";
}

// A copy's close stores its place and its tick box in one replacement of the file: where one value
// cannot be stored, none is.
TEST_F(IniFileStoreTest, ValuesSavedTogetherAreStoredAllOrNone) {
  const SettingsStorage::Value broken[] = {{"MAIN_Left", "2235"}, {"MAIN_Top", "4500"}, {"AlwaysOnTop_TICKBOX", "1\n[X]"}};
  EXPECT_THROW(store.SaveSettings(kApp, "A", broken), SettingsError);
  EXPECT_FALSE(fs::exists(file()));
  make_file("[A]\nMAIN_Left=1\n");
  EXPECT_THROW(store.SaveSettings(kApp, "A", broken), SettingsError);
  EXPECT_EQ(read_bytes(file()), "[A]\nMAIN_Left=1\n");
  const SettingsStorage::Value place[] = {{"MAIN_Left", "2235"}, {"MAIN_Top", "4500"}, {"AlwaysOnTop_TICKBOX", "0"}};
  store.SaveSettings(kApp, "A", place);
  EXPECT_EQ(read_bytes(file()), "[A]\nMAIN_Left=2235\nMAIN_Top=4500\nAlwaysOnTop_TICKBOX=0\n");
}

// The store never writes what it could not read back: a write that would take the file past the
// 16 MB it reads is refused and changes nothing, and the file still reads.
TEST_F(IniFileStoreTest, AWriteThatWouldPassTheReadLimitChangesNothing) {
  const std::string header = "[A]\nk=1\n", filler(16 * 1024 * 1024 - header.size() - 40, ';');
  make_file(header + filler + "\n");
  const std::string before = read_bytes(file());
  EXPECT_THROW(store.SaveSetting(kApp, "A", "MAIN_Left", std::string(64, '7')), SettingsError);
  EXPECT_EQ(read_bytes(file()), before);
  EXPECT_EQ(store.GetSetting(kApp, "A", "k", 0), "1");
  store.SaveSetting(kApp, "A", "k", "2");  // one that fits
  EXPECT_EQ(store.GetSetting(kApp, "A", "k", 0), "2");
}

// What reading costs follows the file's bytes, not its lines: sixteen million empty lines are read
// (in a child, whose peak memory is its own) with far less than the 1.3 GB a record per line took.
TEST_F(IniFileStoreTest, SixteenMegabytesOfEmptyLinesAreReadInBoundedMemory) {
  make_file(std::string(16 * 1024 * 1024 - 16, '\n') + "[A]\nk=5\n");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    rusage before {}, after {};
    ::getrusage(RUSAGE_SELF, &before);
    const bool found = store.GetSetting(kApp, "A", "k", 0) == "5";
    ::getrusage(RUSAGE_SELF, &after);
    ::_exit(found ? (after.ru_maxrss - before.ru_maxrss) / 1024 / 16 : 255);  // in steps of 16 MB
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_NE(WEXITSTATUS(status), 255) << "the value was not found";
  EXPECT_LE(WEXITSTATUS(status) * 16, 96) << "MB more at the peak than before the read";
}

// A lock held by a process that changes nothing is given up on within the patience asked for,
// saying why; one the holder lets go of in time is taken.
TEST_F(IniFileStoreTest, AHeldLockIsGivenUpOnAndAFreedOneTaken) {
  store.SaveSetting(kApp, "A", "k", "1");
  const fs::path lock_file = file().string() + ".lock";
  UniqueFd held(::open(lock_file.c_str(), O_RDWR | O_CLOEXEC));
  ASSERT_EQ(::flock(held.get(), LOCK_EX), 0);
  const UniqueFd folder_fd(::open(folder().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  const LockPatience brief{std::chrono::milliseconds(200), std::chrono::milliseconds(2000)};
  try {
    lock_in(folder_fd.get(), "settings.ini.lock", lock_file, brief);
    ADD_FAILURE() << "the lock was taken while held";
  } catch (const SettingsError& error) {
    EXPECT_EQ(std::string(error.what()), "cannot lock " + lock_file.string() +
                                             ": another process has held it without letting go for 0.2 s");
  }
  held.reset();
  EXPECT_TRUE(lock_in(folder_fd.get(), "settings.ini.lock", lock_file, brief));
}

// A lock that keeps passing on (here one holder that stamps it as each new holder does) is waited
// for beyond the idle limit, up to the longest wait, and then refused for that.
TEST_F(IniFileStoreTest, ALockPassingOnIsWaitedForUpToTheLongestWait) {
  store.SaveSetting(kApp, "A", "k", "1");
  const fs::path lock_file = file().string() + ".lock";
  UniqueFd held(::open(lock_file.c_str(), O_RDWR | O_CLOEXEC));
  ASSERT_EQ(::flock(held.get(), LOCK_EX), 0);
  std::atomic<bool> done = false;
  std::thread passing([&] {
    while (!done) ::futimens(held.get(), nullptr), std::this_thread::sleep_for(std::chrono::milliseconds(10));
  });
  const UniqueFd folder_fd(::open(folder().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  try {
    lock_in(folder_fd.get(), "settings.ini.lock", lock_file, {std::chrono::milliseconds(500), std::chrono::milliseconds(1500)});
    ADD_FAILURE() << "the lock was taken while held";
  } catch (const SettingsError& error) {
    EXPECT_EQ(std::string(error.what()), "cannot lock " + lock_file.string() + ": other processes have held it in turn for 1.5 s");
  }
  done = true;
  passing.join();
}

// Root with a user's XDG_CONFIG_HOME (sudo -E) works there as the user would: what it makes is
// the user's without being handed over, and a file the user could not read stays unread.
TEST_F(IniFileStoreTest, RootInAUsersFolderWorksAsTheUserWould) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can act as another user";
  constexpr uid_t kUser = 4321;
  constexpr gid_t kGroup = 4322;
  fs::permissions(dir.path(), fs::perms(0755)), fs::create_directories(folder().parent_path());
  ASSERT_EQ(::chown(folder().parent_path().c_str(), kUser, kGroup), 0);
  store.SaveSetting(kApp, "A", "k", "1");  // makes the folder, the file and the lock
  for (const auto& made : {folder(), file(), fs::path(file().string() + ".lock")}) {
    struct stat info {};
    EXPECT_TRUE(::stat(made.c_str(), &info) == 0 && info.st_uid == kUser && info.st_gid == kGroup) << made;
  }
  ASSERT_EQ(::chown(file().c_str(), 0, 0), 0);  // root's own, private: the user cannot read it
  EXPECT_THROW(store.SaveSetting(kApp, "A", "k", "2"), SettingsError);
  EXPECT_EQ(read_bytes(file()), "[A]\nk=1\n");
}

// Only an absolute XDG_CONFIG_HOME counts; otherwise the folder is under HOME.
TEST(ConfigHome, FollowsXdgConfigHomeThenHome) {
  ::setenv("HOME", "/home/tester", 1);
  for (const auto& [xdg, home] : {std::pair<const char*, const char*>{"/tmp/xdg-here", "/tmp/xdg-here"},
                                  {"relative/ignored", "/home/tester/.config"}, {nullptr, "/home/tester/.config"}}) {
    xdg ? ::setenv("XDG_CONFIG_HOME", xdg, 1) : ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(config_home_from_environment(), home) << (xdg ? xdg : "(unset)");
  }
}

}  // namespace
}  // namespace hv::linux_backend
