#include "platform/linux/accessibility/bus_watch.h"

#include <FL/Fl.H>
#include <poll.h>
#include <time.h>

#include <cstdint>
#include <utility>

namespace hv::linux_backend {

BusWatch::BusWatch(const SdBusLibrary& sd, sd_bus* bus, std::function<void()> on_lost)
    : sd_(sd), bus_(bus), on_lost_(std::move(on_lost)) {
  Fl::add_timeout(0.0, on_timeout, this);
}

BusWatch::~BusWatch() {
  disarm();
  Fl::remove_timeout(on_timeout, this);
}

void BusWatch::pump() {
  // sd_bus_process handles one message a call; a busy client gets its answers in one go.
  for (int handled = 0; handled < 64; ++handled) {
    const int r = sd_.sd_bus_process(bus_, nullptr);
    if (r < 0) {
      disarm();
      Fl::remove_timeout(on_timeout, this);
      auto lost = std::move(on_lost_);
      lost();  // may destroy this watch
      return;
    }
    if (r == 0) break;
  }
  arm();
}

void BusWatch::arm() {
  const int fd = sd_.sd_bus_get_fd(bus_);
  const int wanted = sd_.sd_bus_get_events(bus_);
  int events = 0;
  if (wanted > 0 && (wanted & POLLIN)) events |= FL_READ;
  if (wanted > 0 && (wanted & POLLOUT)) events |= FL_WRITE;
  if (fd != fd_ || events != events_) {
    disarm();
    if (fd >= 0 && events) Fl::add_fd(fd, events, on_socket, this);
    fd_ = fd;
    events_ = events;
  }
  Fl::remove_timeout(on_timeout, this);
  std::uint64_t due = 0;
  if (sd_.sd_bus_get_timeout(bus_, &due) > 0 && due != UINT64_MAX) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t now_us = static_cast<std::uint64_t>(now.tv_sec) * 1000000u + now.tv_nsec / 1000;
    Fl::add_timeout(due > now_us ? (due - now_us) / 1e6 : 0.0, on_timeout, this);
  }
}

void BusWatch::disarm() {
  if (fd_ >= 0 && events_) Fl::remove_fd(fd_);
  fd_ = -1;
  events_ = 0;
}

void BusWatch::on_socket(int, void* watch) { static_cast<BusWatch*>(watch)->pump(); }

void BusWatch::on_timeout(void* watch) { static_cast<BusWatch*>(watch)->pump(); }

}  // namespace hv::linux_backend
