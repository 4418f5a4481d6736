#include "platform/linux/ini_file_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "platform/linux/file_lock.h"
#include "platform/linux/path_walk.h"
#include "platform/linux/unique_fd.h"
#include "settings/ini_text.h"

namespace hv::linux_backend {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFileName = "settings.ini";
constexpr std::string_view kLockSuffix = ".lock";
constexpr std::string_view kTempInfix = ".tmp-";
// Far more than any number of copies' sections: a file larger than this is not settings, and is
// not read into memory.
constexpr std::size_t kLargestFile = 16 << 20;

[[noreturn]] void fail(std::string_view action, const fs::path& path, int error) {
  throw SettingsError("cannot " + std::string(action) + " " + path.string() + ": " + std::strerror(error));
}

[[noreturn]] void refuse(std::string_view action, const fs::path& path, std::string_view why) {
  throw SettingsError("cannot " + std::string(action) + " " + path.string() + ": " + std::string(why));
}

void check_application(std::string_view application) {
  if (application.empty() || application == "." || application == ".." ||
      application.find('/') != std::string_view::npos ||
      application.find('\0') != std::string_view::npos) {
    throw SettingsError("unusable application name \"" + std::string(application) + "\"");
  }
}

// A folder the user made read-only is not ours to change, whatever our privileges (root's, say).
void check_folder_writable(int folder, const fs::path& path) {
  struct stat info {};
  if (::fstat(folder, &info) != 0) fail("write", path, errno);
  if ((info.st_mode & S_IWUSR) == 0) fail("write", path, EACCES);
}

// Only a regular file is settings: a FIFO or a device in its place would hang a read or never end
// it, so the kind is checked before the file is opened, and again on what was opened.
void check_regular(const struct stat& info, const fs::path& path) {
  if (S_ISDIR(info.st_mode)) fail("read", path, EISDIR);
  if (!S_ISREG(info.st_mode)) refuse("read", path, "it is not a regular file (a FIFO, a device or a socket)");
}

// The file named name in folder, or nullopt when there is none. A link found there now was put there
// after the walk judged the name, and is not followed.
std::optional<std::string> read_regular(int folder, const std::string& name, const fs::path& path, PathWalk& walk) {
  struct stat info {};
  if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return std::nullopt;
    fail("read", path, errno);
  }
  if (S_ISLNK(info.st_mode)) refuse("read", path, "it became a symbolic link as it was read");
  check_regular(info, path);
  UniqueFd fd(::openat(folder, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd && errno == ELOOP) refuse("read", path, "it became a symbolic link as it was read");
  if (!fd) fail("read", path, errno);
  walk.judge_opened(fd.get(), path);
  if (::fstat(fd.get(), &info) != 0) fail("read", path, errno);
  check_regular(info, path);
  // Read straight into the text, in steps of its size so far: a buffer on the stack would be
  // touched whole, and stay in every copy's memory.
  std::string text;
  for (std::size_t length = 0;;) {
    if (length > kLargestFile) refuse("read", path, "it is larger than 16 MB, which no settings file is");
    text.resize(std::min(std::max<std::size_t>(4096, text.size() * 2), kLargestFile + 1));
    const ssize_t got = ::read(fd.get(), text.data() + length, text.size() - length);
    if (got == 0) {
      text.resize(length);
      break;
    }
    if (got < 0) {
      if (errno == EINTR) continue;
      fail("read", path, errno);
    }
    length += static_cast<std::size_t>(got);
    text.resize(length);
  }
  return text;
}

// Every writer holds the lock while its temporary file exists, so one found while we hold the lock
// was left by a writer that was killed.
void remove_orphaned_temporaries(int folder, const std::string& name) {
  struct CloseDir {
    void operator()(DIR* dir) const { ::closedir(dir); }
  };
  const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return;
  const std::unique_ptr<DIR, CloseDir> dir(::fdopendir(listing));
  if (!dir) {
    ::close(listing);
    return;
  }
  const std::string prefix = name + std::string(kTempInfix);
  while (const dirent* entry = ::readdir(dir.get())) {
    if (std::string_view(entry->d_name).starts_with(prefix)) ::unlinkat(folder, entry->d_name, 0);
  }
}

void write_all(int fd, std::string_view text, const fs::path& path) {
  while (!text.empty()) {
    const ssize_t put = ::write(fd, text.data(), text.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      fail("write", path, errno);
    }
    text.remove_prefix(static_cast<std::size_t>(put));
  }
}

// A new file of its own beside the one it will replace, never one that was there before.
std::pair<UniqueFd, std::string> make_temporary(int folder, const std::string& name, const fs::path& path) {
  for (int tries = 0; tries < 100; ++tries) {
    std::uint64_t random = 0;
    if (::getrandom(&random, sizeof random, 0) != sizeof random) random ^= static_cast<std::uint64_t>(::getpid()) << 20 | tries;
    char suffix[17];
    std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random));
    std::string temp = name + std::string(kTempInfix) + suffix;
    UniqueFd fd(::openat(folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd) return {std::move(fd), std::move(temp)};
    if (errno != EEXIST) fail("write", path, errno);
  }
  fail("write", path, EEXIST);
}

// Writes a temporary file beside the file and renames it over it. The new file keeps the old one's
// mode, so a user's 0644 stays 0644; root acting as root keeps its owner too. A first file is
// private.
void replace_file(int folder, const fs::path& path, std::string_view text, bool may_keep_owner) {
  const std::string name = path.filename();
  auto [fd, temp] = make_temporary(folder, name, path);
  try {
    struct stat old {};
    const bool replacing = ::fstatat(folder, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (::fchmod(fd.get(), replacing ? old.st_mode & 0777 : 0600) != 0) fail("write", path, errno);
    if (replacing && may_keep_owner && ::geteuid() == 0 && ::fchown(fd.get(), old.st_uid, old.st_gid) != 0) {
      fail("write", path, errno);
    }
    write_all(fd.get(), text, path);
    if (::fsync(fd.get()) != 0) fail("write", path, errno);
    if (fd.close() != 0) fail("write", path, errno);
    if (::renameat(folder, temp.c_str(), folder, name.c_str()) != 0) fail("write", path, errno);
  } catch (...) {
    ::unlinkat(folder, temp.c_str(), 0);
    throw;
  }
  // Make the rename itself durable.
  UniqueFd listing(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (listing) ::fsync(listing.get());
}

// A file the user made read-only is not ours to change, even where our privileges would allow it;
// nor is anything but a regular file ours to replace.
void check_writable(int folder, const fs::path& path) {
  check_folder_writable(folder, path);
  struct stat info {};
  if (::fstatat(folder, path.filename().c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return;
    fail("write", path, errno);
  }
  if (S_ISDIR(info.st_mode)) fail("write", path, EISDIR);
  if (!S_ISREG(info.st_mode)) refuse("write", path, "it is not a regular file (a FIFO, a device or a socket)");
  if ((info.st_mode & S_IWUSR) == 0) fail("write", path, EACCES);
}

// A failure where the settings file's link leads names the link too, which is what the user knows.
template <typename Work>
auto naming_the_link(const fs::path& file, const WalkedEntry& entry, Work work) {
  try {
    return work();
  } catch (const SettingsError& error) {
    if (!entry.through_last_link) throw;
    throw SettingsError(std::string(error.what()) + " (where the link " + file.string() + " leads)");
  }
}

// The settings file at file, where its links lead, or nullopt where there is none. Nothing is made.
std::optional<std::string> read_settings(const fs::path& file) {
  PathWalk walk(PathWalk::Rule::OwnersFolder);
  const std::optional<WalkedEntry> entry = walk.to_entry(file, false);
  if (!entry) return std::nullopt;
  return naming_the_link(file, *entry, [&] { return read_regular(entry->folder.get(), entry->name, entry->shown, walk); });
}

}  // namespace

IniFileStore::IniFileStore(std::filesystem::path config_home)
    : config_home_(std::move(config_home)) {}

std::filesystem::path IniFileStore::file_for(std::string_view application) const {
  check_application(application);
  return config_home_ / std::string(application) / std::string(kFileName);
}

std::string IniFileStore::GetSetting(std::string_view application, std::string_view section,
                                     std::string_view key, long default_value) {
  return find(application, section, key).value_or(std::to_string(default_value));
}

std::optional<std::string> IniFileStore::find(std::string_view application, std::string_view section,
                                              std::string_view key) const {
  const auto text = read_settings(file_for(application));
  if (!text) return std::nullopt;
  return ini_find_value(*text, section, key);
}

void IniFileStore::SaveSetting(std::string_view application, std::string_view section,
                               std::string_view key, std::string_view value) {
  const Value one[] = {{key, value}};
  SaveSettings(application, section, one);
}

void IniFileStore::SaveSettings(std::string_view application, std::string_view section,
                                std::span<const Value> values) {
  rewrite(application, [&](std::string_view old_text) {
    try {
      std::string text(old_text);
      for (const Value& value : values) text = ini_with_value(text, section, value.key, value.text);
      return text;
    } catch (const std::invalid_argument& error) {
      throw SettingsError("cannot write " + file_for(application).string() + ": " + error.what());
    }
  });
}

void IniFileStore::remove_section(std::string_view application, std::string_view section) {
  if (!read_settings(file_for(application))) return;  // nothing to forget, and no folder to make for it
  rewrite(application, [&](std::string_view old_text) { return ini_without_section(old_text, section); });
}

// Every change is made under the lock, from the file as it stands then, and replaces it whole. A
// settings file kept as a link (a dotfiles folder kept by stow or home-manager, say) is replaced
// where the link leads, so that the link stays a link.
void IniFileStore::rewrite(std::string_view application,
                           const std::function<std::string(std::string_view)>& change) {
  const fs::path file = file_for(application);
  PathWalk walk(PathWalk::Rule::OwnersFolder);
  WalkedEntry entry = std::move(*walk.to_entry(file, true));
  const fs::path& path = entry.shown;
  const int folder = entry.folder.get();
  naming_the_link(file, entry, [&] {
    check_writable(folder, path);
    const fs::path lock_path = path.string() + std::string(kLockSuffix);
    const UniqueFd lock = lock_in(folder, entry.name + std::string(kLockSuffix), lock_path);
    walk.judge_opened(lock.get(), lock_path);
    remove_orphaned_temporaries(folder, entry.name);
    check_writable(folder, path);  // again, now that no other writer can change it
    const std::optional<std::string> old_text = read_regular(folder, entry.name, path, walk);
    const std::string new_text = change(old_text.value_or(""));
    if (old_text ? new_text == *old_text : new_text.empty()) return;
    if (new_text.size() > kLargestFile) {
      refuse("write", path, "it would grow past 16 MB, which no settings file may, and then could not be read");
    }
    replace_file(folder, path, new_text, !walk.acting_as_another());
  });
}

std::filesystem::path config_home_from_environment() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') return xdg;
  if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
    return std::filesystem::path(home) / ".config";
  }
  if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir && user->pw_dir[0] == '/') {
    return std::filesystem::path(user->pw_dir) / ".config";
  }
  throw SettingsError("cannot find the settings folder: neither XDG_CONFIG_HOME nor HOME is set");
}

}  // namespace hv::linux_backend
