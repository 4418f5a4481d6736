#include "platform/windows/registry_store.h"

#include <windows.h>

#include <cstring>
#include <utility>
#include <vector>

#include "platform/windows/win32_text.h"

namespace hv::windows_backend {
namespace {

// Owns one open registry key.
class ScopedHKey {
 public:
  ScopedHKey() = default;
  ScopedHKey(const ScopedHKey&) = delete;
  ScopedHKey& operator=(const ScopedHKey&) = delete;
  ~ScopedHKey() {
    if (key_) RegCloseKey(key_);
  }
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

std::string display_path(std::string_view application, std::string_view section) {
  return "HKEY_CURRENT_USER\\Software\\" + std::string(application) + "\\" + std::string(section);
}

// Registry key names cannot hold a backslash (it separates levels) and cannot be empty.
std::wstring key_path(std::string_view application, std::string_view section) {
  for (std::string_view name : {application, section}) {
    if (name.empty() || name.find('\\') != std::string_view::npos) {
      throw SettingsError("unusable settings name \"" + std::string(name) + "\"");
    }
  }
  return L"Software\\" + widen(application) + L"\\" + widen(section);
}

[[noreturn]] void fail(std::string_view action, std::string_view application,
                       std::string_view section, LSTATUS status) {
  throw SettingsError("cannot " + std::string(action) + " " + display_path(application, section) +
                      ": " + system_message(static_cast<DWORD>(status)));
}

// The value as text: strings as they are, numbers a tester typed in as REG_DWORD in decimal.
// Other types have no text form and read as an empty, unusable text.
std::string value_text(DWORD type, const std::vector<BYTE>& data) {
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
      while (!text.empty() && text.back() == L'\0') text.pop_back();
      return narrow(text);
    }
    case REG_DWORD:
      if (data.size() >= sizeof(DWORD)) {
        DWORD number = 0;
        std::memcpy(&number, data.data(), sizeof number);
        return std::to_string(number);
      }
      return {};
    case REG_QWORD:
      if (data.size() >= sizeof(unsigned long long)) {
        unsigned long long number = 0;
        std::memcpy(&number, data.data(), sizeof number);
        return std::to_string(number);
      }
      return {};
    default:
      return {};
  }
}

}  // namespace

std::string RegistryStore::GetSetting(std::string_view application, std::string_view section,
                                      std::string_view key, long default_value) {
  return find(application, section, key).value_or(std::to_string(default_value));
}

std::optional<std::string> RegistryStore::find(std::string_view application, std::string_view section,
                                               std::string_view key) const {
  ScopedHKey hkey;
  LSTATUS status =
      RegOpenKeyExW(HKEY_CURRENT_USER, key_path(application, section).c_str(), 0, KEY_QUERY_VALUE, hkey.out());
  if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
  if (status != ERROR_SUCCESS) fail("read", application, section, status);

  const std::wstring name = widen(key);
  std::vector<BYTE> data(64);
  DWORD type = 0;
  for (;;) {
    DWORD size = static_cast<DWORD>(data.size());
    status = RegQueryValueExW(hkey.get(), name.c_str(), nullptr, &type, data.data(), &size);
    if (status == ERROR_MORE_DATA) {
      data.resize(size);
      continue;
    }
    if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
    if (status != ERROR_SUCCESS) fail("read", application, section, status);
    data.resize(size);
    return value_text(type, data);
  }
}

void RegistryStore::remove_section(std::string_view application, std::string_view section) {
  const LSTATUS status = RegDeleteTreeW(HKEY_CURRENT_USER, key_path(application, section).c_str());
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) fail("delete", application, section, status);
}

void RegistryStore::SaveSetting(std::string_view application, std::string_view section,
                                std::string_view key, std::string_view value) {
  ScopedHKey hkey;
  LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, key_path(application, section).c_str(), 0,
                                   nullptr, 0, KEY_SET_VALUE, nullptr, hkey.out(), nullptr);
  if (status != ERROR_SUCCESS) fail("write", application, section, status);
  const std::wstring name = widen(key);
  const std::wstring text = widen(value);
  status = RegSetValueExW(hkey.get(), name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  if (status != ERROR_SUCCESS) fail("write", application, section, status);
}

}  // namespace hv::windows_backend
