#include "platform/linux/termination_signals.h"

#include <FL/Fl.H>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace hv::linux_backend {
namespace {

constexpr int kTerminationSignals[] = {SIGTERM, SIGHUP, SIGINT};
int g_wake_fds[2] = {-1, -1};
volatile sig_atomic_t g_signalled = 0;
void (*g_close)(void*) = nullptr;
void* g_close_data = nullptr;

// Only write() and _exit() are safe in a signal handler; errno is the interrupted code's and is
// kept. A second signal finds the first one's close still held up (by an error box a failed store
// shows, say): a logout asking twice must not wait on it, and the error is on stderr already.
void on_signal(int) {
  if (g_signalled) ::_exit(1);
  g_signalled = 1;
  const int saved = errno;
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
