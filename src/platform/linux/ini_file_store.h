#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/settings_storage.h"

namespace hv::linux_backend {

// Settings in <config home>/<application>/settings.ini, one [section] per executable name.
// Writers serialise on a sibling lock file, waited for within LockPatience, and replace the file by
// rename, so readers and killed writers never see or leave a torn file; several keys saved
// together are one replacement. A settings file kept as a symbolic link is written where the link
// leads, keeping its mode. Only a regular file of at most 16 MB is read or written, the lock is
// never followed through a link, and the path is walked once (PathWalk), root acting as the user
// whose folder it is.
class IniFileStore final : public SectionedSettings {
 public:
  explicit IniFileStore(std::filesystem::path config_home);

  std::string GetSetting(std::string_view application, std::string_view section,
                         std::string_view key, long default_value) override;
  void SaveSetting(std::string_view application, std::string_view section, std::string_view key,
                   std::string_view value) override;
  void SaveSettings(std::string_view application, std::string_view section,
                    std::span<const Value> values) override;

  std::optional<std::string> find(std::string_view application, std::string_view section,
                                  std::string_view key) const override;
  void remove_section(std::string_view application, std::string_view section) override;

  std::filesystem::path file_for(std::string_view application) const;

 private:
  void rewrite(std::string_view application, const std::function<std::string(std::string_view)>& change);
  std::filesystem::path config_home_;
};

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config. Throws SettingsError when there
// is no home folder to be found.
std::filesystem::path config_home_from_environment();

}  // namespace hv::linux_backend
