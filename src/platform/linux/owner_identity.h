#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <vector>

namespace hv::linux_backend {

// Root working in a folder a user owns (sudo -E keeps the user's XDG_CONFIG_HOME) works there as
// that user would: the thread's file-system identity and the process's groups become the user's
// for as long as this lives, so the kernel's own rules decide which files a link the user planted
// may reach, and what root makes there is the user's without being handed over by path. For
// anyone but root, or a folder whose way down is root's alone, it changes nothing.
class ActingAsFolderOwner {
 public:
  explicit ActingAsFolderOwner(const std::filesystem::path& folder);
  ~ActingAsFolderOwner();
  ActingAsFolderOwner(const ActingAsFolderOwner&) = delete;
  ActingAsFolderOwner& operator=(const ActingAsFolderOwner&) = delete;

  // Whether root now acts as another user, who cannot hand what it writes to anyone else.
  bool switched() const { return switched_; }

 private:
  void restore();
  bool switched_ = false;
  std::vector<gid_t> groups_;
};

struct Owner {
  uid_t user;
  gid_t group;  // the entry's
};
// The owner of the deepest entry on the way to folder that root does not own (folder itself need
// not exist yet); nullopt where every entry on the way is root's.
std::optional<Owner> foreign_owner_on_the_way_to(const std::filesystem::path& folder);

}  // namespace hv::linux_backend
