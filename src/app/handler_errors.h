#pragma once

#include <exception>
#include <optional>
#include <string>

namespace hv {

// Runs one event handler and returns the text of an error that escaped it, for the platform's
// error report; nullopt when it ran to its end.
template <class Handler>
std::optional<std::string> error_escaping(Handler&& handler) {
  try {
    handler();
    return std::nullopt;
  } catch (const std::exception& error) {
    return std::string(error.what());
  } catch (...) {
    return std::string("unknown error");
  }
}

}  // namespace hv
