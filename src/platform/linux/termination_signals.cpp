#include "platform/linux/termination_signals.h"

#include <FL/Fl.H>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace hv::linux_backend {
namespace {

int g_wake_fds[2] = {-1, -1};
void (*g_close)(void*) = nullptr;
void* g_close_data = nullptr;

// Only write() is safe in a signal handler; errno is the interrupted code's and is kept.
void on_signal(int) {
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
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(signal, &action, nullptr);
}

}  // namespace hv::linux_backend
