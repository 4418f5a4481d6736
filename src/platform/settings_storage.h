#pragma once

#include <optional>
#include <span>
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

  struct Value {
    std::string_view key;
    std::string_view text;
  };
  // Stores several keys of one section at once: a store that can replaces them in one write, so
  // that they are stored all together or not at all. Otherwise one SaveSetting each, in order.
  virtual void SaveSettings(std::string_view application, std::string_view section,
                            std::span<const Value> values) {
    for (const Value& value : values) SaveSetting(application, section, value.key, value.text);
  }
};

// The store as a tool that manages the copies' settings sees it: keys looked up without a default,
// and a copy's whole section forgotten.
class SectionedSettings : public SettingsStorage {
 public:
  // The stored text of a key, or nullopt where the key, the section or the store is missing.
  virtual std::optional<std::string> find(std::string_view application, std::string_view section,
                                          std::string_view key) const = 0;
  // Forgets every key of the section; nothing happens where there is none.
  virtual void remove_section(std::string_view application, std::string_view section) = 0;
};

}  // namespace hv
