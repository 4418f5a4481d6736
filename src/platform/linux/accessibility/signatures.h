#pragma once

#include <optional>
#include <string_view>

namespace hv::linux_backend::atspi {

// The arguments each method the bridge answers takes, as a D-Bus signature ("" for none), or
// nothing for a method it does not answer. A call with other arguments is refused before anything
// is done: a DoAction with no index must not press a button.
std::optional<std::string_view> signature(std::string_view interface, std::string_view member);

}  // namespace hv::linux_backend::atspi
