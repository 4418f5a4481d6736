#pragma once

#include <string>
#include <string_view>

namespace hv {

// A section name is any file name, so it may hold bytes that would end or confuse an INI header.
// Those are written as %XX; ordinary names (letters, digits, '-', '_', '.', inner spaces, valid
// UTF-8) stand in the file as they are, so a tester recognises them.
std::string encode_section_name(std::string_view name);

// The inverse; a '%' not followed by two hex digits stands for itself, so hand-written headers
// still mean what they say.
std::string decode_section_name(std::string_view text);

}  // namespace hv
