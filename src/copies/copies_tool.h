#pragma once

#include <chrono>
#include <iosfwd>

#include "copies/command_line.h"
#include "copies/copies_system.h"

namespace hv::copies {

// How long start --wait waits for the windows and stop for the copies to end.
struct Limits {
  std::chrono::milliseconds windows{std::chrono::seconds(60)};
  std::chrono::milliseconds ending{std::chrono::seconds(30)};
};

// Runs hv-copies with its words (the program name left out): the exit status, 0 done, 1 failed,
// 2 not understood. Results go to out, reasons to err.
int run_copies_tool(const std::vector<std::string>& words, CopiesSystem& system, std::ostream& out,
                    std::ostream& err, Limits limits = {});

}  // namespace hv::copies
