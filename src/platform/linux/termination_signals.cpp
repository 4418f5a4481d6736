#include "platform/linux/termination_signals.h"

#include <FL/Fl.H>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace hv::linux_backend {
namespace {

constexpr int kTerminationSignals[] = {SIGTERM, SIGHUP, SIGINT};
int g_wake_fds[2] = {-1, -1};
volatile sig_atomic_t g_signalled = 0;
volatile sig_atomic_t g_held_up = 0;
timespec g_first_signal{};
void (*g_close)(void*) = nullptr;
void* g_close_data = nullptr;

bool close_overdue() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec - g_first_signal.tv_sec >= kCloseBoundSeconds;
}

// Only write(), clock_gettime() and _exit() are called, all safe in a signal handler; errno is the
// interrupted code's and is kept. A copy held up by its error box has its error on stderr already,
// and a logout must not wait on the box.
void on_signal(int) {
  const int saved = errno;
  if (g_held_up) ::_exit(1);
  if (g_signalled) {
    if (close_overdue()) ::_exit(1);
    errno = saved;
    return;
  }
  ::clock_gettime(CLOCK_MONOTONIC, &g_first_signal);
  g_signalled = 1;
  const char byte = 1;
  [[maybe_unused]] const ssize_t ignored = ::write(g_wake_fds[1], &byte, 1);
  errno = saved;
}

void on_wake(int fd, void*) {
  char bytes[16];
  while (::read(fd, bytes, sizeof bytes) > 0) {
  }
  g_close(g_close_data);
}

}  // namespace

void end_at_next_termination_signal() { g_held_up = 1; }

void close_on_termination_signals(void (*close)(void*), void* data) {
  g_close = close, g_close_data = data;
  if (g_wake_fds[0] < 0 && ::pipe2(g_wake_fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  Fl::add_fd(g_wake_fds[0], FL_READ, on_wake);
  struct sigaction action {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  for (const int signal : kTerminationSignals) sigaddset(&action.sa_mask, signal);  // one handler at a time
  action.sa_flags = SA_RESTART;
  for (const int signal : kTerminationSignals) {
    // One ignored when the copy started stays ignored: nohup's SIGHUP, a background job's SIGINT.
    struct sigaction before {};
    if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    ::sigaction(signal, &action, nullptr);
  }
}

}  // namespace hv::linux_backend
