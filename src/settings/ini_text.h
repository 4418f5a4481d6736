#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hv {

// The settings file's text: "[section]" headers and "key=value" lines. Reading and editing touch
// only the one line concerned, so comments, unknown keys, other sections and lines that are not
// understood keep every byte. Keys match without regard to ASCII case, as registry names do.
std::optional<std::string> ini_find_value(std::string_view text, std::string_view section,
                                          std::string_view key);

// The text with section's key set to value: the first such line is replaced, or a line is added to
// the section, or the section is added at the end. Throws std::invalid_argument for a key or
// value that cannot stand on one line.
std::string ini_with_value(std::string_view text, std::string_view section, std::string_view key,
                           std::string_view value);

// The text without the section: every header naming it and the lines under each, up to the next
// header. Other bytes stay as they are.
std::string ini_without_section(std::string_view text, std::string_view section);

}  // namespace hv
