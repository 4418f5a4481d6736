#include "platform/linux/accessibility/nodes.h"

namespace hv::linux_backend::atspi {

using ui::AccessibleRole;

const std::vector<const ui::Control*>& accessible_controls() {
  static const std::vector<const ui::Control*> controls = ui::creation_order();
  return controls;
}

bool has_text(const ui::Control& control) {
  return control.accessible.role == AccessibleRole::Label || control.accessible.role == AccessibleRole::Text;
}

std::optional<Node> Node::at(std::string_view path) {
  if (path == kRootPath) return Node{Root};
  if (path == kFramePath) return Node{Frame};
  if (path == kAlertPath) return Node{Alert};
  if (path == kAlertTextPath) return Node{AlertText};
  if (path == kAlertButtonPath) return Node{AlertButton};
  const std::string_view prefix = "/org/a11y/atspi/accessible/";
  if (path.substr(0, prefix.size()) != prefix) return std::nullopt;
  for (const ui::Control* control : accessible_controls()) {
    if (path.substr(prefix.size()) == control->name) return Node{Control, control};
  }
  return std::nullopt;
}

std::string Node::path() const {
  if (kind == Root) return kRootPath;
  if (kind == Frame) return kFramePath;
  if (kind == Alert) return kAlertPath;
  if (kind == AlertText) return kAlertTextPath;
  if (kind == AlertButton) return kAlertButtonPath;
  return std::string(kObjects) + "/" + std::string(control->name);
}

std::vector<Node> Node::children(bool error_box) const {
  if (kind == Root) return error_box ? std::vector<Node>{Node{Frame}, Node{Alert}} : std::vector<Node>{Node{Frame}};
  if (kind == Alert) return {Node{AlertText}, Node{AlertButton}};
  std::vector<Node> found;
  if (kind == Frame) {
    for (const ui::Control* c : accessible_controls()) found.push_back(Node{Control, c});
  }
  return found;
}

const char* Node::parent_path() const {
  if (kind == Frame || kind == Alert) return kRootPath;
  if (kind == AlertText || kind == AlertButton) return kAlertPath;
  return kFramePath;
}

int Node::index_in_parent() const {
  if (kind == Root) return -1;
  if (kind == Frame || kind == AlertText) return 0;
  if (kind == Alert || kind == AlertButton) return 1;
  const auto& all = accessible_controls();
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i] == control) return static_cast<int>(i);
  }
  return -1;
}

// What the design table calls each kind of control, in AT-SPI's numbers and words.
RoleNames Node::role() const {
  switch (kind) {
    case Root: return {kRoleApplication, "application"};
    case Frame: return {kRoleFrame, "frame"};
    case Alert: return {kRoleAlert, "alert"};
    case AlertText: return {kRoleLabel, "label"};
    case AlertButton: return {kRolePushButton, "push button"};
    case Control: break;
  }
  switch (control->accessible.role) {
    case AccessibleRole::Label: return {kRoleLabel, "label"};
    case AccessibleRole::Text: return {kRoleText, "text"};
    case AccessibleRole::Image: return {kRoleImage, "image"};
    case AccessibleRole::CheckBox: return {kRoleCheckBox, "check box"};
    case AccessibleRole::PushButton: return {kRolePushButton, "push button"};
  }
  return {kRoleLabel, "label"};
}

std::vector<const char*> Node::interfaces() const {
  if (kind == Root) return {kAccessible, kApplication};
  if (kind == AlertText) return {kAccessible, kComponent, kText};
  if (kind == AlertButton) return {kAccessible, kComponent, kAction};
  std::vector<const char*> found{kAccessible, kComponent};
  if (kind == Control && control->accessible.acts) found.push_back(kAction);
  if (kind == Control && has_text(*control)) found.push_back(kText);
  if (kind == Control && control->accessible.role == AccessibleRole::Image) found.push_back(kImage);
  return found;
}

bool Node::implements(std::string_view interface) const {
  for (const char* i : interfaces()) {
    if (interface == i) return true;
  }
  return false;
}

}  // namespace hv::linux_backend::atspi
