#include "platform/linux/accessibility/accessibility_switch.h"

#include <FL/Fl.H>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include "platform/linux/status_question.h"

namespace hv::linux_backend {
namespace {

namespace question = status_question;

constexpr std::uint64_t kAnswerMicroseconds = static_cast<std::uint64_t>(AccessibilitySwitch::kAnswerSeconds * 1e6);
// Two answers of a few dozen bytes; anything much longer is no answer to them.
constexpr std::size_t kLongestInbox = 64 * 1024;
constexpr std::uint32_t kIsEnabledSerial = 2, kScreenReaderSerial = 3;

// GTK's and Qt's switch for keeping a program off the accessibility bus, honoured here too.
bool kept_off() {
  const char* off = std::getenv("NO_AT_BRIDGE");
  return off && std::strcmp(off, "1") == 0;
}

std::string unescape(std::string_view value) {
  std::string plain;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '%' && i + 2 < value.size()) {
      plain.push_back(static_cast<char>(std::strtol(std::string(value.substr(i + 1, 2)).c_str(), nullptr, 16)));
      i += 2;
    } else {
      plain.push_back(value[i]);
    }
  }
  return plain;
}

// The session bus's socket: the first unix path or abstract name of DBUS_SESSION_BUS_ADDRESS, else
// $XDG_RUNTIME_DIR/bus, as sd-bus and libdbus look for it.
std::optional<sockaddr_un> session_bus_socket() {
  sockaddr_un where{};
  where.sun_family = AF_UNIX;
  const auto fill = [&](std::string_view path, bool abstract) -> std::optional<sockaddr_un> {
    const std::size_t offset = abstract ? 1 : 0;
    if (path.empty() || path.size() + offset >= sizeof where.sun_path) return std::nullopt;
    std::memcpy(where.sun_path + offset, path.data(), path.size());
    return where;
  };
  if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address) {
    std::string_view rest = address;
    while (!rest.empty()) {
      const std::string_view entry = rest.substr(0, rest.find(';'));
      rest = entry.size() < rest.size() ? rest.substr(entry.size() + 1) : std::string_view();
      if (entry.substr(0, 5) != "unix:") continue;
      std::string_view keys = entry.substr(5);
      while (!keys.empty()) {
        const std::string_view pair = keys.substr(0, keys.find(','));
        keys = pair.size() < keys.size() ? keys.substr(pair.size() + 1) : std::string_view();
        if (pair.substr(0, 5) == "path=") return fill(unescape(pair.substr(5)), false);
        if (pair.substr(0, 9) == "abstract=") return fill(unescape(pair.substr(9)), true);
      }
    }
    return std::nullopt;
  }
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    return fill(std::string(runtime) + "/bus", false);
  }
  return std::nullopt;
}

socklen_t address_length(const sockaddr_un& where) {
  const bool abstract = where.sun_path[0] == '\0';
  const std::size_t name = abstract ? 1 + std::strlen(where.sun_path + 1) : std::strlen(where.sun_path);
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name);
}

bool send_all(int socket, std::string_view bytes) {
  // A few hundred bytes into an empty socket: all of it goes at once, or the bus is not answering.
  return ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT) == static_cast<ssize_t>(bytes.size());
}

}  // namespace

AccessibilitySwitch::AccessibilitySwitch(AccessibleWindow& window, std::string application_name)
    : window_(window), application_name_(std::move(application_name)) {
  // The first question waits for the event loop, so the window is on the screen before it.
  if (!kept_off()) Fl::add_timeout(0.0, ask, this);
}

AccessibilitySwitch::~AccessibilitySwitch() {
  for (auto callback : {ask, give_up, ask_later_from_loop, leave_from_loop, join_from_loop}) {
    Fl::remove_timeout(callback, this);
  }
  bridge_.reset();
  end_question();
  sd_.reset();
}

void AccessibilitySwitch::ask(void* self_pointer) {
  auto* self = static_cast<AccessibilitySwitch*>(self_pointer);
  if (self->bridge_ || self->socket_ >= 0 || self->session_) return;
  const std::optional<sockaddr_un> where = session_bus_socket();
  if (!where) return self->ask_later();
  self->socket_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (self->socket_ < 0 || ::connect(self->socket_, reinterpret_cast<const sockaddr*>(&*where), address_length(*where)) != 0 ||
      !send_all(self->socket_, question::authentication(::getuid()))) {
    return self->ask_later();
  }
  self->authenticated_ = false;
  self->inbox_.clear();
  self->answers_ = 0;
  self->wanted_ = false;
  Fl::add_fd(self->socket_, FL_READ, on_readable, self);
  Fl::add_timeout(kAnswerSeconds, give_up, self);
}

void AccessibilitySwitch::on_readable(int, void* self_pointer) {
  auto* self = static_cast<AccessibilitySwitch*>(self_pointer);
  char chunk[4096];
  const ssize_t got = ::recv(self->socket_, chunk, sizeof chunk, MSG_DONTWAIT);
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;
  if (got <= 0 || self->inbox_.size() + static_cast<std::size_t>(got) > kLongestInbox) return self->ask_later();
  self->inbox_.append(chunk, static_cast<std::size_t>(got));
  self->read_answers();
}

void AccessibilitySwitch::read_answers() {
  if (!authenticated_) {
    const std::size_t end = inbox_.find("\r\n");
    if (end == std::string::npos) return;
    if (!question::accepted(std::string_view(inbox_).substr(0, end))) return ask_later();
    inbox_.erase(0, end + 2);
    authenticated_ = true;
    const std::string asked = std::string(question::kBegin) + question::hello(1) +
                              question::get_status(kIsEnabledSerial, "IsEnabled") +
                              question::get_status(kScreenReaderSerial, "ScreenReaderEnabled");
    if (!send_all(socket_, asked)) return ask_later();
  }
  while (const std::optional<std::size_t> length = question::message_length(inbox_)) {
    if (inbox_.size() < *length) return;
    const auto reply = question::read_reply(std::string_view(inbox_).substr(0, *length));
    inbox_.erase(0, *length);
    if (!reply || (reply->reply_serial != kIsEnabledSerial && reply->reply_serial != kScreenReaderSerial)) continue;
    wanted_ = wanted_ || reply->value.value_or(false);
    if (++answers_ == 2) return answered(wanted_);
  }
  // What is there cannot start a message of the bus.
  if (inbox_.size() >= 16) ask_later();
}

void AccessibilitySwitch::answered(bool wanted) {
  end_question();
  if (!wanted) return ask_later();
  fetch_address();
}

// The accessibility bus's address comes from its launcher, asked through sd-bus, which the copy
// keeps from now on.
void AccessibilitySwitch::fetch_address() {
  if (!sd_) sd_ = SdBusLibrary::load();
  const SdBusLibrary* sd = sd_.get();
  if (!sd || sd->sd_bus_open_user(&session_) < 0) {
    session_ = nullptr;
    return ask_later();
  }
  BusMessage call(*sd, nullptr);
  if (sd->sd_bus_message_new_method_call(session_, call.out(), "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus",
                                         "GetAddress") < 0 ||
      sd->sd_bus_call_async(session_, &pending_, call.get(), on_address, this, kAnswerMicroseconds) < 0) {
    return ask_later();
  }
  session_watch_ = std::make_unique<BusWatch>(*sd, session_, [this] { Fl::add_timeout(0.0, ask_later_from_loop, this); });
  Fl::add_timeout(kAnswerSeconds * 2, give_up, this);
  session_watch_->pump();
}

int AccessibilitySwitch::on_address(sd_bus_message* reply, void* self_pointer, sd_bus_error*) {
  auto* self = static_cast<AccessibilitySwitch*>(self_pointer);
  const SdBusLibrary& sd = *self->sd_;
  sd.sd_bus_slot_unref(self->pending_);
  self->pending_ = nullptr;
  const char* address = nullptr;
  self->address_.clear();
  if (!sd.sd_bus_message_is_method_error(reply, nullptr) && sd.sd_bus_message_read(reply, "s", &address) > 0) {
    self->address_ = address;
  }
  // The session connection is done with once the address is known; it is closed from the event
  // loop, outside sd-bus's own handling of this answer.
  Fl::add_timeout(0.0, join_from_loop, self);
  return 0;
}

void AccessibilitySwitch::join_from_loop(void* self_pointer) {
  auto* self = static_cast<AccessibilitySwitch*>(self_pointer);
  self->end_question();
  if (self->address_.empty()) self->ask_later();
  else self->join(self->address_.c_str());
}

void AccessibilitySwitch::join(const char* address) {
  const SdBusLibrary& sd = *sd_;
  sd_bus* bus = nullptr;
  if (sd.sd_bus_new(&bus) < 0) return ask_later();
  if (sd.sd_bus_set_address(bus, address) < 0 || sd.sd_bus_set_bus_client(bus, 1) < 0 || sd.sd_bus_start(bus) < 0) {
    sd.sd_bus_close_unref(bus);
    return ask_later();
  }
  bridge_ = std::make_unique<AtspiBridge>(sd, bus, window_, application_name_,
                                          [this] { Fl::add_timeout(0.0, leave_from_loop, this); });
}

void AccessibilitySwitch::leave_from_loop(void* self_pointer) {
  auto* self = static_cast<AccessibilitySwitch*>(self_pointer);
  self->bridge_.reset();
  self->ask_later();
}

void AccessibilitySwitch::ask_later_from_loop(void* self) { static_cast<AccessibilitySwitch*>(self)->ask_later(); }

void AccessibilitySwitch::give_up(void* self_pointer) {
  auto* self = static_cast<AccessibilitySwitch*>(self_pointer);
  if (self->socket_ >= 0 || self->session_) self->ask_later();
}

void AccessibilitySwitch::end_question() {
  Fl::remove_timeout(give_up, this);
  if (socket_ >= 0) {
    Fl::remove_fd(socket_);
    ::close(socket_);
    socket_ = -1;
  }
  inbox_.clear();
  inbox_.shrink_to_fit();
  session_watch_.reset();
  if (pending_) sd_->sd_bus_slot_unref(pending_);
  pending_ = nullptr;
  if (session_) sd_->sd_bus_close_unref(session_);
  session_ = nullptr;
}

void AccessibilitySwitch::ask_later() {
  end_question();
  Fl::remove_timeout(ask, this);
  if (!bridge_) Fl::add_timeout(kAskAgainSeconds, ask, this);
}

}  // namespace hv::linux_backend
