#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/controls.h"

namespace hv::linux_backend::atspi {

// Where each object lives on the bus, and the interfaces and numbers every AT-SPI client shares.
inline constexpr char kObjects[] = "/org/a11y/atspi/accessible";
inline constexpr char kRootPath[] = "/org/a11y/atspi/accessible/root";
inline constexpr char kFramePath[] = "/org/a11y/atspi/accessible/frame";
inline constexpr char kAlertPath[] = "/org/a11y/atspi/accessible/error_box";
inline constexpr char kAlertTextPath[] = "/org/a11y/atspi/accessible/error_box_text";
inline constexpr char kAlertButtonPath[] = "/org/a11y/atspi/accessible/error_box_button";
inline constexpr char kNullPath[] = "/org/a11y/atspi/null";
// The toolkit's message box's one button, as it labels it.
inline constexpr char kAlertButtonName[] = "Close";

inline constexpr char kAccessible[] = "org.a11y.atspi.Accessible";
inline constexpr char kApplication[] = "org.a11y.atspi.Application";
inline constexpr char kComponent[] = "org.a11y.atspi.Component";
inline constexpr char kAction[] = "org.a11y.atspi.Action";
inline constexpr char kText[] = "org.a11y.atspi.Text";
inline constexpr char kImage[] = "org.a11y.atspi.Image";
inline constexpr char kProperties[] = "org.freedesktop.DBus.Properties";
inline constexpr char kObjectEvents[] = "org.a11y.atspi.Event.Object";
inline constexpr char kWindowEvents[] = "org.a11y.atspi.Event.Window";

enum Role : std::uint32_t {
  kRoleAlert = 2, kRoleCheckBox = 7, kRoleFrame = 23, kRoleImage = 27, kRoleLabel = 29, kRolePushButton = 43,
  kRoleText = 61, kRoleApplication = 75,
};
enum State : unsigned {
  kActive = 1, kChecked = 4, kModal = 16, kEnabled = 8, kFocusable = 11, kFocused = 12, kSensitive = 24, kShowing = 25,
  kSingleLine = 26, kVisible = 30, kIndeterminate = 32, kSelectableText = 38, kCheckable = 41, kReadOnly = 43,
};
enum Relation : std::uint32_t { kLabelFor = 1, kLabelledBy = 2 };
enum Coordinates : std::uint32_t { kScreen = 0, kWindow = 1, kParent = 2 };
inline constexpr std::uint32_t kLayerWidget = 3, kLayerWindow = 7;

constexpr std::uint64_t bit(unsigned state) { return std::uint64_t{1} << state; }

struct RoleNames {
  std::uint32_t role;
  const char* name;
};

// The controls a client sees, in the order they are made (the order Tab visits them first).
const std::vector<const ui::Control*>& accessible_controls();
bool has_text(const ui::Control& control);

// One object on the bus: the application, its frame, a control of the design, or the error box
// and its words and button.
struct Node {
  enum Kind { Root, Frame, Control, Alert, AlertText, AlertButton } kind;
  const ui::Control* control = nullptr;

  static std::optional<Node> at(std::string_view path);
  static Node of(ui::ControlId id) { return Node{Control, &ui::control(id)}; }

  std::string path() const;
  bool in_error_box() const { return kind == Alert || kind == AlertText || kind == AlertButton; }
  // The error box stands beside the frame while it is open.
  std::vector<Node> children(bool error_box) const;
  const char* parent_path() const;
  int index_in_parent() const;
  RoleNames role() const;
  std::vector<const char*> interfaces() const;
  bool implements(std::string_view interface) const;
};

}  // namespace hv::linux_backend::atspi
