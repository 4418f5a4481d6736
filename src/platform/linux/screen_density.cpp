#include "platform/linux/screen_density.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "settings/blanks.h"

namespace hv::linux_backend {
namespace {

constexpr int kDefaultDpi = 96;
// Past these a value is a typing error rather than a screen.
constexpr double kLowestDpi = 24, kHighestDpi = 960;

// A decimal number read the same way in every locale: digits, and '.' as the separator.
bool parse_decimal(std::string_view text, double& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  return error == std::errc{} && end == text.data() + text.size();
}

}  // namespace

int dpi_from_resources(const char* resources) {
  if (!resources) return kDefaultDpi;
  std::string_view rest(resources);
  int dpi = kDefaultDpi;
  // The resource string is one "name:\tvalue" a line; a later line overrides an earlier one, as
  // it does for the X resource manager.
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || trim_blanks(line.substr(0, colon)) != "Xft.dpi") continue;
    double parsed = 0;
    if (parse_decimal(trim_blanks(line.substr(colon + 1)), parsed) && parsed >= kLowestDpi && parsed <= kHighestDpi) {
      dpi = static_cast<int>(std::lround(parsed));
    }
  }
  return dpi;
}

}  // namespace hv::linux_backend
