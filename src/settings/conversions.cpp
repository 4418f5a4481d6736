#include "settings/conversions.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "settings/blanks.h"

namespace hv {
namespace {

// Longer texts are not numbers a person or this program wrote.
constexpr std::size_t kMaxNumberText = 64;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Accepts [sign] digits [sep digits] [e [sign] digits], with '.' or ',' as sep, and returns the
// same number spelt for from_chars; nothing else (no "nan", "inf", hex or grouping).
std::optional<std::string> normalise_number(std::string_view text) {
  text = trim_blanks(text);
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
  // Halves go to the even neighbour, the unbiased rounding of the default floating-point mode, so
  // a hand-written 0.5 reads as 0 and 1.5 as 2 the same way on every platform.
  const double rounded = std::nearbyint(*value);
  if (rounded < std::numeric_limits<std::int16_t>::min() ||
      rounded > std::numeric_limits<std::int16_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int16_t>(rounded);
}

// Rounds to seven significant digits with integer arithmetic and spells the digits out itself:
// no locale is consulted, and no formatting tables are linked in (they would double the size of
// the Windows program).
std::string single_to_text(float value, char decimal_separator) {
  if (!std::isfinite(value)) throw std::invalid_argument("cannot store a value that is not finite");
  const double magnitude = std::fabs(static_cast<double>(value));
  if (magnitude == 0) return "0";
  int exponent = static_cast<int>(std::floor(std::log10(magnitude)));
  const auto scaled = [&](int e) {
    return e >= 6 ? magnitude / std::pow(10.0, e - 6) : magnitude * std::pow(10.0, 6 - e);
  };
  // log10 may land one off next to a power of ten.
  if (scaled(exponent) >= 1e7) ++exponent;
  if (scaled(exponent) < 1e6) --exponent;
  long long mantissa = std::llround(scaled(exponent));
  if (mantissa >= 10'000'000) mantissa /= 10, ++exponent;

  const std::string digits = std::to_string(mantissa);  // exactly seven
  std::string text = value < 0 ? "-" : "";
  if (exponent >= 6) {
    text += digits + std::string(static_cast<std::size_t>(exponent - 6), '0');
    return text;
  }
  std::string whole, fraction;
  if (exponent >= 0) {
    whole = digits.substr(0, static_cast<std::size_t>(exponent) + 1);
    fraction = digits.substr(static_cast<std::size_t>(exponent) + 1);
  } else {
    whole = "0";
    fraction = std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
  }
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  text += whole;
  if (!fraction.empty()) text += decimal_separator + fraction;
  return text;
}

std::string int16_to_text(std::int16_t value) { return std::to_string(value); }

}  // namespace hv
