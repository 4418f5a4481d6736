#pragma once

#include <systemd/sd-bus.h>

#include <memory>

namespace hv::linux_backend {

// The part of libsystemd's sd-bus the accessibility bridge uses, loaded at run time: a copy loads
// the library only while it asks whether the session wants accessibility or serves it, since
// keeping it mapped costs every copy some 140 kB of its own memory.
#define HV_SD_BUS_FUNCTIONS(X)                                                                          \
  X(sd_bus_open_user) X(sd_bus_new) X(sd_bus_set_address) X(sd_bus_set_bus_client) X(sd_bus_start)    \
  X(sd_bus_close_unref) X(sd_bus_get_fd) X(sd_bus_get_events) X(sd_bus_get_timeout) X(sd_bus_process) \
  X(sd_bus_get_unique_name) X(sd_bus_add_fallback) X(sd_bus_add_object) X(sd_bus_send) X(sd_bus_call_async)                 \
  X(sd_bus_slot_unref) X(sd_bus_message_new_method_call) X(sd_bus_message_new_method_return)          \
  X(sd_bus_message_new_method_errorf) X(sd_bus_message_new_signal) X(sd_bus_message_set_auto_start)   \
  X(sd_bus_message_unref) X(sd_bus_message_get_interface) X(sd_bus_message_get_member)                \
  X(sd_bus_message_get_path) X(sd_bus_message_get_destination) X(sd_bus_message_get_type) X(sd_bus_message_is_method_error)             \
  X(sd_bus_message_read) X(sd_bus_message_append) X(sd_bus_message_open_container)                    \
  X(sd_bus_message_close_container) X(sd_bus_message_enter_container) X(sd_bus_message_exit_container) \
  X(sd_bus_message_skip) X(sd_bus_message_get_signature) X(sd_bus_match_signal_async) X(sd_bus_wait) \
  X(sd_bus_get_n_queued_write)

class SdBusLibrary {
 public:
  // Null where libsystemd or one of its functions is missing.
  static std::unique_ptr<SdBusLibrary> load();
  ~SdBusLibrary();
  SdBusLibrary(const SdBusLibrary&) = delete;
  SdBusLibrary& operator=(const SdBusLibrary&) = delete;

#define HV_SD_BUS_MEMBER(name) decltype(&::name) name = nullptr;
  HV_SD_BUS_FUNCTIONS(HV_SD_BUS_MEMBER)
#undef HV_SD_BUS_MEMBER

 private:
  explicit SdBusLibrary(void* handle) : handle_(handle) {}
  void* handle_;
};

// A message reference that is let go with the library's own function.
class BusMessage {
 public:
  BusMessage(const SdBusLibrary& sd, sd_bus_message* message) : sd_(&sd), message_(message) {}
  ~BusMessage() {
    if (message_) sd_->sd_bus_message_unref(message_);
  }
  BusMessage(const BusMessage&) = delete;
  BusMessage& operator=(const BusMessage&) = delete;
  sd_bus_message* get() const { return message_; }
  sd_bus_message** out() { return &message_; }
  explicit operator bool() const { return message_ != nullptr; }

 private:
  const SdBusLibrary* sd_;
  sd_bus_message* message_;
};

}  // namespace hv::linux_backend
