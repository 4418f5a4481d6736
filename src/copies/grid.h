#pragma once

#include <optional>
#include <vector>

#include "ui/controls.h"

namespace hv::copies {

struct TwipsPoint {
  long left = 0, top = 0;
  friend bool operator==(TwipsPoint, TwipsPoint) = default;
};

// The places of copies 1..N over the screen's work area, in twips.
struct GridPlan {
  // One entry a copy: the place to store, or nullopt for a copy that keeps its own.
  std::vector<std::optional<TwipsPoint>> places;
  int per_layer = 0;     // cells side by side on the screen
  bool layered = false;  // some copies went on a further layer
};

// kept[i] is copy i+1's stored place where it keeps one. Each other copy takes the next cell, in
// rows, that no kept copy's window covers; cells are the window's outer design size and a gap, and
// what does not fit goes on further layers, each offset by a title bar's height.
GridPlan plan_grid(const ui::TwipsRect& work_area, const std::vector<std::optional<TwipsPoint>>& kept);

}  // namespace hv::copies
