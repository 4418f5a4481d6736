#include "copies/grid.h"

#include <algorithm>

namespace hv::copies {
namespace {

constexpr long kGap = 120;         // twips between neighbouring windows
constexpr long kLayerOffset = 330;  // a title bar's height at the design's density

struct Box {
  long left, top, right, bottom;
  bool overlaps(const Box& other) const {
    return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
  }
};

Box window_at(TwipsPoint place) {
  const auto& design = ui::main_window();
  return {place.left, place.top, place.left + design.outer_width(), place.top + design.outer_height()};
}

}  // namespace

GridPlan plan_grid(const ui::TwipsRect& work_area, const std::vector<std::optional<TwipsPoint>>& kept) {
  const auto& design = ui::main_window();
  const long cell_width = design.outer_width() + kGap, cell_height = design.outer_height() + kGap;
  const long columns = std::max(1L, work_area.width / cell_width);
  const long rows = std::max(1L, work_area.height / cell_height);

  GridPlan plan;
  plan.per_layer = static_cast<int>(columns * rows);
  std::vector<Box> taken;
  for (const auto& place : kept) {
    if (place) taken.push_back(window_at(*place));
  }
  long cell = 0;
  for (const auto& place : kept) {
    if (place) {
      plan.places.push_back(std::nullopt);
      continue;
    }
    // Every cell is free of kept windows somewhere along the layers, whose offsets move it on;
    // the search gives up on a cell only after as many layers as there are copies.
    for (;; ++cell) {
      const long layer = cell / plan.per_layer, at = cell % plan.per_layer;
      const TwipsPoint candidate{work_area.left + (at % columns) * cell_width + layer * kLayerOffset,
                                 work_area.top + (at / columns) * cell_height + layer * kLayerOffset};
      const Box box = window_at(candidate);
      const bool free = std::none_of(taken.begin(), taken.end(), [&](const Box& t) { return t.overlaps(box); });
      if (free || cell >= static_cast<long>(kept.size()) * plan.per_layer) {
        plan.places.push_back(candidate);
        plan.layered = plan.layered || layer > 0;
        ++cell;
        break;
      }
    }
  }
  return plan;
}

}  // namespace hv::copies
