#pragma once

#include <sys/types.h>

#include <vector>

namespace hv::linux_backend {

// Root working in a folder a user owns (sudo -E keeps the user's XDG_CONFIG_HOME) works there as
// that user would: the thread's file-system identity and the process's groups (the user's own
// group and every group the user is a member of) become the user's until restored, so the
// kernel's own rules decide what a link the user planted may reach, and what root makes there is
// the user's without being handed over by path.
class ActingAsOwner {
 public:
  ActingAsOwner() = default;
  ~ActingAsOwner() { restore(); }
  ActingAsOwner(const ActingAsOwner&) = delete;
  ActingAsOwner& operator=(const ActingAsOwner&) = delete;

  // Acts as user from now on; entry_group is the group of the entry found to be theirs, taken
  // where the user has no account of their own. Throws SettingsError where the kernel refuses.
  void act_as(uid_t user, gid_t entry_group);
  void restore();

  // Whether root now acts as another user, who cannot hand what it writes to anyone else.
  bool switched() const { return switched_; }
  uid_t user() const { return user_; }

 private:
  bool switched_ = false;
  uid_t user_ = 0;
  std::vector<gid_t> root_groups_;
};

}  // namespace hv::linux_backend
