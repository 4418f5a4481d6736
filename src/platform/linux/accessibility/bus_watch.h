#pragma once

#include <functional>

#include "platform/linux/sd_bus_library.h"

namespace hv::linux_backend {

// Serves one bus connection from the window's event loop: its socket is watched for what sd-bus
// waits on and its messages are handled as they come, so nothing ever waits for the bus. A
// connection that ends or fails is reported once through on_lost, which may destroy the watch.
class BusWatch {
 public:
  BusWatch(const SdBusLibrary& sd, sd_bus* bus, std::function<void()> on_lost);
  ~BusWatch();
  BusWatch(const BusWatch&) = delete;
  BusWatch& operator=(const BusWatch&) = delete;

  // Handles what is waiting and arms the watch again; call after queueing messages.
  void pump();

 private:
  static void on_socket(int fd, void* watch);
  static void on_timeout(void* watch);
  void arm();
  void disarm();

  const SdBusLibrary& sd_;
  sd_bus* bus_;
  std::function<void()> on_lost_;
  int fd_ = -1;
  int events_ = 0;
};

}  // namespace hv::linux_backend
