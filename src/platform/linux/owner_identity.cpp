#include "platform/linux/owner_identity.h"

#include <grp.h>
#include <pwd.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/settings_storage.h"

namespace hv::linux_backend {
namespace {

// The group nobody is in: for a user without an entry of their own and a folder in root's group.
constexpr gid_t kNoGroup = 65534;

// The owner's own group; never root's, whose members may read what a user may not.
gid_t group_of(uid_t user, gid_t folder_group) {
  if (const passwd* entry = ::getpwuid(user); entry && entry->pw_gid != 0) return entry->pw_gid;
  return folder_group != 0 ? folder_group : kNoGroup;
}

// setfsuid and setfsgid say only what was in force before; asking again tells whether it took.
bool set_file_system_identity(uid_t user, gid_t group) {
  ::setfsgid(group);
  ::setfsuid(user);
  return static_cast<uid_t>(::setfsuid(user)) == user && static_cast<gid_t>(::setfsgid(group)) == group;
}

}  // namespace

std::optional<Owner> foreign_owner_on_the_way_to(const std::filesystem::path& folder) {
  std::optional<Owner> owner;
  std::filesystem::path at;
  for (const auto& part : folder) {
    at /= part;
    struct stat info {};
    if (::lstat(at.c_str(), &info) != 0) break;  // the rest is still to be made
    if (info.st_uid != 0) owner = Owner{info.st_uid, info.st_gid};
  }
  return owner;
}

ActingAsFolderOwner::ActingAsFolderOwner(const std::filesystem::path& folder) {
  if (::geteuid() != 0) return;
  const auto owner = foreign_owner_on_the_way_to(folder);
  if (!owner) return;
  const gid_t group = group_of(owner->user, owner->group);

  groups_.resize(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
  if (::getgroups(static_cast<int>(groups_.size()), groups_.data()) < 0 || ::setgroups(1, &group) != 0) {
    throw SettingsError(std::string("cannot act as the owner of ") + folder.string() + ": " + std::strerror(errno));
  }
  switched_ = true;
  if (!set_file_system_identity(owner->user, group)) {
    restore();
    throw SettingsError("cannot act as the owner of " + folder.string());
  }
}

ActingAsFolderOwner::~ActingAsFolderOwner() { restore(); }

void ActingAsFolderOwner::restore() {
  if (!switched_) return;
  switched_ = false;
  set_file_system_identity(0, ::getegid());
  ::setgroups(groups_.size(), groups_.data());
}

}  // namespace hv::linux_backend
