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

// One monitor as the grid sees it, in twips: the part copies may cover (the monitor less panels)
// and the window's outer size there, its frame as the desktop draws it included.
struct Monitor {
  ui::TwipsRect area;
  long window_width = 0, window_height = 0;
};

// Where copies may go: the monitors in the order they fill (the primary first), and the height of
// a title bar, by which each further layer is offset.
struct Desktop {
  std::vector<Monitor> monitors;
  long title_bar = 0;
};

// One monitor as the system reports it, in pixels: its work area and the window's outer size there,
// at that monitor's own density.
struct PixelMonitor {
  PixelRect area;
  long window_width = 0, window_height = 0;
  bool primary = false;
};

// The desktop in twips at its one density, the factor each copy converts its stored place with, so
// that a copy lands on the very pixel its cell starts at: the primary first, then from left to
// right and top to bottom.
Desktop desktop_in_twips(std::vector<PixelMonitor> monitors, long title_bar_pixels, int desktop_dpi);

// The places of copies 1..N, in twips.
struct GridPlan {
  // One entry a copy: the place to store, or nullopt for a copy that keeps its own.
  std::vector<std::optional<TwipsPoint>> places;
  int per_layer = 0;     // cells side by side on the desktop
  bool layered = false;  // some copies went on a further layer
};

// kept[i] is copy i+1's stored place where it keeps one. Each other copy takes the next cell that no
// kept copy's window covers: monitor by monitor, in rows, each cell the window's outer size and a
// gap, wholly inside its monitor's area. What does not fit goes on further layers, each offset by a
// title bar but held inside the monitor. Where no monitor holds a whole window, the first one's
// corner is the only cell.
GridPlan plan_grid(const Desktop& desktop, const std::vector<std::optional<TwipsPoint>>& kept);

}  // namespace hv::copies
