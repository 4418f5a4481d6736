#pragma once

#include <functional>
#include <vector>

namespace hv {

struct PixelPoint {
  long x = 0, y = 0;
  friend bool operator==(PixelPoint, PixelPoint) = default;
};

struct PixelSize {
  long width = 0, height = 0;
};

struct PixelRect {
  long left = 0, top = 0, width = 0, height = 0;
  long right() const { return left + width; }
  long bottom() const { return top + height; }
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// What a window's frame adds around its client area, in pixels; the top holds the title bar.
struct PixelFrame {
  long left = 0, right = 0, top = 0, bottom = 0;
};

// A monitor's whole rectangle and its density.
struct ScaledMonitor {
  PixelRect bounds;
  int dpi = 96;
};

// The density a window is laid out at when its outer corner goes to `corner`, given its outer size
// at each density. Windows gives a window the density of the monitor holding most of it (the
// nearest where none holds any), and the size depends on the density, so it is one at which the
// window, sized for it, stands mostly on a monitor of that density: first the one the window's
// size at `current` points to, then any other. Where none does (a place on the seam that either
// size tips onto the other monitor), the one whose monitors hold the larger share of the window at
// its size. With no monitor known, `current`.
int density_at(PixelPoint corner, const std::vector<ScaledMonitor>& monitors, int current,
               const std::function<PixelSize(int dpi)>& outer_size);

// Where a window whose outer rectangle is `outer` opens: where it was asked while any of its title
// bar shows on one of the monitors' areas (the whole window where it has no title bar), so that
// the user can still drag it; otherwise at the nearest corner where all of it shows on the monitor
// nearest to it, or that monitor's corner where it is bigger than the monitor. With no monitor
// known, where it was asked.
PixelPoint corner_in_view(const PixelRect& outer, long title_bar, const std::vector<PixelRect>& monitors);

// The nearest corner where all of the window shows on the monitor nearest to it, as above.
PixelPoint corner_wholly_in_view(const PixelRect& outer, const std::vector<PixelRect>& monitors);

}  // namespace hv
