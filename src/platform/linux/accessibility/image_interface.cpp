#include "platform/linux/accessibility/bridge.h"

namespace hv::linux_backend {

using namespace atspi;

// A picture's image is the whole of its control: GetImageExtents, GetImagePosition and GetImageSize
// answer as the control's GetExtents, GetPosition and GetSize.
bool AtspiBridge::answer_image(const Node& node, std::string_view member, sd_bus_message* call,
                               sd_bus_message* reply) {
  constexpr std::string_view kPrefix = "GetImage";
  if (member.substr(0, kPrefix.size()) != kPrefix) return false;
  const std::string component = "Get" + std::string(member.substr(kPrefix.size()));
  return answer_component(node, component, call, reply);
}

}  // namespace hv::linux_backend
