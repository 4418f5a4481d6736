#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/windows/registry_store.h"
#include "platform/windows/win32_text.h"

namespace hv::windows_backend {
namespace {

// A private application name, removed with everything under it.
class RegistryStoreTest : public ::testing::Test {
 protected:
  RegistryStoreTest() : app_("HV_TEST_PROCESS_UNIT_" + std::to_string(GetCurrentProcessId())) {}
  ~RegistryStoreTest() override { RegDeleteTreeW(HKEY_CURRENT_USER, widen("Software\\" + app_).c_str()); }

  bool key_exists(const std::string& path) const {
    HKEY key = nullptr;
    const LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, widen(path).c_str(), 0, KEY_READ, &key);
    if (key) RegCloseKey(key);
    return status == ERROR_SUCCESS;
  }

  std::string app_;
  RegistryStore store_;
};

TEST_F(RegistryStoreTest, ReadingAbsentSettingsGivesDefaultsAndCreatesNothing) {
  EXPECT_EQ(store_.GetSetting(app_, "HV-TEST-PROCESS-V1", "MAIN_Left", 1000), "1000");
  EXPECT_FALSE(key_exists("Software\\" + app_));
}

TEST_F(RegistryStoreTest, WritesStringValuesUnderTheSection) {
  store_.SaveSetting(app_, "COPY-2", "MAIN_Left", "2235");
  EXPECT_EQ(store_.GetSetting(app_, "COPY-2", "MAIN_Left", 1000), "2235");
  EXPECT_EQ(store_.GetSetting(app_, "COPY-3", "MAIN_Left", 1000), "1000");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, widen("Software\\" + app_ + "\\COPY-2").c_str(), 0,
                          KEY_READ, &key),
            ERROR_SUCCESS);
  DWORD type = 0;
  RegQueryValueExW(key, L"MAIN_Left", nullptr, &type, nullptr, nullptr);
  RegCloseKey(key);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
}

TEST_F(RegistryStoreTest, ADwordATesterTypedInReadsAsItsDecimalText) {
  store_.SaveSetting(app_, "TYPED", "MAIN_Width", "1");
  HKEY key = nullptr;
  RegOpenKeyExW(HKEY_CURRENT_USER, widen("Software\\" + app_ + "\\TYPED").c_str(), 0, KEY_SET_VALUE, &key);
  const DWORD width = 6000;
  RegSetValueExW(key, L"MAIN_Width", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&width), sizeof width);
  RegCloseKey(key);
  EXPECT_EQ(store_.GetSetting(app_, "TYPED", "MAIN_Width", 11040), "6000");
}

TEST_F(RegistryStoreTest, OddAndLongNamesHaveSectionsOfTheirOwn) {
  const std::string long_name(200, 'x');
  const std::vector<std::string> names{"тест", "a]b[c", "100% sure", "semi;colon", " spaced ",
                                       long_name, "x.y.z"};
  for (std::size_t i = 0; i < names.size(); ++i) store_.SaveSetting(app_, names[i], "MAIN_Left", std::to_string(i));
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(store_.GetSetting(app_, names[i], "MAIN_Left", -1), std::to_string(i)) << names[i];
  }
}

TEST_F(RegistryStoreTest, ABackslashCannotReachAnotherKey) {
  EXPECT_THROW(store_.SaveSetting(app_, "a\\b", "MAIN_Left", "1"), SettingsError);
  EXPECT_THROW(store_.GetSetting(app_, "", "MAIN_Left", 1), SettingsError);
}

// Sixteen processes writing at once, each its own section and one shared: the registry's own
// locking must keep every last value.
TEST_F(RegistryStoreTest, SixteenProcessesWritingAtOnceLoseNothing) {
  constexpr int kWriters = 16;
  constexpr int kRounds = 50;
  wchar_t self[MAX_PATH * 4];
  GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
  std::vector<PROCESS_INFORMATION> children;
  for (int w = 0; w < kWriters; ++w) {
    std::wstring command = L"\"" + std::wstring(self) + L"\" --hv-writer " + widen(app_) + L" " +
                           std::to_wstring(w) + L" " + std::to_wstring(kRounds);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &child));
    children.push_back(child);
  }
  for (const auto& child : children) {
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
  }
  for (int w = 0; w < kWriters; ++w) {
    EXPECT_EQ(store_.GetSetting(app_, "copy-" + std::to_string(w), "MAIN_Left", -1),
              std::to_string(kRounds - 1));
  }
  const std::string shared = store_.GetSetting(app_, "shared", "MAIN_Left", -1);
  EXPECT_TRUE(shared.ends_with("." + std::to_string(kRounds - 1))) << shared;
}

}  // namespace
}  // namespace hv::windows_backend

// A writer process for the test above: --hv-writer APP INDEX ROUNDS.
int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--hv-writer") {
    hv::windows_backend::RegistryStore store;
    const std::string index = argv[3];
    const int rounds = std::atoi(argv[4]);
    try {
      for (int r = 0; r < rounds; ++r) {
        store.SaveSetting(argv[2], "copy-" + index, "MAIN_Left", std::to_string(r));
        store.SaveSetting(argv[2], "shared", "MAIN_Left", index + "." + std::to_string(r));
      }
    } catch (...) {
      return 1;
    }
    return 0;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
