#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hv::linux_backend {

// The few D-Bus messages a copy needs to ask the session whether it wants accessibility, written and
// read by hand: asking every few seconds through a D-Bus library would leave that library's memory
// in every copy of a session that never turns accessibility on. Everything else on the bus goes
// through sd-bus, loaded once the answer is yes.
namespace status_question {

// The authentication that opens a connection as this user, and the line that ends it.
std::string authentication(unsigned uid);
inline constexpr std::string_view kBegin = "BEGIN\r\n";
// Whether the server's line accepts it.
bool accepted(std::string_view line);

// org.freedesktop.DBus.Hello, which a connection must send first.
std::string hello(std::uint32_t serial);
// org.freedesktop.DBus.Properties.Get of org.a11y.Status's property, sent so that it starts no
// launcher: a session without one has no accessibility.
std::string get_status(std::uint32_t serial, std::string_view property);

// The length of the whole message at the start of bytes, once its header is there; null while
// more is needed or where it is no message.
std::optional<std::size_t> message_length(std::string_view bytes);

struct Reply {
  std::uint32_t reply_serial;
  bool error;
  std::optional<bool> value;  // a boolean held in a variant, where the reply is one
};
// A method return or error; null for anything else or anything malformed.
std::optional<Reply> read_reply(std::string_view message);

}  // namespace status_question
}  // namespace hv::linux_backend
