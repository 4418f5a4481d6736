#include "platform/screen_geometry.h"

#include <algorithm>

namespace hv {
namespace {

bool overlap(const PixelRect& a, const PixelRect& b) {
  return a.left < b.right() && b.left < a.right() && a.top < b.bottom() && b.top < a.bottom();
}

// The square of the gap between two rectangles; nought where they touch or overlap.
long long gap_squared(const PixelRect& a, const PixelRect& b) {
  const long long dx = std::max({0L, b.left - a.right(), a.left - b.right()});
  const long long dy = std::max({0L, b.top - a.bottom(), a.top - b.bottom()});
  return dx * dx + dy * dy;
}

}  // namespace

PixelPoint corner_in_view(const PixelRect& outer, long title_bar, const std::vector<PixelRect>& monitors) {
  const PixelRect grip{outer.left, outer.top, outer.width, title_bar > 0 ? title_bar : outer.height};
  const bool seen = std::any_of(monitors.begin(), monitors.end(), [&](const PixelRect& m) { return overlap(grip, m); });
  return seen ? PixelPoint{outer.left, outer.top} : corner_wholly_in_view(outer, monitors);
}

PixelPoint corner_wholly_in_view(const PixelRect& outer, const std::vector<PixelRect>& monitors) {
  if (monitors.empty()) return {outer.left, outer.top};
  const PixelRect& nearest = *std::min_element(monitors.begin(), monitors.end(), [&](const PixelRect& a, const PixelRect& b) {
    return gap_squared(outer, a) < gap_squared(outer, b);
  });
  const auto within = [](long at, long size, long start, long room) {
    return std::max(start, std::min(at, start + room - size));
  };
  return {within(outer.left, outer.width, nearest.left, nearest.width),
          within(outer.top, outer.height, nearest.top, nearest.height)};
}

}  // namespace hv
