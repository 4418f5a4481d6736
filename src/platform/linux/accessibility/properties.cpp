#include "platform/linux/accessibility/bridge.h"

#include <FL/Fl.H>

#include <array>
#include <clocale>
#include <utility>

#include "ui/text_offsets.h"

namespace hv::linux_backend {

using namespace atspi;

bool AtspiBridge::append_property(const Node& node, std::string_view interface, std::string_view property,
                                  sd_bus_message* reply) {
  const auto string = [&](const std::string& value) {
    sd_.sd_bus_message_append(reply, "v", "s", value.c_str());
  };
  const auto integer = [&](std::int32_t value) { sd_.sd_bus_message_append(reply, "v", "i", value); };
  if (interface == kAccessible) {
    if (property == "Name") string(name(node));
    else if (property == "Description") {
      string(node.kind == Node::Control ? std::string(node.control->accessible.description) : std::string());
    } else if (property == "Parent") {
      sd_.sd_bus_message_open_container(reply, 'v', "(so)");
      if (node.kind == Node::Root) {
        if (desktop_owner_.empty()) append_reference(reply, kNullPath);
        else sd_.sd_bus_message_append(reply, "(so)", desktop_owner_.c_str(), desktop_path_.c_str());
      } else {
        append_reference(reply, node.parent_path());
      }
      sd_.sd_bus_message_close_container(reply);
    } else if (property == "ChildCount") integer(static_cast<std::int32_t>(node.children(error_box_open()).size()));
    else if (property == "Locale") {
      const char* locale = std::setlocale(LC_MESSAGES, nullptr);
      string(locale ? locale : "C");
    } else if (property == "AccessibleId") {
      string(node.kind == Node::Control ? std::string(node.control->name) : std::string());
    } else return false;
  } else if (interface == kApplication) {
    if (property == "ToolkitName") string("FLTK");
    else if (property == "Version") {
      // FLTK gives its version as one number, 10308 for 1.3.8.
      const int version = Fl::api_version();
      string(std::to_string(version / 10000) + "." + std::to_string(version / 100 % 100) + "." + std::to_string(version % 100));
    }
    else if (property == "AtspiVersion") string("2.1");
    else if (property == "Id") integer(application_id_);
    else return false;
  } else if (interface == kAction) {
    if (property == "NActions") integer(1);
    else return false;
  } else if (interface == kText) {
    if (property == "CharacterCount") integer(ui::character_count(text(node)));
    else if (property == "CaretOffset") integer(0);
    else return false;
  } else if (interface == kImage) {
    if (property == "ImageDescription") string(std::string(node.control->accessible.description));
    else if (property == "ImageLocale") string("");
    else return false;
  } else {
    return false;
  }
  return true;
}

void AtspiBridge::append_all_properties(const Node& node, std::string_view interface, sd_bus_message* reply) {
  static constexpr std::array<std::pair<const char*, std::array<const char*, 6>>, 5> kNames{{
      {kAccessible, {"Name", "Description", "Parent", "ChildCount", "Locale", "AccessibleId"}},
      {kApplication, {"ToolkitName", "Version", "AtspiVersion", "Id", nullptr, nullptr}},
      {kAction, {"NActions", nullptr, nullptr, nullptr, nullptr, nullptr}},
      {kText, {"CharacterCount", "CaretOffset", nullptr, nullptr, nullptr, nullptr}},
      {kImage, {"ImageDescription", "ImageLocale", nullptr, nullptr, nullptr, nullptr}},
  }};
  sd_.sd_bus_message_open_container(reply, 'a', "{sv}");
  for (const auto& [owner, names] : kNames) {
    if (interface != owner || !node.implements(interface)) continue;
    for (const char* property : names) {
      if (!property) break;
      sd_.sd_bus_message_open_container(reply, 'e', "sv");
      sd_.sd_bus_message_append(reply, "s", property);
      append_property(node, interface, property, reply);
      sd_.sd_bus_message_close_container(reply);
    }
  }
  sd_.sd_bus_message_close_container(reply);
}

bool AtspiBridge::answer_properties(const Node& node, std::string_view member, sd_bus_message* call,
                                    sd_bus_message* reply) {
  const char* interface = nullptr;
  if (member == "GetAll") {
    if (sd_.sd_bus_message_read(call, "s", &interface) < 0) return false;
    append_all_properties(node, interface, reply);
    return true;
  }
  const char* property = nullptr;
  if (sd_.sd_bus_message_read(call, "ss", &interface, &property) < 0) return false;
  if (member == "Get") return node.implements(interface) && append_property(node, interface, property, reply);
  if (member != "Set") return false;
  // A client gives the application the number it knows it by; nothing else may be set.
  if (node.kind != Node::Root || std::string_view(interface) != kApplication || std::string_view(property) != "Id") {
    throw Refusal{std::string(interface) + "." + property + " cannot be set", SD_BUS_ERROR_PROPERTY_READ_ONLY};
  }
  std::int32_t id = 0;
  if (sd_.sd_bus_message_read(call, "v", "i", &id) <= 0) throw Refusal{"the application's Id is a number (i)"};
  application_id_ = id;
  return true;
}

}  // namespace hv::linux_backend
