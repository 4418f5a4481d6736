#include "platform/linux/ini_file_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "platform/linux/unique_fd.h"
#include "settings/ini_text.h"

namespace hv::linux_backend {
namespace {

constexpr std::string_view kFileName = "settings.ini";
constexpr std::string_view kLockSuffix = ".lock";
constexpr std::string_view kTempInfix = ".tmp-";

[[noreturn]] void fail(std::string_view action, const std::filesystem::path& path, int error) {
  throw SettingsError("cannot " + std::string(action) + " " + path.string() + ": " +
                      std::strerror(error));
}

void check_application(std::string_view application) {
  if (application.empty() || application == "." || application == ".." ||
      application.find('/') != std::string_view::npos ||
      application.find('\0') != std::string_view::npos) {
    throw SettingsError("unusable application name \"" + std::string(application) + "\"");
  }
}

// The whole file, or nullopt when it does not exist.
std::optional<std::string> read_file(const std::filesystem::path& path) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    fail("read", path, errno);
  }
  // Read straight into the text, in steps of its size so far: a buffer on the stack would be
  // touched whole, and stay in every copy's memory.
  std::string text;
  for (std::size_t length = 0;;) {
    text.resize(std::max<std::size_t>(4096, text.size() * 2));
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

// Who owns what this store makes in a folder. Root writing in a user's folder (sudo -E keeps the
// user's XDG_CONFIG_HOME) must leave files the user can still write, so they take the folder's owner.
void give_to_folder_owner(int fd, const std::filesystem::path& path, const std::filesystem::path& folder) {
  if (::geteuid() != 0) return;
  struct stat owner {}, made {};
  if (::stat(folder.c_str(), &owner) != 0) return;
  const int got = fd >= 0 ? ::fstat(fd, &made) : ::stat(path.c_str(), &made);
  if (got != 0 || (made.st_uid == owner.st_uid && made.st_gid == owner.st_gid)) return;
  const int changed = fd >= 0 ? ::fchown(fd, owner.st_uid, owner.st_gid) : ::chown(path.c_str(), owner.st_uid, owner.st_gid);
  if (changed != 0) fail("give to the owner of its folder", path, errno);
}

// Creates path and whichever of its parents are missing, private to the user (folders we make
// are 0700). Called only once opening something in the folder has failed for want of it.
void make_folders(const std::filesystem::path& path) {
  // A folder the user made read-only is not ours to add to, whatever our privileges.
  struct stat parent {};
  if (::stat(path.parent_path().c_str(), &parent) == 0 && (parent.st_mode & S_IWUSR) == 0) {
    fail("create the folder", path, EACCES);
  }
  bool made = ::mkdir(path.c_str(), 0700) == 0;
  if (!made) {
    if (errno == ENOENT && path.has_parent_path() && path.parent_path() != path) {
      make_folders(path.parent_path());
      made = ::mkdir(path.c_str(), 0700) == 0;
      if (!made && errno != EEXIST) fail("create the folder", path, errno);
    } else if (errno != EEXIST) {
      fail("create the folder", path, errno);
    }
  }
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) fail("use the folder", path, errno);
  if (!S_ISDIR(info.st_mode)) fail("use the folder", path, ENOTDIR);
  if (made) give_to_folder_owner(-1, path, path.parent_path());
}

// The settings folder is made the first time a lock is wanted in it and is not looked for again.
UniqueFd lock_folder(const std::filesystem::path& lock_path) {
  const auto open_lock = [&] {
    return UniqueFd(::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  };
  UniqueFd fd = open_lock();
  if (!fd && errno == ENOENT) {
    make_folders(lock_path.parent_path());
    fd = open_lock();
  }
  if (!fd) fail("open the lock file", lock_path, errno);
  give_to_folder_owner(fd.get(), lock_path, lock_path.parent_path());
  while (::flock(fd.get(), LOCK_EX) != 0) {
    if (errno != EINTR) fail("lock", lock_path, errno);
  }
  return fd;
}

// Every writer holds the lock while its temporary file exists, so one found while we hold the lock
// was left by a writer that was killed.
void remove_orphaned_temporaries(const std::filesystem::path& file) {
  struct CloseDir {
    void operator()(DIR* dir) const { ::closedir(dir); }
  };
  const std::unique_ptr<DIR, CloseDir> dir(::opendir(file.parent_path().c_str()));
  if (!dir) return;
  const std::string prefix = file.filename().string() + std::string(kTempInfix);
  while (const dirent* entry = ::readdir(dir.get())) {
    if (std::string_view(entry->d_name).starts_with(prefix)) {
      ::unlinkat(::dirfd(dir.get()), entry->d_name, 0);
    }
  }
}

void write_all(int fd, std::string_view text, const std::filesystem::path& path) {
  while (!text.empty()) {
    const ssize_t put = ::write(fd, text.data(), text.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      fail("write", path, errno);
    }
    text.remove_prefix(static_cast<std::size_t>(put));
  }
}

// Writes a temporary file beside path and renames it over path. The new file keeps the old one's
// mode and owner, so a user's 0644 stays 0644 and root writing a user's file leaves it the user's;
// a first file is private to whoever owns its folder.
void replace_file(const std::filesystem::path& path, std::string_view text) {
  std::string temp = path.string() + std::string(kTempInfix) + "XXXXXX";
  UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
  if (!fd) fail("write", path, errno);
  try {
    struct stat old {};
    const bool replacing = ::stat(path.c_str(), &old) == 0;
    if (::fchmod(fd.get(), replacing ? old.st_mode & 07777 : 0600) != 0) fail("write", path, errno);
    if (replacing && ::geteuid() == 0 && ::fchown(fd.get(), old.st_uid, old.st_gid) != 0) fail("write", path, errno);
    if (!replacing) give_to_folder_owner(fd.get(), path, path.parent_path());
    write_all(fd.get(), text, path);
    if (::fsync(fd.get()) != 0) fail("write", path, errno);
    if (fd.close() != 0) fail("write", path, errno);
    if (::rename(temp.c_str(), path.c_str()) != 0) fail("write", path, errno);
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
  // Make the rename itself durable.
  UniqueFd folder(::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder) ::fsync(folder.get());
}

// The file a write replaces: the settings file, or where its symbolic links lead (a dotfiles
// folder kept by stow or home-manager, say), so that the link stays a link.
std::filesystem::path link_target(const std::filesystem::path& path) {
  std::filesystem::path at = path;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code error;
    if (!std::filesystem::is_symlink(at, error)) return at;
    const std::filesystem::path target = std::filesystem::read_symlink(at, error);
    if (error) fail("follow the link", at, error.value());
    at = target.is_absolute() ? target : at.parent_path() / target;
  }
  fail("follow the links of", path, ELOOP);
}

// A file or folder the user made read-only is not ours to change, even where our privileges
// (root's, say) would allow it.
void check_writable(const std::filesystem::path& path) {
  struct stat info {};
  const std::filesystem::path folder = path.parent_path();
  if (::stat(folder.c_str(), &info) == 0 && (info.st_mode & S_IWUSR) == 0) {
    fail("write", path, EACCES);
  }
  if (::stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT) return;
    fail("write", path, errno);
  }
  if (S_ISDIR(info.st_mode)) fail("write", path, EISDIR);
  if ((info.st_mode & S_IWUSR) == 0) fail("write", path, EACCES);
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
  const auto text = read_file(file_for(application));
  if (!text) return std::nullopt;
  return ini_find_value(*text, section, key);
}

void IniFileStore::SaveSetting(std::string_view application, std::string_view section,
                               std::string_view key, std::string_view value) {
  rewrite(application, [&](std::string_view old_text) {
    try {
      return ini_with_value(old_text, section, key, value);
    } catch (const std::invalid_argument& error) {
      throw SettingsError("cannot write " + file_for(application).string() + ": " + error.what());
    }
  });
}

void IniFileStore::remove_section(std::string_view application, std::string_view section) {
  if (!read_file(file_for(application))) return;  // nothing to forget, and no folder to make for it
  rewrite(application, [&](std::string_view old_text) { return ini_without_section(old_text, section); });
}

// Every change is made under the lock, from the file as it stands then, and replaces it whole.
void IniFileStore::rewrite(std::string_view application,
                           const std::function<std::string(std::string_view)>& change) {
  const auto path = link_target(file_for(application));
  check_writable(path);
  const UniqueFd lock = lock_folder(path.string() + std::string(kLockSuffix));
  remove_orphaned_temporaries(path);
  check_writable(path);  // again, now that no other writer can change it
  const std::optional<std::string> old_text = read_file(path);
  const std::string new_text = change(old_text.value_or(""));
  if (old_text ? new_text == *old_text : new_text.empty()) return;
  replace_file(path, new_text);
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
