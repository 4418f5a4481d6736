#include "settings/conversions.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace hv {
namespace {

// Longer texts are not numbers a person or this program wrote.
constexpr std::size_t kMaxNumberText = 64;

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Accepts [sign] digits [sep digits] [e [sign] digits], with '.' or ',' as sep, and returns the
// same number spelt for from_chars; nothing else (no "nan", "inf", hex or grouping).
std::optional<std::string> normalise_number(std::string_view text) {
  text = trim(text);
  if (text.empty() || text.size() > kMaxNumberText) return std::nullopt;
  std::string out;
  std::size_t i = 0;
  if (text[i] == '+' || text[i] == '-') {
    if (text[i] == '-') out += '-';
    ++i;
  }
  std::size_t digits = 0;
  while (i < text.size() && is_digit(text[i])) out += text[i++], ++digits;
  if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
    out += '.';
    ++i;
    while (i < text.size() && is_digit(text[i])) out += text[i++], ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    out += 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) out += text[i++];
    std::size_t exponent_digits = 0;
    while (i < text.size() && is_digit(text[i])) out += text[i++], ++exponent_digits;
    if (exponent_digits == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  return out;
}

std::optional<double> text_to_double(std::string_view text) {
  const auto spelt = normalise_number(text);
  if (!spelt) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(spelt->data(), spelt->data() + spelt->size(), value);
  if (error != std::errc{} || end != spelt->data() + spelt->size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<float> text_to_single(std::string_view text) {
  const auto value = text_to_double(text);
  if (!value || std::fabs(*value) > std::numeric_limits<float>::max()) return std::nullopt;
  return static_cast<float>(*value);
}

std::optional<std::int16_t> text_to_int16(std::string_view text) {
  const auto value = text_to_double(text);
  if (!value) return std::nullopt;
  // Halves go to the even neighbour, as Basic's integer conversion does.
  const double rounded = std::nearbyint(*value);
  if (rounded < std::numeric_limits<std::int16_t>::min() ||
      rounded > std::numeric_limits<std::int16_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int16_t>(rounded);
}

std::string single_to_text(float value, char decimal_separator) {
  if (!std::isfinite(value)) throw std::invalid_argument("cannot store a value that is not finite");
  // Round to seven significant digits first, then spell the result without an exponent.
  // to_chars and from_chars ignore the C locale, so the separator is only the one given.
  char buffer[64];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                           std::chars_format::scientific, 6).ptr;
  double rounded = 0;
  std::from_chars(buffer, end, rounded);
  if (rounded == 0) return "0";
  const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(rounded))));
  const int decimals = exponent >= 6 ? 0 : 6 - exponent;
  end = std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, decimals).ptr;
  std::string text(buffer, end);
  if (const auto point = text.find('.'); point != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    else text[point] = decimal_separator;
  }
  return text;
}

std::string int16_to_text(std::int16_t value) { return std::to_string(value); }

}  // namespace hv
