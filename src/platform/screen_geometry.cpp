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

long long shared_area(const PixelRect& a, const PixelRect& b) {
  const long long width = std::min(a.right(), b.right()) - std::max(a.left, b.left);
  const long long height = std::min(a.bottom(), b.bottom()) - std::max(a.top, b.top);
  return width > 0 && height > 0 ? width * height : 0;
}

// The monitor Windows puts a window on: the one holding most of it, or the nearest.
const ScaledMonitor& monitor_of(const PixelRect& window, const std::vector<ScaledMonitor>& monitors) {
  const auto most = std::max_element(monitors.begin(), monitors.end(), [&](const ScaledMonitor& a, const ScaledMonitor& b) {
    return shared_area(window, a.bounds) < shared_area(window, b.bounds);
  });
  if (shared_area(window, most->bounds) > 0) return *most;
  return *std::min_element(monitors.begin(), monitors.end(), [&](const ScaledMonitor& a, const ScaledMonitor& b) {
    return gap_squared(window, a.bounds) < gap_squared(window, b.bounds);
  });
}

}  // namespace

int density_at(PixelPoint corner, const std::vector<ScaledMonitor>& monitors, int current,
               const std::function<PixelSize(int dpi)>& outer_size) {
  if (monitors.empty()) return current;
  const auto window_at = [&](int dpi) {
    const PixelSize size = outer_size(dpi);
    return PixelRect{corner.x, corner.y, size.width, size.height};
  };
  const auto holds_itself = [&](int dpi) { return monitor_of(window_at(dpi), monitors).dpi == dpi; };
  const int pointed = monitor_of(window_at(current), monitors).dpi;
  if (holds_itself(pointed)) return pointed;
  // The share of the window, at a density's size, on the monitors of that density.
  const auto share = [&](int dpi) {
    const PixelRect window = window_at(dpi);
    long long on = 0;
    for (const ScaledMonitor& m : monitors) on += m.dpi == dpi ? shared_area(window, m.bounds) : 0;
    return static_cast<double>(on) / static_cast<double>(std::max(1L, window.width) * std::max(1L, window.height));
  };
  int best = pointed;
  bool best_holds = false;
  for (const ScaledMonitor& m : monitors) {
    const bool holds = holds_itself(m.dpi);
    if ((holds && !best_holds) || (holds == best_holds && share(m.dpi) > share(best))) best = m.dpi, best_holds = holds;
  }
  return best;
}

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
