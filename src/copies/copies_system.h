#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/identity.h"
#include "copies/grid.h"
#include "platform/settings_storage.h"
#include "ui/controls.h"

namespace hv::copies {

// File names are UTF-8 text in the tool, as the words it is given are: a path is made from them and
// told back as such on every platform (Windows' own conversions would take the code page's).
inline std::filesystem::path path_from_utf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}
inline std::string utf8_of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

// A failure the tool reports and stops on; the message says what and why.
class CopiesError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct RunningCopy {
  std::string name;  // the copy's file name without its extension: its settings section
  long pid = 0;
};

// What hv-copies asks of the system it runs on: files and processes, the copies' windows and the
// program's own settings store. Failures throw CopiesError (or SettingsError from the store).
class CopiesSystem {
 public:
  virtual ~CopiesSystem() = default;

  // The program copies are made of.
  virtual std::filesystem::path program() = 0;
  virtual std::filesystem::path default_folder() = 0;
  // The file a copy of the given name is made as ("NAME", or "NAME.exe" where that is the custom).
  virtual std::string file_name(const std::string& name) = 0;
  std::filesystem::path copy_in(const std::filesystem::path& folder, const std::string& name) {
    return folder / path_from_utf8(file_name(name));
  }
  // Makes folder where it is missing and takes it as the folder the next copies are made and
  // started in; throws where it cannot be used, or where another user could change what is in it.
  virtual void use_folder(const std::filesystem::path& folder) = 0;
  // A hard link to the program at copy (made anew), or a copy where the file system refuses links;
  // copy is in the folder last given to use_folder.
  virtual void make_copy(const std::filesystem::path& program, const std::filesystem::path& copy) = 0;
  // Starts the copy detached from this tool, in the copy's own folder; its process id.
  virtual long start(const std::filesystem::path& copy) = 0;
  // The last line a copy this tool started wrote to its error output, where that is kept.
  virtual std::optional<std::string> last_error_line(long pid) = 0;

  // Throws, saying why and what to change, where so many more copies cannot run on this desktop.
  virtual void make_room_for(int copies) = 0;

  // Every running process of the user's that runs the program, under any name.
  virtual std::vector<RunningCopy> running_copies(const std::filesystem::path& program) = 0;
  // Throws, saying why ("process 1234 cannot be looked at: …"), where the system will not let this
  // tool see the process.
  virtual bool has_ended(long pid) = 0;

  // The monitors copies may be laid on and the window's size on each, in twips at the desktop's
  // density. Throws where there is no screen to ask.
  virtual Desktop desktop() = 0;
  // Whether the process's main window is shown on the screen.
  virtual bool window_shown(long pid) = 0;
  // Asks the process's main window to close, as its close box does: through the desktop (the
  // window manager) where it offers that, or directly, the way the desktop itself asks a window.
  // Where that cannot be done from here, why not ("has no window that can be closed from here").
  enum class Asking { ThroughTheDesktop, Directly };
  virtual std::optional<std::string> close_window(long pid, Asking asking) = 0;

  // The program's own settings store, where each copy's section bears its name.
  virtual SectionedSettings& settings() = 0;
  std::optional<std::string> stored(const std::string& name, const std::string& key) {
    return settings().find(kApplication, name, key);
  }
  void store(const std::string& name, const std::string& key, const std::string& value) {
    settings().SaveSetting(kApplication, name, key, value);
  }
  void forget(const std::string& name) { settings().remove_section(kApplication, name); }

  // Waits a little before the next look at windows or processes.
  virtual void pause() = 0;
};

}  // namespace hv::copies
