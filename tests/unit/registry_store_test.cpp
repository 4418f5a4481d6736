#include <gtest/gtest.h>
#include <windows.h>

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

  std::string app_;
  RegistryStore store_;
};

TEST_F(RegistryStoreTest, ReadingAbsentSettingsGivesDefaultsAndCreatesNothing) {
  EXPECT_EQ(store_.GetSetting(app_, "HV-TEST-PROCESS-V1", "MAIN_Left", 1000), "1000");
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, widen("Software\\" + app_).c_str(), 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
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

TEST_F(RegistryStoreTest, ABackslashCannotReachAnotherKey) {
  EXPECT_THROW(store_.SaveSetting(app_, "a\\b", "MAIN_Left", "1"), SettingsError);
  EXPECT_THROW(store_.GetSetting(app_, "", "MAIN_Left", 1), SettingsError);
}

}  // namespace
}  // namespace hv::windows_backend
