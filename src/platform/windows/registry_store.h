#pragma once

#include <optional>

#include "platform/settings_storage.h"

namespace hv::windows_backend {

// Settings under HKEY_CURRENT_USER\Software\<application>\<section>, one REG_SZ value a key.
class RegistryStore final : public SettingsStorage {
 public:
  std::string GetSetting(std::string_view application, std::string_view section,
                         std::string_view key, long default_value) override;
  void SaveSetting(std::string_view application, std::string_view section, std::string_view key,
                   std::string_view value) override;

  // The stored text of a key, or nullopt where the key or the section is missing.
  std::optional<std::string> find(std::string_view application, std::string_view section,
                                  std::string_view key) const;
  // Forgets every key of the section; nothing happens where there is none.
  void remove_section(std::string_view application, std::string_view section);
};

}  // namespace hv::windows_backend
