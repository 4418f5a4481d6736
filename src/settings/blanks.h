#pragma once

#include <string_view>

namespace hv {

// Spaces and tabs around a stored text or a key mean nothing, in a file a person may edit.
inline bool is_blank(char c) { return c == ' ' || c == '\t'; }

inline std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace hv
