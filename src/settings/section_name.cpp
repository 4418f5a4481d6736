#include "settings/section_name.h"

namespace hv {
namespace {

bool must_escape_ascii(unsigned char c) {
  return c < 0x20 || c == 0x7f || c == '%' || c == '[' || c == ']' || c == '=' || c == ';' ||
         c == '#';
}

// Length of the well-formed UTF-8 sequence starting at text[i], or 0 if there is none.
std::size_t utf8_sequence_length(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xbf;  // allowed range of the second byte
  if (lead >= 0xc2 && lead <= 0xdf) length = 2;
  else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    if (lead == 0xe0) low = 0xa0;        // no overlong forms
    if (lead == 0xed) high = 0x9f;       // no surrogates
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    if (lead == 0xf0) low = 0x90;
    if (lead == 0xf4) high = 0x8f;       // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (std::size_t k = i + 2; k < i + length; ++k) {
    if (byte(k) < 0x80 || byte(k) > 0xbf) return 0;
  }
  return length;
}

void append_escaped(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += '%';
  out += kHex[c >> 4];
  out += kHex[c & 0x0f];
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string encode_section_name(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (std::size_t i = 0; i < name.size();) {
    const auto c = static_cast<unsigned char>(name[i]);
    // Readers trim blanks around a header's name, so blanks at either end are escaped.
    const bool edge_space = c == ' ' && (i == 0 || i + 1 == name.size());
    if (c >= 0x80) {
      if (const std::size_t length = utf8_sequence_length(name, i)) {
        out.append(name.substr(i, length));
        i += length;
        continue;
      }
      append_escaped(out, c);
    } else if (edge_space || must_escape_ascii(c)) {
      append_escaped(out, c);
    } else {
      out += static_cast<char>(c);
    }
    ++i;
  }
  return out;
}

std::string decode_section_name(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hex_value(text[i + 1]) >= 0 &&
        hex_value(text[i + 2]) >= 0) {
      out += static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace hv
