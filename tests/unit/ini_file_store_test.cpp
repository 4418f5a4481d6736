#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "platform/linux/ini_file_store.h"
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

// Root with a user's XDG_CONFIG_HOME (sudo -E) works there as the user would: what it makes is
// the user's without being handed over, and a file the user could not read stays unread.
TEST_F(IniFileStoreTest, RootInAUsersFolderWorksAsTheUserWould) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can act as another user";
  constexpr uid_t kUser = 4321;
  fs::permissions(dir.path(), fs::perms(0755)), fs::create_directories(folder().parent_path());
  ASSERT_EQ(::chown(folder().parent_path().c_str(), kUser, kUser), 0);
  store.SaveSetting(kApp, "A", "k", "1");  // makes the folder, the file and the lock
  for (const auto& made : {folder(), file(), fs::path(file().string() + ".lock")}) {
    struct stat info {};
    EXPECT_TRUE(::stat(made.c_str(), &info) == 0 && info.st_uid == kUser && info.st_gid == kUser) << made;
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
