#include "platform/linux/status_question.h"

#include <cstring>
#include <vector>

namespace hv::linux_backend::status_question {
namespace {

constexpr std::uint8_t kMethodCall = 1, kMethodReturn = 2, kError = 3;
constexpr std::uint8_t kNoAutoStart = 0x2;
enum Field : std::uint8_t { kPath = 1, kInterface = 2, kMember = 3, kReplySerial = 5, kDestination = 6, kSignature = 8 };

void pad(std::string& out, std::size_t alignment) {
  while (out.size() % alignment) out.push_back('\0');
}

void put_u32(std::string& out, std::uint32_t value) {
  pad(out, 4);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void put_string(std::string& out, std::string_view text) {
  put_u32(out, static_cast<std::uint32_t>(text.size()));
  out.append(text);
  out.push_back('\0');
}

void put_field(std::string& out, Field field, char type, std::string_view value) {
  pad(out, 8);
  out.push_back(static_cast<char>(field));
  out.push_back('\1');
  out.push_back(type);
  out.push_back('\0');
  if (type == 'g') {
    out.push_back(static_cast<char>(value.size()));
    out.append(value);
    out.push_back('\0');
  } else {
    put_string(out, value);
  }
}

struct Call {
  std::string_view destination, path, interface, member, signature;
};

// Little-endian, as 'l' says; the body's alignment counts from the message's start, which the
// header's padding to 8 keeps.
std::string method_call(std::uint32_t serial, std::uint8_t flags, const Call& call, std::string_view body) {
  std::string fields;
  put_field(fields, kPath, 'o', call.path);
  put_field(fields, kDestination, 's', call.destination);
  put_field(fields, kInterface, 's', call.interface);
  put_field(fields, kMember, 's', call.member);
  if (!call.signature.empty()) put_field(fields, kSignature, 'g', call.signature);
  std::string message{'l', static_cast<char>(kMethodCall), static_cast<char>(flags), '\1'};
  put_u32(message, static_cast<std::uint32_t>(body.size()));
  put_u32(message, serial);
  put_u32(message, static_cast<std::uint32_t>(fields.size()));
  message += fields;
  pad(message, 8);
  return message + std::string(body);
}

class Reader {
 public:
  Reader(std::string_view bytes, bool little) : bytes_(bytes), little_(little) {}
  bool align(std::size_t alignment) {
    while (at_ % alignment) {
      if (at_ >= bytes_.size()) return false;
      ++at_;
    }
    return true;
  }
  std::optional<std::uint32_t> u32() {
    if (!align(4) || bytes_.size() - at_ < 4) return std::nullopt;
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      const auto byte = static_cast<std::uint8_t>(bytes_[at_ + (little_ ? i : 3 - i)]);
      value |= static_cast<std::uint32_t>(byte) << (8 * i);
    }
    at_ += 4;
    return value;
  }
  std::optional<std::uint8_t> byte() {
    if (at_ >= bytes_.size()) return std::nullopt;
    return static_cast<std::uint8_t>(bytes_[at_++]);
  }
  // A string (u32 length) or signature (byte length), with its closing nul.
  std::optional<std::string_view> text(bool signature) {
    std::optional<std::uint32_t> length;
    if (signature) {
      if (auto b = byte()) length = *b;
    } else {
      length = u32();
    }
    if (!length || bytes_.size() - at_ < std::size_t{*length} + 1 || bytes_[at_ + *length] != '\0') {
      return std::nullopt;
    }
    const std::string_view found = bytes_.substr(at_, *length);
    at_ += *length + 1;
    return found;
  }
  std::size_t at() const { return at_; }
  void seek(std::size_t to) { at_ = to; }

 private:
  std::string_view bytes_;
  bool little_;
  std::size_t at_ = 0;
};

std::optional<bool> little_endian(char marker) {
  if (marker == 'l') return true;
  if (marker == 'B') return false;
  return std::nullopt;
}

}  // namespace

std::string authentication(unsigned uid) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (char digit : std::to_string(uid)) {
    hex.push_back(kHex[(digit >> 4) & 0xF]);
    hex.push_back(kHex[digit & 0xF]);
  }
  return std::string("\0AUTH EXTERNAL ", 15) + hex + "\r\n";
}

bool accepted(std::string_view line) { return line.substr(0, 3) == "OK "; }

std::string hello(std::uint32_t serial) {
  return method_call(serial, 0, {"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "Hello", ""},
                     "");
}

std::string get_status(std::uint32_t serial, std::string_view property) {
  std::string body;
  put_string(body, "org.a11y.Status");
  put_string(body, property);
  return method_call(serial, kNoAutoStart,
                     {"org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Get", "ss"}, body);
}

std::optional<std::size_t> message_length(std::string_view bytes) {
  if (bytes.size() < 16) return std::nullopt;
  const std::optional<bool> little = little_endian(bytes[0]);
  if (!little) return std::nullopt;
  Reader header(bytes, *little);
  header.seek(4);
  const auto body = header.u32();
  header.u32();
  const auto fields = header.u32();
  // D-Bus's own limit on a message: a larger length is no message of a bus.
  constexpr std::uint64_t kLargest = 128u * 1024 * 1024;
  if (!body || !fields || *body > kLargest || *fields > kLargest) return std::nullopt;
  const std::uint64_t header_end = (16 + std::uint64_t{*fields} + 7) / 8 * 8;
  return static_cast<std::size_t>(header_end + *body);
}

std::optional<Reply> read_reply(std::string_view message) {
  const auto length = message_length(message);
  if (!length || *length != message.size()) return std::nullopt;
  const bool little = *little_endian(message[0]);
  const auto type = static_cast<std::uint8_t>(message[1]);
  if (type != kMethodReturn && type != kError) return std::nullopt;
  Reader reader(message, little);
  reader.seek(12);
  const std::uint32_t fields_length = *reader.u32();
  const std::size_t fields_end = 16 + fields_length;
  std::optional<std::uint32_t> reply_serial;
  std::string_view signature;
  while (reader.at() < fields_end) {
    if (!reader.align(8) || reader.at() >= fields_end) break;
    const auto code = reader.byte();
    const auto type_signature = reader.text(true);
    if (!code || !type_signature || type_signature->size() != 1) return std::nullopt;
    const char field_type = (*type_signature)[0];
    if (field_type == 'u') {
      const auto value = reader.u32();
      if (!value) return std::nullopt;
      if (*code == kReplySerial) reply_serial = *value;
    } else if (field_type == 's' || field_type == 'o' || field_type == 'g') {
      const auto value = reader.text(field_type == 'g');
      if (!value) return std::nullopt;
      if (*code == kSignature) signature = *value;
    } else {
      return std::nullopt;  // no header field of these types carries anything else
    }
  }
  if (!reply_serial || reader.at() > fields_end) return std::nullopt;
  Reply reply{*reply_serial, type == kError, std::nullopt};
  if (reply.error || signature != "v") return reply;
  reader.seek(fields_end);
  if (!reader.align(8)) return reply;
  const auto held = reader.text(true);
  if (held && *held == "b") {
    if (const auto value = reader.u32(); value && *value <= 1) reply.value = *value == 1;
  }
  return reply;
}

}  // namespace hv::linux_backend::status_question
