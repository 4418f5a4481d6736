#include "platform/linux/screen_density.h"

#include <cmath>
#include <string_view>

namespace hv::linux_backend {
namespace {

constexpr int kDefaultDpi = 96;
// Past these a value is a typing error rather than a screen.
constexpr double kLowestDpi = 24, kHighestDpi = 960;

bool is_space(char c) { return c == ' ' || c == '\t'; }

// A decimal number read the same way in every locale: digits, and '.' as the separator.
bool parse_decimal(std::string_view text, double& value) {
  value = 0;
  std::size_t i = 0;
  bool digits = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, digits = true) {
    value = value * 10 + (text[i] - '0');
  }
  if (i < text.size() && text[i] == '.') {
    double scale = 0.1;
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, scale /= 10, digits = true) {
      value += (text[i] - '0') * scale;
    }
  }
  while (i < text.size() && is_space(text[i])) ++i;
  return digits && i == text.size();
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
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    while (!line.empty() && is_space(line.front())) line.remove_prefix(1);
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    std::string_view name = line.substr(0, colon);
    while (!name.empty() && is_space(name.back())) name.remove_suffix(1);
    if (name != "Xft.dpi") continue;
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && is_space(value.front())) value.remove_prefix(1);
    double parsed = 0;
    if (parse_decimal(value, parsed) && parsed >= kLowestDpi && parsed <= kHighestDpi) {
      dpi = static_cast<int>(std::lround(parsed));
    }
  }
  return dpi;
}

}  // namespace hv::linux_backend
