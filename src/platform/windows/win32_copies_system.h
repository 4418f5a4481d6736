#pragma once

#include <windows.h>

#include <map>
#include <optional>

#include "copies/copies_system.h"
#include "platform/windows/registry_store.h"

namespace hv::windows_backend {

// hv-copies on Windows: copies are found in the system's process snapshot, their windows among the
// desktop's top-level windows, their settings in the registry.
class Win32CopiesSystem final : public copies::CopiesSystem {
 public:
  std::filesystem::path program() override;
  std::filesystem::path default_folder() override;
  std::string file_name(const std::string& name) override { return name + ".exe"; }
  void use_folder(const std::filesystem::path& folder) override;
  void make_copy(const std::filesystem::path& program, const std::filesystem::path& copy) override;
  long start(const std::filesystem::path& copy) override;
  // A copy on Windows tells its errors in a message box of its own, not on an error output.
  std::optional<std::string> last_error_line(long) override { return std::nullopt; }
  // A desktop takes tens of thousands of windows, far more than copies are started by.
  void make_room_for(int) override {}
  std::vector<copies::RunningCopy> running_copies(const std::filesystem::path& program) override;
  bool has_ended(long pid) override;
  copies::Desktop desktop() override;
  bool window_shown(long pid) override;
  // Windows has one way to ask, WM_CLOSE to the window.
  std::optional<std::string> close_window(long pid, Asking) override;
  SectionedSettings& settings() override { return store_; }
  void pause() override;

 private:
  // Each copy's main window by process id, looked up once between pauses.
  const std::map<long, HWND>& main_windows();

  RegistryStore store_;
  std::optional<std::map<long, HWND>> windows_;
};

}  // namespace hv::windows_backend
