#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/owner_identity.h"
#include "platform/linux/unique_fd.h"

namespace hv::linux_backend {

// Where a walk ended: the folder holding the path's last entry, held open, and the entry's name in
// it (the entry need not exist yet).
struct WalkedEntry {
  UniqueFd folder;
  struct stat folder_info {};
  std::string name;
  std::filesystem::path shown;  // the entry's path as walked, after any links
  bool through_last_link = false;  // the path's own last entry was a link, followed here
};

// A path walked once, one entry at a time from "/": each entry is opened without being followed
// (O_PATH | O_NOFOLLOW) and judged by what was opened, so that nothing renamed or linked in
// meanwhile is taken for what was judged, and every later open, mkdirat, renameat and lock works
// inside the folder the walk holds. Links are followed by hand, at most 40 of them.
//
// Whose entries may be on the way is the walk's rule; it concerns root, the only user whom the
// kernel's own checks do not hold back:
//  - OwnersFolder: root acts as the first user other than root who owns an entry on the way, from
//    that entry on, and refuses a second such user. Acting as root, it refuses to enter a folder of
//    root's that others may write and that lacks the sticky bit: anyone with that write may swap
//    what it holds, so no one answers for it.
//  - CallersOwn: every entry on the way is root's or the caller's.
// No walk enters /proc: its links (a process's cwd, its open files) are read with root's power to
// look into any process, whoever root acts as, and would tell what the user may not see.
class PathWalk {
 public:
  enum class Rule { OwnersFolder, CallersOwn };
  explicit PathWalk(Rule rule) : rule_(rule) {}

  // The folder holding path's last entry, a link there followed where follow_last_link. Missing
  // folders on the way are made private (0700) where make_folders, else the answer is nullopt.
  // Throws SettingsError naming the path and the reason.
  std::optional<WalkedEntry> to_entry(const std::filesystem::path& path, bool make_folders,
                                      bool follow_last_link = true);

  // Whether root now acts as another user, who cannot hand what it writes to anyone else.
  bool acting_as_another() const { return identity_.switched(); }

  // Judges a file opened in the walk's last folder by what was opened, as every entry on the way
  // was: a file swapped in after the walk (renameat2's exchange, say) is another user's and refused.
  void judge_opened(int fd, const std::filesystem::path& shown);

 private:
  void judge(const struct stat& entry, const std::filesystem::path& shown);
  void check_may_enter(const struct stat& folder, const std::filesystem::path& shown) const;
  void check_may_make_in(const struct stat& folder, const std::filesystem::path& shown) const;

  Rule rule_;
  ActingAsOwner identity_;
  std::filesystem::path owner_found_at_;
};

}  // namespace hv::linux_backend
