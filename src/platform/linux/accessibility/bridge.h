#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/accessibility/accessible_window.h"
#include "platform/linux/accessibility/bus_watch.h"
#include "platform/linux/accessibility/key_forwarder.h"
#include "platform/linux/accessibility/nodes.h"
#include "platform/linux/error_report.h"
#include "platform/linux/sd_bus_library.h"

namespace hv::linux_backend {

// The window as AT-SPI objects on the session's accessibility bus: the copy as an application,
// the window as its frame and every control of the design under it, with the role, name and
// relations the design gives it. Clients read and work it through the bus; the window's events
// are announced on it, and its keys are offered to the registry's key listeners. Every call is
// answered from the event loop; the bus is waited on only for a key, and never past a bound.
//
// Each interface is answered in a file of its own (accessible_interface.cpp, component_, action_,
// text_, image_ and properties.cpp); the announcements are in events.cpp.
class AtspiBridge final : ErrorBoxWatcher {
 public:
  // Takes the connection, which must have been started; on_lost runs once if it ends.
  AtspiBridge(const SdBusLibrary& sd, sd_bus* bus, AccessibleWindow& window, std::string application_name,
              std::function<void()> on_lost);
  ~AtspiBridge() override;
  AtspiBridge(const AtspiBridge&) = delete;
  AtspiBridge& operator=(const AtspiBridge&) = delete;

 // Thrown where a call's arguments, though of the right types, ask for nothing there is.
  struct Refusal {
    std::string why;
    const char* error = SD_BUS_ERROR_INVALID_ARGS;
  };

 private:
  using Node = atspi::Node;

  // The application root: registration with the registry.
  static int on_ping(sd_bus_message* reply, void* bridge, sd_bus_error* error);
  static int on_embedded(sd_bus_message* reply, void* bridge, sd_bus_error* error);
  static int on_cache_call(sd_bus_message* call, void* bridge, sd_bus_error* error);

  // Dispatch: which object, which interface, and whether the arguments fit.
  static void pump_after_key(void* bridge);
  static int on_call(sd_bus_message* call, void* bridge, sd_bus_error* error);
  int answer(sd_bus_message* call);
  int refuse(sd_bus_message* call, const std::string& why, const char* error = SD_BUS_ERROR_INVALID_ARGS);
  static constexpr std::uint64_t kMostQueued = 256;
  bool over_bound();
  bool send(sd_bus_message* message);
  void give_back_after_flood();
  void append_reference(sd_bus_message* message, const std::string& path);
  void append_reference(sd_bus_message* message, const Node& node);
  bool error_box_open() const { return error_box_.has_value(); }

  bool answer_accessible(const Node& node, std::string_view member, sd_bus_message* call, sd_bus_message* reply);
  std::string name(const Node& node) const;
  std::uint64_t states(const Node& node) const;

  bool answer_component(const Node& node, std::string_view member, sd_bus_message* call, sd_bus_message* reply);
  PixelRect extents(const Node& node) const;
  PixelRect error_box_extents(const Node& node) const;
  PixelPoint origin_of(std::uint32_t coordinates, const Node& node) const;
  void append_extents(sd_bus_message* message, const PixelRect& rect, std::uint32_t coordinates, const Node& node,
                      const char* signature = "(iiii)");

  bool answer_action(const Node& node, std::string_view member, sd_bus_message* call, sd_bus_message* reply);
  bool answer_error_box_action(std::string_view member, sd_bus_message* call, sd_bus_message* reply);

  bool answer_text(const Node& node, std::string_view member, sd_bus_message* call, sd_bus_message* reply);
  std::string text(const Node& node) const;
  PixelRect character_extents(const Node& node, std::int32_t offset) const;

  bool answer_image(const Node& node, std::string_view member, sd_bus_message* call, sd_bus_message* reply);

  bool answer_properties(const Node& node, std::string_view member, sd_bus_message* call, sd_bus_message* reply);
  bool append_property(const Node& node, std::string_view interface, std::string_view name, sd_bus_message* reply);
  void append_all_properties(const Node& node, std::string_view interface, sd_bus_message* reply);

  // Announces what changed since the last look: the focus, the tick box, a label's words.
  void emit(const Node& node, const char* interface, const char* member, const char* detail, int detail1,
            const char* variant_type, const void* variant);
  static void on_check(void* bridge);
  // The error box, as an alert beside the frame, with its words and its button.
  void error_box_shown(std::string_view message) override;
  void announce_changes();
  void announce_activation();

  const SdBusLibrary& sd_;
  sd_bus* bus_;
  AccessibleWindow& window_;
  std::string application_name_;
  std::unique_ptr<BusWatch> watch_;
  std::unique_ptr<KeyForwarder> keys_;
  sd_bus_slot* objects_ = nullptr;
  sd_bus_slot* cache_ = nullptr;
  sd_bus_slot* pending_ = nullptr;
  std::string unique_name_;
  // The desktop the registry puts the application under, once it has taken it.
  std::string desktop_owner_, desktop_path_;
  std::int32_t application_id_ = 0;
  std::optional<ui::ControlId> last_focus_;
  std::int16_t last_tick_;
  bool last_active_ = false;
  std::vector<std::string> last_texts_;
  std::optional<std::string> error_box_;
  bool dropped_ = false;
};

}  // namespace hv::linux_backend
