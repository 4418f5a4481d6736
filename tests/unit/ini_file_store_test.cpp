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

using hv::testing::EnvGuard;
using hv::testing::read_bytes;
using hv::testing::TempDir;
using hv::testing::write_bytes;
namespace fs = std::filesystem;

constexpr std::string_view kApp = "HV_TEST_PROCESS";

class IniFileStoreTest : public ::testing::Test {
 protected:
  fs::path folder() const { return dir.path() / "config" / "HV_TEST_PROCESS"; }
  fs::path file() const { return folder() / "settings.ini"; }
  std::vector<std::string> folder_entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
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
  EXPECT_EQ(folder_entries(), std::vector<std::string>{"settings.ini"});
}

TEST_F(IniFileStoreTest, WritingCreatesAPrivateFolderAndFileAndLeavesNoTemporary) {
  store.SaveSetting(kApp, "HV-TEST-PROCESS-V1", "MAIN_Left", "2235");
  store.SaveSetting(kApp, "HV-TEST-PROCESS-V1", "MAIN_Top", "4500");
  EXPECT_EQ(read_bytes(file()), "[HV-TEST-PROCESS-V1]\nMAIN_Left=2235\nMAIN_Top=4500\n");
  EXPECT_EQ(store.GetSetting(kApp, "HV-TEST-PROCESS-V1", "MAIN_Left", 1000), "2235");
  EXPECT_EQ(fs::status(folder()).permissions(), fs::perms::owner_all);
  EXPECT_EQ(fs::status(file()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(folder_entries(), (std::vector<std::string>{"settings.ini", "settings.ini.lock"}));
}

TEST_F(IniFileStoreTest, AHandEditedFileKeepsEveryOtherByte) {
  const std::string before =
      "; my notes\r\n[HV-TEST-PROCESS-V1]\r\nMAIN_Width = 6000\r\nMAIN_Left=1\r\nmystery\r\n"
      "[COPY-2]\nMAIN_Left=7\n\xc3\x28 not utf-8\n";
  make_file(before);
  EXPECT_EQ(store.GetSetting(kApp, "HV-TEST-PROCESS-V1", "MAIN_Width", 11040), "6000");
  store.SaveSetting(kApp, "HV-TEST-PROCESS-V1", "MAIN_Left", "3000");
  std::string expected = before;
  expected.replace(expected.find("MAIN_Left=1"), 11, "MAIN_Left=3000");
  EXPECT_EQ(read_bytes(file()), expected);
}

TEST_F(IniFileStoreTest, HostileSectionNamesStayApart) {
  const std::vector<std::string> names{"a]b", "x\n[y]", " pad ", "=", "%", "\xfe\xff", "тест"};
  for (std::size_t i = 0; i < names.size(); ++i) {
    store.SaveSetting(kApp, names[i], "MAIN_Left", std::to_string(i));
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(store.GetSetting(kApp, names[i], "MAIN_Left", -1), std::to_string(i)) << names[i];
  }
  EXPECT_EQ(store.GetSetting(kApp, "y", "MAIN_Left", -1), "-1");
  EXPECT_NE(read_bytes(file()).find("[тест]\n"), std::string::npos);
}

TEST_F(IniFileStoreTest, AKilledWritersTemporaryIsClearedByTheNextWrite) {
  make_file("[A]\nk=1\n");
  write_bytes(folder() / "settings.ini.tmp-Ab12Cd", "[A]\nk=half");
  store.SaveSetting(kApp, "A", "k", "2");
  EXPECT_EQ(folder_entries(), (std::vector<std::string>{"settings.ini", "settings.ini.lock"}));
  EXPECT_EQ(read_bytes(file()), "[A]\nk=2\n");
}

TEST_F(IniFileStoreTest, AReadOnlyFileIsLeftAsItWasAndTheErrorNamesIt) {
  make_file("[A]\nk=1\n");
  fs::permissions(file(), fs::perms::owner_read);
  try {
    store.SaveSetting(kApp, "A", "k", "2");
    FAIL() << "a read-only file was replaced";
  } catch (const SettingsError& error) {
    EXPECT_NE(std::string(error.what()).find(file().string()), std::string::npos) << error.what();
    EXPECT_NE(std::string(error.what()).find("Permission denied"), std::string::npos);
  }
  EXPECT_EQ(read_bytes(file()), "[A]\nk=1\n");
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

TEST_F(IniFileStoreTest, AFolderWhereTheFileShouldBeIsAnErrorForReadAndWrite) {
  fs::create_directories(file());
  EXPECT_THROW(store.GetSetting(kApp, "A", "k", 1), SettingsError);
  EXPECT_THROW(store.SaveSetting(kApp, "A", "k", "1"), SettingsError);
}

TEST_F(IniFileStoreTest, AFileWhereTheFolderShouldBeIsAnError) {
  fs::create_directories(dir.path() / "config");
  write_bytes(folder(), "not a folder");
  EXPECT_EQ(store.GetSetting(kApp, "A", "k", 1), "1");
  try {
    store.SaveSetting(kApp, "A", "k", "1");
    FAIL() << "wrote through a file";
  } catch (const SettingsError& error) {
    EXPECT_NE(std::string(error.what()).find(folder().string()), std::string::npos) << error.what();
  }
}

TEST_F(IniFileStoreTest, ApplicationNamesCannotLeaveTheConfigFolder) {
  EXPECT_THROW(store.SaveSetting("../escape", "A", "k", "1"), SettingsError);
  EXPECT_THROW(store.SaveSetting("..", "A", "k", "1"), SettingsError);
  EXPECT_THROW(store.GetSetting("", "A", "k", 1), SettingsError);
}

TEST(ConfigHome, FollowsXdgConfigHomeThenHome) {
  {
    EnvGuard xdg("XDG_CONFIG_HOME", "/tmp/xdg-here");
    EXPECT_EQ(config_home_from_environment(), "/tmp/xdg-here");
  }
  {
    EnvGuard xdg("XDG_CONFIG_HOME", "relative/ignored");
    EnvGuard home("HOME", "/home/tester");
    EXPECT_EQ(config_home_from_environment(), "/home/tester/.config");
  }
  {
    EnvGuard xdg("XDG_CONFIG_HOME", nullptr);
    EnvGuard home("HOME", "/home/other");
    EXPECT_EQ(config_home_from_environment(), "/home/other/.config");
  }
}

}  // namespace
}  // namespace hv::linux_backend
