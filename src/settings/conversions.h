#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hv {

// Text forms of stored values. Reading accepts '.' and ',' alike as the decimal separator and never
// treats either as digit grouping, so a value written under any locale reads back as the same
// number. A text that is not a finite number in range gives nullopt.
std::optional<float> text_to_single(std::string_view text);
std::optional<std::int16_t> text_to_int16(std::string_view text);

// Whole numbers have no fraction ("1000"); otherwise at most seven significant digits, no exponent,
// with the given decimal separator.
std::string single_to_text(float value, char decimal_separator);
std::string int16_to_text(std::int16_t value);

}  // namespace hv
