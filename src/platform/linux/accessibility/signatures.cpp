#include "platform/linux/accessibility/signatures.h"

#include <array>

namespace hv::linux_backend::atspi {
namespace {

struct Method {
  std::string_view interface, member, signature;
};

constexpr std::string_view kAccessible = "org.a11y.atspi.Accessible", kComponent = "org.a11y.atspi.Component",
                           kAction = "org.a11y.atspi.Action", kText = "org.a11y.atspi.Text",
                           kImage = "org.a11y.atspi.Image", kProperties = "org.freedesktop.DBus.Properties";

constexpr std::array kMethods{
    Method{kAccessible, "GetChildAtIndex", "i"}, Method{kAccessible, "GetChildren", ""},
    Method{kAccessible, "GetIndexInParent", ""}, Method{kAccessible, "GetRelationSet", ""},
    Method{kAccessible, "GetRole", ""}, Method{kAccessible, "GetRoleName", ""},
    Method{kAccessible, "GetLocalizedRoleName", ""}, Method{kAccessible, "GetState", ""},
    Method{kAccessible, "GetAttributes", ""}, Method{kAccessible, "GetApplication", ""},
    Method{kAccessible, "GetInterfaces", ""},
    Method{kComponent, "GetExtents", "u"}, Method{kComponent, "GetPosition", "u"}, Method{kComponent, "GetSize", ""},
    Method{kComponent, "Contains", "iiu"}, Method{kComponent, "GetAccessibleAtPoint", "iiu"},
    Method{kComponent, "GetLayer", ""}, Method{kComponent, "GetMDIZOrder", ""}, Method{kComponent, "GetAlpha", ""},
    Method{kComponent, "GrabFocus", ""},
    Method{kAction, "GetName", "i"}, Method{kAction, "GetLocalizedName", "i"}, Method{kAction, "GetDescription", "i"},
    Method{kAction, "GetKeyBinding", "i"}, Method{kAction, "GetActions", ""}, Method{kAction, "DoAction", "i"},
    Method{kText, "GetText", "ii"}, Method{kText, "GetTextAtOffset", "iu"}, Method{kText, "GetStringAtOffset", "iu"},
    Method{kText, "GetTextBeforeOffset", "iu"}, Method{kText, "GetTextAfterOffset", "iu"},
    Method{kText, "GetCharacterAtOffset", "i"}, Method{kText, "GetNSelections", ""}, Method{kText, "GetSelection", "i"},
    Method{kText, "GetCharacterExtents", "iu"}, Method{kText, "GetRangeExtents", "iiu"},
    Method{kText, "GetOffsetAtPoint", "iiu"}, Method{kText, "GetDefaultAttributes", ""}, Method{kText, "GetAttributes", "i"}, Method{kText, "GetAttributeRun", "ib"},
    Method{kImage, "GetImageExtents", "u"}, Method{kImage, "GetImagePosition", "u"}, Method{kImage, "GetImageSize", ""},
    Method{kProperties, "Get", "ss"}, Method{kProperties, "GetAll", "s"}, Method{kProperties, "Set", "ssv"},
};

}  // namespace

std::optional<std::string_view> signature(std::string_view interface, std::string_view member) {
  for (const Method& method : kMethods) {
    if (method.interface == interface && method.member == member) return method.signature;
  }
  return std::nullopt;
}

}  // namespace hv::linux_backend::atspi
