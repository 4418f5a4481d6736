#include "copies/grid.h"

#include <algorithm>
#include <tuple>

namespace hv::copies {
namespace {

constexpr long kGap = 120;  // twips between neighbouring windows: 8 pixels at 96 dpi

struct Box {
  long left, top, right, bottom;
  bool overlaps(const Box& other) const {
    return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
  }
};

// One monitor's share of the cells: its columns and rows of whole windows.
struct Cells {
  const Monitor* monitor;
  long columns, rows;
};

long fitting(long room, long window) { return room < window ? 0 : (room - window) / (window + kGap) + 1; }

// The monitor a place stands on, for the size of the window there; the first where none holds it.
const Monitor& monitor_at(const Desktop& desktop, TwipsPoint place) {
  for (const Monitor& m : desktop.monitors) {
    if (place.left >= m.area.left && place.left < m.area.left + m.area.width && place.top >= m.area.top &&
        place.top < m.area.top + m.area.height) {
      return m;
    }
  }
  return desktop.monitors.front();
}

Box window_at(const Monitor& monitor, TwipsPoint place) {
  return {place.left, place.top, place.left + monitor.window_width, place.top + monitor.window_height};
}

}  // namespace

Desktop desktop_in_twips(std::vector<PixelMonitor> monitors, int desktop_dpi) {
  std::stable_sort(monitors.begin(), monitors.end(), [](const PixelMonitor& a, const PixelMonitor& b) {
    return std::tuple(!a.primary, a.area.left, a.area.top) < std::tuple(!b.primary, b.area.left, b.area.top);
  });
  const auto twips = [desktop_dpi](long pixels) { return pixels * ui::kTwipsPerInch / desktop_dpi; };
  Desktop desktop;
  for (const PixelMonitor& m : monitors) {
    // Edges, not sizes, are converted, so neighbouring monitors still meet in twips.
    const long left = twips(m.area.left), top = twips(m.area.top);
    desktop.monitors.push_back({{static_cast<int>(left), static_cast<int>(top), static_cast<int>(twips(m.area.right()) - left),
                                 static_cast<int>(twips(m.area.bottom()) - top)},
                                twips(m.window_width), twips(m.window_height), twips(m.title_bar)});
  }
  return desktop;
}

GridPlan plan_grid(const Desktop& desktop, const std::vector<std::optional<TwipsPoint>>& kept) {
  std::vector<Cells> cells;
  long per_layer = 0;
  for (const Monitor& m : desktop.monitors) {
    const Cells c{&m, fitting(m.area.width, m.window_width), fitting(m.area.height, m.window_height)};
    if (c.columns * c.rows == 0) continue;
    cells.push_back(c);
    per_layer += c.columns * c.rows;
  }
  if (cells.empty()) cells.push_back({&desktop.monitors.front(), 1, 1}), per_layer = 1;

  GridPlan plan;
  plan.per_layer = static_cast<int>(per_layer);
  std::vector<Box> taken;
  for (const auto& place : kept) {
    if (place) taken.push_back(window_at(monitor_at(desktop, *place), *place));
  }
  // The window a cell number gives: its monitor, column and row, then its layer's offset, held
  // inside the monitor.
  const auto window_in = [&](long cell) {
    long at = cell % per_layer;
    auto c = cells.begin();
    while (at >= c->columns * c->rows) at -= c->columns * c->rows, ++c;
    const Monitor& m = *c->monitor;
    const long offset = cell / per_layer * m.title_bar;
    const long left = m.area.left + (at % c->columns) * (m.window_width + kGap);
    const long top = m.area.top + (at / c->columns) * (m.window_height + kGap);
    return window_at(m, {std::max(left, std::min(left + offset, m.area.left + m.area.width - m.window_width)),
                         std::max(top, std::min(top + offset, m.area.top + m.area.height - m.window_height))});
  };
  long cell = 0;
  for (const auto& place : kept) {
    if (place) {
      plan.places.push_back(std::nullopt);
      continue;
    }
    // A cell covered on one layer may be free on a later one, whose offset moves it on; the search
    // gives up on a cell only after as many layers as there are copies.
    for (;; ++cell) {
      const Box box = window_in(cell);
      const bool free = std::none_of(taken.begin(), taken.end(), [&](const Box& t) { return t.overlaps(box); });
      if (free || cell >= static_cast<long>(kept.size()) * per_layer) {
        plan.places.push_back(TwipsPoint{box.left, box.top});
        plan.layered = plan.layered || cell >= per_layer;
        ++cell;
        break;
      }
    }
  }
  return plan;
}

}  // namespace hv::copies
