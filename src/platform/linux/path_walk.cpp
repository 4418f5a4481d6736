#include "platform/linux/path_walk.h"

#include <fcntl.h>
#include <limits.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>

#include "platform/settings_storage.h"

namespace hv::linux_backend {
namespace {

namespace fs = std::filesystem;

constexpr int kMostLinks = 40;
// A folder made on the way and removed again before it could be opened, time after time, is
// someone racing the walk: it gives up rather than spin.
constexpr int kMostMakes = 64;

[[noreturn]] void fail(std::string_view action, const fs::path& path, int error) {
  throw SettingsError("cannot " + std::string(action) + " " + path.string() + ": " + std::strerror(error));
}

[[noreturn]] void refuse(std::string_view action, const fs::path& path, std::string_view why) {
  throw SettingsError("cannot " + std::string(action) + " " + path.string() + ": " + std::string(why));
}

std::string mode_text(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", mode & 07777);
  return text;
}

bool others_may_write(const struct stat& folder) { return (folder.st_mode & (S_IWGRP | S_IWOTH)) != 0; }

// The path's names in order, without the empty ones and "." that change nothing.
std::deque<std::string> names_of(const fs::path& path) {
  std::deque<std::string> names;
  for (const auto& part : path.relative_path()) {
    if (!part.empty() && part != ".") names.push_back(part.string());
  }
  return names;
}

void check_not_in_proc(int entry, const fs::path& shown) {
  struct statfs where {};
  if (::fstatfs(entry, &where) == 0 && where.f_type == PROC_SUPER_MAGIC) {
    refuse("use", shown, "it is in /proc, which holds no settings and whose links are not followed");
  }
}

UniqueFd open_root(struct stat& info) {
  UniqueFd root(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!root || ::fstat(root.get(), &info) != 0) fail("use the folder", "/", errno);
  return root;
}

// The text of the link the descriptor holds (opened with O_PATH | O_NOFOLLOW), so that it is the
// link that was judged that is read.
std::string link_text(int link, const fs::path& shown) {
  std::string text(PATH_MAX, '\0');
  const ssize_t got = ::readlinkat(link, "", text.data(), text.size());
  if (got < 0) fail("follow the link", shown, errno);
  if (got == 0) fail("follow the link", shown, ENOENT);
  if (static_cast<std::size_t>(got) == text.size()) fail("follow the link", shown, ENAMETOOLONG);
  text.resize(static_cast<std::size_t>(got));
  return text;
}

}  // namespace

std::optional<WalkedEntry> PathWalk::to_entry(const fs::path& given, bool make_folders,
                                              bool follow_last_link) {
  // ".." is left to the walk, which goes up from where a link led as the kernel does.
  const fs::path path = given.is_absolute() ? given : fs::current_path() / given;
  struct stat at_info {};
  UniqueFd at = open_root(at_info);
  fs::path shown = "/";
  judge(at_info, shown);
  std::deque<std::string> names = names_of(path);
  if (names.empty()) refuse("use", path, "it names no entry");
  int links = 0, makes = 0;
  bool through_last_link = false;
  while (!names.empty()) {
    const std::string name = std::move(names.front());
    names.pop_front();
    const bool last = names.empty();
    if (name == "..") {  // from a link's text: the folder's own parent, as the kernel takes it
      if (last) refuse("use", path, "a link on the way ends in \"..\"");
      UniqueFd up(::openat(at.get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
      struct stat up_info {};
      if (!up || ::fstat(up.get(), &up_info) != 0) fail("use the folder", shown.parent_path(), errno);
      shown = shown.parent_path();
      judge(up_info, shown);
      check_may_enter(up_info, shown);
      at = std::move(up), at_info = up_info;
      continue;
    }
    const fs::path here = shown / name;
    UniqueFd entry(::openat(at.get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!entry) {
      if (errno != ENOENT) fail("use", here, errno);
      if (last) return WalkedEntry{std::move(at), at_info, name, here, through_last_link};
      if (!make_folders) return std::nullopt;
      check_may_make_in(at_info, shown);
      if (::mkdirat(at.get(), name.c_str(), 0700) != 0 && errno != EEXIST) fail("create the folder", here, errno);
      if (++makes > kMostMakes) refuse("create the folder", here, "it keeps being removed as it is made");
      names.push_front(name);  // judged as any other entry, whoever made it in the end
      continue;
    }
    struct stat info {};
    if (::fstat(entry.get(), &info) != 0) fail("use", here, errno);
    judge(info, here);
    check_not_in_proc(entry.get(), here);
    if (S_ISLNK(info.st_mode)) {
      if (last && !follow_last_link) return WalkedEntry{std::move(at), at_info, name, here, false};
      if (++links > kMostLinks) fail("follow the links of", path, ELOOP);
      const fs::path target = link_text(entry.get(), here);
      std::deque<std::string> next = names_of(target);
      names.insert(names.begin(), next.begin(), next.end());
      through_last_link = last;
      if (target.is_absolute()) {
        at = open_root(at_info), shown = "/";
        judge(at_info, shown);
      }
      if (names.empty()) refuse("follow the link", here, "it leads to \"/\", which is no file");
      continue;
    }
    if (last) return WalkedEntry{std::move(at), at_info, name, here, through_last_link};
    if (!S_ISDIR(info.st_mode)) fail("use the folder", here, ENOTDIR);
    check_may_enter(info, here);
    at = std::move(entry), at_info = info, shown = here;
  }
  refuse("use", path, "it names no entry");
}

void PathWalk::judge_opened(int fd, const fs::path& shown) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) fail("use", shown, errno);
  judge(info, shown);
}

// Who may change an entry answers for it: root's entries only root can have made.
void PathWalk::judge(const struct stat& entry, const fs::path& shown) {
  if (entry.st_uid == 0) return;
  const uid_t caller = ::geteuid();
  if (rule_ == Rule::CallersOwn) {
    if (entry.st_uid == caller) return;
    refuse("use", shown, "it belongs to another user (uid " + std::to_string(entry.st_uid) + ")");
  }
  if (caller != 0) return;  // the kernel holds anyone else to what they may do
  if (!identity_.switched()) {
    identity_.act_as(entry.st_uid, entry.st_gid);
    owner_found_at_ = shown;
  } else if (identity_.user() != entry.st_uid) {
    refuse("use", shown, "it belongs to the user " + std::to_string(entry.st_uid) + " and " +
                             owner_found_at_.string() + " to the user " + std::to_string(identity_.user()) +
                             ": root works in one user's folders at a time");
  }
}

void PathWalk::check_may_enter(const struct stat& folder, const fs::path& shown) const {
  if (rule_ != Rule::OwnersFolder || ::geteuid() != 0 || identity_.switched()) return;
  if (folder.st_uid == 0 && others_may_write(folder) && (folder.st_mode & S_ISVTX) == 0) {
    refuse("use the folder", shown, "it is root's and others may write it (mode " + mode_text(folder.st_mode) +
                                        "), so anyone of them may have put there what root would use; "
                                        "root works only in folders one user answers for");
  }
}

// A folder the user made read-only is not ours to change, whatever our privileges (root's, say).
void PathWalk::check_may_make_in(const struct stat& folder, const fs::path& shown) const {
  if ((folder.st_mode & S_IWUSR) == 0) fail("create a folder in", shown, EACCES);
}

}  // namespace hv::linux_backend
