#pragma once

#include <X11/Xlib.h>

#include <map>
#include <memory>
#include <optional>

#include "copies/copies_system.h"
#include "platform/linux/ini_file_store.h"
#include "platform/linux/unique_fd.h"
#include "platform/linux/x11_session.h"

namespace hv::linux_backend {

// hv-copies on Linux: copies are processes found through /proc, their windows on the X display
// DISPLAY names, their settings in the program's settings file.
class LinuxCopiesSystem final : public copies::CopiesSystem {
 public:
  LinuxCopiesSystem();
  ~LinuxCopiesSystem() override;

  std::filesystem::path program() override;
  std::filesystem::path default_folder() override;
  std::string file_name(const std::string& name) override { return name; }
  void use_folder(const std::filesystem::path& folder) override;
  void make_copy(const std::filesystem::path& program, const std::filesystem::path& copy) override;
  long start(const std::filesystem::path& copy) override;
  std::optional<std::string> last_error_line(long pid) override;
  void make_room_for(int copies) override;
  std::vector<copies::RunningCopy> running_copies(const std::filesystem::path& program) override;
  bool has_ended(long pid) override;
  copies::Desktop desktop() override;
  bool window_shown(long pid) override;
  std::optional<std::string> close_window(long pid, Asking asking) override;
  SectionedSettings& settings() override { return store_; }
  void pause() override;

 private:
  X11Session& session();
  bool display_reachable();
  FrameExtents window_frame(int client_width, int client_height, long dpi);
  // Each copy's main window by process id, read once between pauses: a walk of the window tree
  // costs a round trip a window, too many to repeat for every copy.
  const std::map<long, Window>& main_windows();

  // Why the display could not be opened, and whether only for the server's client limit.
  std::string unreachable_why_;
  bool server_full_ = false;

  IniFileStore store_;
  UniqueFd folder_;  // the folder copies are made and started in, opened once it was checked
  // Each copy found, held by a descriptor of its own process, so that no process that later gets
  // the same id is signalled or waited for in its place.
  std::map<long, UniqueFd> pidfds_;
  Display* display_ = nullptr;
  std::unique_ptr<X11Session> session_;
  std::optional<std::map<long, Window>> windows_;
  std::map<long, std::string> error_logs_;  // in folder_
  std::optional<bool> reachable_, wm_closes_windows_;
};

}  // namespace hv::linux_backend
