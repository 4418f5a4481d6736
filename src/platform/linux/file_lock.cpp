#include "platform/linux/file_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/time.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "platform/settings_storage.h"

namespace hv::linux_backend {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

[[noreturn]] void refuse(const fs::path& path, const std::string& why) {
  throw SettingsError("cannot lock " + path.string() + ": " + why);
}

// When the lock last changed hands: every writer stamps the lock file as it takes it.
timespec last_stamp(int lock) {
  struct stat info {};
  if (::fstat(lock, &info) != 0) return {};
  return info.st_ctim;
}

bool same_time(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

void wake(int) {}

// While it lives, a blocked flock returns every tenth of a second (EINTR), so that the wait can be
// judged; blocked in the kernel, every waiter is woken the moment the lock is let go, where waiters
// polling in turn could each miss it for as long as others kept taking it.
class Ticks {
 public:
  Ticks() {
    struct sigaction action {};
    action.sa_handler = wake;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGALRM, &action, &old_action_);
    const itimerval every{{0, 100000}, {0, 100000}};
    ::setitimer(ITIMER_REAL, &every, &old_timer_);
  }
  ~Ticks() {
    ::setitimer(ITIMER_REAL, &old_timer_, nullptr);
    ::sigaction(SIGALRM, &old_action_, nullptr);
  }
  Ticks(const Ticks&) = delete;
  Ticks& operator=(const Ticks&) = delete;

 private:
  struct sigaction old_action_ {};
  itimerval old_timer_{};
};

std::string seconds(std::chrono::milliseconds wait) {
  return std::to_string(wait.count() / 1000) + (wait.count() % 1000 ? "." + std::to_string(wait.count() % 1000 / 100) : "") + " s";
}

}  // namespace

UniqueFd lock_in(int folder, const std::string& name, const fs::path& shown, LockPatience patience) {
  // Nothing but a regular file is opened: a device's open may act on it.
  struct stat found {};
  if (::fstatat(folder, name.c_str(), &found, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISLNK(found.st_mode)) refuse(shown, "it is a symbolic link, which the lock never is");
    if (!S_ISREG(found.st_mode)) refuse(shown, "it is not a regular file");
  }
  UniqueFd fd(::openat(folder, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600));
  if (!fd && errno == ELOOP) refuse(shown, "it is a symbolic link, which the lock never is");
  if (!fd) refuse(shown, std::strerror(errno));
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) refuse(shown, std::strerror(errno));
  if (!S_ISREG(info.st_mode)) refuse(shown, "it is not a regular file");

  const Clock::time_point start = Clock::now();
  Clock::time_point last_progress = start;
  timespec seen = last_stamp(fd.get());
  std::optional<Ticks> ticks;
  for (;;) {
    if (::flock(fd.get(), ticks ? LOCK_EX : LOCK_EX | LOCK_NB) == 0) {
      ::futimens(fd.get(), nullptr);  // those waiting see the lock pass on
      return fd;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) refuse(shown, std::strerror(errno));
    if (!ticks) ticks.emplace();
    const Clock::time_point now = Clock::now();
    if (const timespec stamp = last_stamp(fd.get()); !same_time(stamp, seen)) seen = stamp, last_progress = now;
    if (now - last_progress >= patience.idle_limit) {
      refuse(shown, "another process has held it without letting go for " + seconds(patience.idle_limit));
    }
    if (now - start >= patience.longest_wait) {
      refuse(shown, "other processes have held it in turn for " + seconds(patience.longest_wait));
    }
  }
}

}  // namespace hv::linux_backend
