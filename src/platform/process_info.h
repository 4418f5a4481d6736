#pragma once

#include <string>
#include <string_view>

namespace hv {

// What the running process can tell about itself.
class ProcessInfo {
 public:
  virtual ~ProcessInfo() = default;

  // The file name this copy was started from, without directory and last extension (UTF-8).
  virtual std::string executable_name() = 0;

  // The user's decimal separator for writing numbers.
  virtual char decimal_separator() = 0;

  // One diagnostic line for the tester (stderr, and the debugger's output where there is one).
  virtual void warn(std::string_view line) = 0;
};

}  // namespace hv
