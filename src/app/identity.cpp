#include "app/identity.h"

#include "ui/controls.h"

namespace hv {

std::string executable_name_from_path(std::string_view path) {
  if (const auto slash = path.find_last_of("/\\"); slash != std::string_view::npos) {
    path.remove_prefix(slash + 1);
  }
  if (const auto dot = path.rfind('.'); dot != std::string_view::npos && dot > 0) {
    path = path.substr(0, dot);
  }
  return std::string(path);
}

std::string identity_text(std::string_view executable_name) {
  return std::string(executable_name) + ".exe";
}

std::string title_text(std::string_view executable_name) {
  return std::string(ui::main_window().title) + " - " + identity_text(executable_name);
}

std::string report_line(std::string_view text) {
  return std::string(kApplication) + ": " + std::string(text);
}

}  // namespace hv
