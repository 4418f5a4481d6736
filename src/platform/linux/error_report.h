#pragma once

#include <string_view>

namespace hv::linux_backend {

// Tells the user that an error ended the program: one line on stderr, then, where the display can
// still show one, a modal message box; exits with status 1 once it is dismissed.
[[noreturn]] void report_error_and_exit(std::string_view message, bool display_usable = true);

// Told as the message box opens, so that screen readers can be told of it; one at a time.
class ErrorBoxWatcher {
 public:
  virtual ~ErrorBoxWatcher() = default;
  virtual void error_box_shown(std::string_view message) = 0;
};
void watch_error_box(ErrorBoxWatcher* watcher);

}  // namespace hv::linux_backend
