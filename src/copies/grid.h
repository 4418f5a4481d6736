#pragma once

#include <optional>
#include <vector>

#include "platform/screen_geometry.h"
#include "ui/controls.h"

namespace hv::copies {

struct TwipsPoint {
  long left = 0, top = 0;
  friend bool operator==(TwipsPoint, TwipsPoint) = default;
};

// One monitor as the grid sees it, in twips: the part copies may cover (the monitor less panels),
// the window's outer size there, its frame as the desktop draws it included, and the height of a
// title bar there, by which each further layer is offset so that every title bar still shows.
struct Monitor {
  ui::TwipsRect area;
  long window_width = 0, window_height = 0;
  long title_bar = 0;
};

// Where copies may go: the monitors in the order they fill (the primary first).
struct Desktop {
  std::vector<Monitor> monitors;
};

// One monitor as the system reports it, in pixels: its work area, the window's outer size and the
// height of a title bar there, at that monitor's own density.
struct PixelMonitor {
  PixelRect area;
  long window_width = 0, window_height = 0;
  bool primary = false;
  long title_bar = 0;
};

// The desktop in twips at its one density, the factor each copy converts its stored place with, so
// that a copy lands on the very pixel its cell starts at: the primary first, then from left to
// right and top to bottom.
Desktop desktop_in_twips(std::vector<PixelMonitor> monitors, int desktop_dpi);

// The places of copies 1..N, in twips.
struct GridPlan {
  // One entry a copy: the place to store, or nullopt for a copy that keeps its own.
  std::vector<std::optional<TwipsPoint>> places;
  int per_layer = 0;     // cells side by side on the desktop
  bool layered = false;  // some copies went on a further layer
};

// kept[i] is copy i+1's stored place where it keeps one. Each other copy takes the next cell that no
// kept copy's window covers: monitor by monitor, in rows, each cell the window's outer size and a
// gap, wholly inside its monitor's area. What does not fit goes on further layers, each offset by
// its monitor's title bar but held inside the monitor. Where no monitor holds a whole window, the first one's
// corner is the only cell.
GridPlan plan_grid(const Desktop& desktop, const std::vector<std::optional<TwipsPoint>>& kept);

}  // namespace hv::copies
