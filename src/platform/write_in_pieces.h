#pragma once

#include <cstddef>

namespace hv {

// Writes text to an output that may take only part of a write, or refuse a large one outright, as
// a console does past its 64 KB buffer: pieces of at most `piece` units; a refused piece is tried
// again at half the size, down to one unit, and the size that worked is kept for the rest. A UTF-16
// surrogate pair is never split between two pieces. `write(text, count, written)` is the output's
// own call; false where even one unit is refused.
template <class Unit, class Write>
bool write_in_pieces(const Unit* text, std::size_t count, Write write, std::size_t piece = 8192) {
  const auto splits_a_pair = [&](std::size_t n) {
    if constexpr (sizeof(Unit) == 2) {
      return n > 1 && n < count && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF;
    } else {
      return false;
    }
  };
  while (count > 0) {
    std::size_t n = piece < count ? piece : count;
    if (splits_a_pair(n)) --n;
    std::size_t written = 0;
    if (!write(text, n, written) || written == 0) {
      if (piece == 1) return false;
      piece /= 2;
      continue;
    }
    text += written, count -= written;
  }
  return true;
}

}  // namespace hv
