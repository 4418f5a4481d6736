#pragma once

#include <chrono>
#include <filesystem>
#include <string>

#include "platform/linux/unique_fd.h"

namespace hv::linux_backend {

// How long a writer waits for the settings lock: while other writers take it in turn (each stamps
// the lock file's times as it takes it) the lock is passing on and the wait goes on, up to the
// longest wait; a holder that keeps it for the idle limit (a process that took the lock and sleeps)
// is given up on at once.
struct LockPatience {
  std::chrono::milliseconds idle_limit{5000};
  std::chrono::milliseconds longest_wait{20000};
};

// Takes the exclusive lock on the store's own lock file name in folder (made where missing, never
// through a link, only a regular file). Throws SettingsError naming shown and the reason; a wait
// that ran out says that another process holds the lock.
UniqueFd lock_in(int folder, const std::string& name, const std::filesystem::path& shown,
                 LockPatience patience = {});

}  // namespace hv::linux_backend
