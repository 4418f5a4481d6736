#pragma once

#include <optional>

#include "platform/settings_storage.h"

namespace hv::windows_backend {

// Settings under HKEY_CURRENT_USER\Software\<application>\<section>, one REG_SZ value a key.
class RegistryStore final : public SectionedSettings {
 public:
  std::string GetSetting(std::string_view application, std::string_view section,
                         std::string_view key, long default_value) override;
  void SaveSetting(std::string_view application, std::string_view section, std::string_view key,
                   std::string_view value) override;

  std::optional<std::string> find(std::string_view application, std::string_view section,
                                  std::string_view key) const override;
  void remove_section(std::string_view application, std::string_view section) override;
};

}  // namespace hv::windows_backend
