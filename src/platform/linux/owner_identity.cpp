#include "platform/linux/owner_identity.h"

#include <grp.h>
#include <pwd.h>
#include <sys/fsuid.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/settings_storage.h"

namespace hv::linux_backend {
namespace {

// The group nobody is in: for a user without an account and an entry in root's group.
constexpr gid_t kNoGroup = 65534;

struct Groups {
  gid_t own;
  std::vector<gid_t> all;
};

// The user's own group and every group the account lists them in; never root's group, whose members
// may read what a user may not. Without an account, the entry's group stands for theirs.
Groups groups_of(uid_t user, gid_t entry_group) {
  const passwd* account = ::getpwuid(user);
  if (!account || !account->pw_name) {
    const gid_t own = entry_group != 0 ? entry_group : kNoGroup;
    return {own, {own}};
  }
  const gid_t primary = account->pw_gid != 0 ? account->pw_gid : kNoGroup;
  const std::string name = account->pw_name;  // getpwuid's buffer is reused by the calls below
  std::vector<gid_t> groups(32);
  for (int tries = 0; tries < 8; ++tries) {
    int count = static_cast<int>(groups.size());
    if (::getgrouplist(name.c_str(), primary, groups.data(), &count) >= 0) {
      groups.resize(static_cast<std::size_t>(count));
      std::erase(groups, gid_t{0});
      if (groups.empty()) groups.push_back(primary);
      return {primary, groups};
    }
    groups.resize(static_cast<std::size_t>(std::max(count, static_cast<int>(groups.size()) * 2)));
  }
  return {primary, {primary}};
}

// setfsuid and setfsgid say only what was in force before; asking again tells whether it took.
bool set_file_system_identity(uid_t user, gid_t group) {
  ::setfsgid(group);
  ::setfsuid(user);
  return static_cast<uid_t>(::setfsuid(user)) == user && static_cast<gid_t>(::setfsgid(group)) == group;
}

[[noreturn]] void cannot_act_as(uid_t user, int error) {
  throw SettingsError("cannot act as the user " + std::to_string(user) + ": " + std::strerror(error));
}

}  // namespace

void ActingAsOwner::act_as(uid_t user, gid_t entry_group) {
  const Groups groups = groups_of(user, entry_group);
  if (!switched_) {
    root_groups_.resize(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
    if (::getgroups(static_cast<int>(root_groups_.size()), root_groups_.data()) < 0) cannot_act_as(user, errno);
  }
  if (::setgroups(groups.all.size(), groups.all.data()) != 0) cannot_act_as(user, errno);
  switched_ = true, user_ = user;
  if (!set_file_system_identity(user, groups.own)) {
    restore();
    cannot_act_as(user, EPERM);
  }
}

void ActingAsOwner::restore() {
  if (!switched_) return;
  switched_ = false, user_ = 0;
  set_file_system_identity(0, ::getegid());
  ::setgroups(root_groups_.size(), root_groups_.data());
}

}  // namespace hv::linux_backend
