#include "platform/linux/accessibility/bridge.h"

#include <FL/Fl.H>
#include <malloc.h>

#include <cstring>
#include <utility>

#include "platform/linux/accessibility/signatures.h"

namespace hv::linux_backend {

using namespace atspi;

AtspiBridge::AtspiBridge(const SdBusLibrary& sd, sd_bus* bus, AccessibleWindow& window, std::string application_name,
                         std::function<void()> on_lost)
    : sd_(sd), bus_(bus), window_(window), application_name_(std::move(application_name)),
      last_tick_(window.tick_value()) {
  sd_.sd_bus_add_fallback(bus_, &objects_, kObjects, on_call, this);
  sd_.sd_bus_add_object(bus_, &cache_, "/org/a11y/atspi/cache", on_cache_call, this);
  watch_ = std::make_unique<BusWatch>(sd_, bus_, std::move(on_lost));
  keys_ = std::make_unique<KeyForwarder>(sd_, bus_, pump_after_key, this);
  // The registry is told of the application under the connection's own name, which the bus gives
  // with its first answer.
  BusMessage ping(sd_, nullptr);
  if (sd_.sd_bus_message_new_method_call(bus_, ping.out(), "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                         "org.freedesktop.DBus.Peer", "Ping") >= 0) {
    sd_.sd_bus_call_async(bus_, &pending_, ping.get(), on_ping, this, 0);
  }
  last_focus_ = window_.focus();
  for (const ui::Control* control : accessible_controls()) last_texts_.push_back(window_.text(control->id));
  // Looked at each time the event loop has handled what came in, and only while on the bus.
  Fl::add_check(on_check, this);
  watch_error_box(this);
  watch_->pump();
}

AtspiBridge::~AtspiBridge() {
  Fl::remove_check(on_check, this);
  watch_error_box(nullptr);
  keys_.reset();
  watch_.reset();
  if (pending_) sd_.sd_bus_slot_unref(pending_);
  if (objects_) sd_.sd_bus_slot_unref(objects_);
  if (cache_) sd_.sd_bus_slot_unref(cache_);
  sd_.sd_bus_close_unref(bus_);
}

void AtspiBridge::pump_after_key(void* bridge) { static_cast<AtspiBridge*>(bridge)->watch_->pump(); }

int AtspiBridge::on_ping(sd_bus_message* reply, void* bridge, sd_bus_error*) {
  auto* self = static_cast<AtspiBridge*>(bridge);
  self->sd_.sd_bus_slot_unref(self->pending_);
  self->pending_ = nullptr;
  const char* destination = nullptr;
  if (self->sd_.sd_bus_message_is_method_error(reply, nullptr)) return 0;
  // An answer is addressed to the connection's unique name.
  destination = self->sd_.sd_bus_message_get_destination(reply);
  if (!destination) return 0;
  self->unique_name_ = destination;
  BusMessage embed(self->sd_, nullptr);
  if (self->sd_.sd_bus_message_new_method_call(self->bus_, embed.out(), "org.a11y.atspi.Registry", kRootPath,
                                               "org.a11y.atspi.Socket", "Embed") < 0) {
    return 0;
  }
  self->append_reference(embed.get(), kRootPath);
  self->sd_.sd_bus_call_async(self->bus_, &self->pending_, embed.get(), on_embedded, self, 0);
  return 0;
}

int AtspiBridge::on_embedded(sd_bus_message* reply, void* bridge, sd_bus_error*) {
  auto* self = static_cast<AtspiBridge*>(bridge);
  self->sd_.sd_bus_slot_unref(self->pending_);
  self->pending_ = nullptr;
  if (self->sd_.sd_bus_message_is_method_error(reply, nullptr)) return 0;
  const char* owner = nullptr;
  const char* path = nullptr;
  if (self->sd_.sd_bus_message_read(reply, "(so)", &owner, &path) > 0) {
    self->desktop_owner_ = owner;
    self->desktop_path_ = path;
  }
  return 0;
}

// The registry asks a new application for the objects it would have it keep; this one keeps none,
// since its dozen objects are answered for directly.
int AtspiBridge::on_cache_call(sd_bus_message* call, void* bridge, sd_bus_error*) {
  auto* self = static_cast<AtspiBridge*>(bridge);
  const SdBusLibrary& sd = self->sd_;
  if (self->over_bound()) return 1;
  const char* member = sd.sd_bus_message_get_member(call);
  if (!member || std::strcmp(member, "GetItems") != 0) return 0;
  const char* given = sd.sd_bus_message_get_signature(call, 1);
  if (!given || *given) return self->refuse(call, "org.a11y.atspi.Cache.GetItems takes no arguments");
  BusMessage reply(sd, nullptr);
  if (sd.sd_bus_message_new_method_return(call, reply.out()) < 0) return 0;
  sd.sd_bus_message_append(reply.get(), "a((so)(so)(so)iiassusau)", 0);
  self->send(reply.get());
  return 1;
}
// A call with arguments that say nothing this bridge can act on: InvalidArgs, and nothing done; or
// one to an object that is not there (the error box once closed): UnknownObject.
int AtspiBridge::refuse(sd_bus_message* call, const std::string& why, const char* error) {
  BusMessage refusal(sd_, nullptr);
  if (sd_.sd_bus_message_new_method_errorf(call, refusal.out(), error, "%s", why.c_str()) >= 0) {
    send(refusal.get());
  }
  return 1;
}

// Every call to the copy's objects comes here first, those sd-bus would answer itself (Introspect,
// an unknown method) included: past the bound, none is answered.
int AtspiBridge::on_call(sd_bus_message* call, void* bridge, sd_bus_error*) {
  auto* self = static_cast<AtspiBridge*>(bridge);
  return self->over_bound() ? 1 : self->answer(call);
}

// 1 where the call was answered; 0 leaves it to sd-bus, which tells the caller no such method.
int AtspiBridge::answer(sd_bus_message* call) {
  std::uint8_t type = 0;
  if (sd_.sd_bus_message_get_type(call, &type) < 0 || type != SD_BUS_MESSAGE_METHOD_CALL) return 0;
  const char* path = sd_.sd_bus_message_get_path(call);
  const char* interface = sd_.sd_bus_message_get_interface(call);
  const char* member = sd_.sd_bus_message_get_member(call);
  if (!path || !interface || !member) return 0;
  const std::optional<Node> node = Node::at(path);
  // The error box's objects exist only while the box is open.
  if (!node || (node->in_error_box() && !error_box_)) {
    return refuse(call, std::string("no such object: ") + path, SD_BUS_ERROR_UNKNOWN_OBJECT);
  }
  const std::string_view in = interface;
  if (in != kProperties && !node->implements(in)) return 0;
  const std::optional<std::string_view> takes = atspi::signature(in, member);
  if (!takes) return 0;
  const char* given = sd_.sd_bus_message_get_signature(call, 1);
  if (!given || *takes != given) {
    return refuse(call, std::string(interface) + "." + member + " takes (" + std::string(*takes) + "), not (" +
                            (given ? given : "") + ")");
  }

  BusMessage reply(sd_, nullptr);
  if (sd_.sd_bus_message_new_method_return(call, reply.out()) < 0) return 0;
  bool answered = false;
  try {
    if (in == kProperties) answered = answer_properties(*node, member, call, reply.get());
    else if (in == kAccessible) answered = answer_accessible(*node, member, call, reply.get());
    else if (in == kComponent) answered = answer_component(*node, member, call, reply.get());
    else if (in == kAction) answered = answer_action(*node, member, call, reply.get());
    else if (in == kText) answered = answer_text(*node, member, call, reply.get());
    else if (in == kImage) answered = answer_image(*node, member, call, reply.get());
  } catch (const Refusal& refusal) {
    return refuse(call, refusal.why, refusal.error);
  }
  if (!answered) return 0;
  send(reply.get());
  return 1;
}

// A client that calls and never reads keeps the bus from taking the copy's answers; the bus then
// stops reading them, and they would pile up here, holding memory the copy does not give back.
// Past kMostQueued waiting messages, calls go unanswered and events unsent: the client that does not
// read them loses nothing, and one that does sees a call time out, as with any busy application.
// Once the queue has emptied the memory it held goes back to the system.
bool AtspiBridge::over_bound() {
  std::uint64_t queued = 0;
  if (sd_.sd_bus_get_n_queued_write(bus_, &queued) < 0 || queued < kMostQueued) return false;
  dropped_ = true;
  return true;
}

bool AtspiBridge::send(sd_bus_message* message) {
  return !over_bound() && sd_.sd_bus_send(bus_, message, nullptr) >= 0;
}
void AtspiBridge::give_back_after_flood() {
  std::uint64_t queued = 0;
  if (!dropped_ || sd_.sd_bus_get_n_queued_write(bus_, &queued) < 0 || queued > 0) return;
  dropped_ = false;
  malloc_trim(0);
}

void AtspiBridge::append_reference(sd_bus_message* message, const std::string& path) {
  sd_.sd_bus_message_append(message, "(so)", unique_name_.c_str(), path.c_str());
}

void AtspiBridge::append_reference(sd_bus_message* message, const Node& node) {
  append_reference(message, node.path());
}

}  // namespace hv::linux_backend
