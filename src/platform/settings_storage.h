#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace hv {

// A failure of the settings store; the message names the file or key and the system's reason.
class SettingsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The per-user application-settings store: text values addressed by application, section and key.
class SettingsStorage {
 public:
  virtual ~SettingsStorage() = default;

  // The stored text, or the decimal text of default_value when the application, section or key is
  // absent. Never creates anything.
  virtual std::string GetSetting(std::string_view application, std::string_view section,
                                 std::string_view key, long default_value) = 0;

  // Stores the text, creating the application and section as needed. Throws SettingsError.
  virtual void SaveSetting(std::string_view application, std::string_view section,
                           std::string_view key, std::string_view value) = 0;
};

}  // namespace hv
