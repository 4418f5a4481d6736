#include "ui/controls.h"

#include <algorithm>
#include <stdexcept>

#include "ui/twips.h"

namespace hv::ui {
namespace {

constexpr Font kArial12{"Arial", 12.0f, true};
constexpr Font kArial14{"Arial", 14.25f, true};
constexpr Rgb kBlack{0x00, 0x00, 0x00};
constexpr Rgb kGreen{0x00, 0xff, 0x00};
constexpr Rgb kYellow{0xff, 0xff, 0x00};

constexpr WindowDesign kMainWindow{
    "HV_TEST_PROCESS_MAIN", "HALVERD - TEST PROCESS", 10950, 4035, 45, 330, 45, 45,
};

using enum ControlId;
using enum ControlKind;
constexpr std::string_view kThumbsUpShows = "A hand with its thumb raised";
constexpr Accessible kLabelRead{AccessibleRole::Label, "", "", std::nullopt, false};
constexpr Accessible kLabelClicked{AccessibleRole::Label, "", "", std::nullopt, true};
constexpr Accessible kClicked(AccessibleRole role) { return {role, "", "", std::nullopt, true}; }
constexpr Accessible kPicture(std::string_view name) {
  return {AccessibleRole::Image, name, kThumbsUpShows, std::nullopt, false};
}

constexpr std::array kControls{
    Control{PIC_WEBLINK_TEXTBOX, "PIC_WEBLINK_TEXTBOX", TextBox, {2280, 1680, 6495, 285},
            "Picture: drawn for HV_TEST_PROCESS, part of this program", std::nullopt, std::nullopt,
            std::nullopt, true, 11, "", kLabelRead},
    Control{NAME_LABEL_TEXTBOX, "NAME_LABEL_TEXTBOX", TextBox, {2160, 2040, 6735, 405},
            "MY PROCESS NAME IS:-", kArial12, kYellow, std::nullopt, true, 10, "", kLabelRead},
    Control{THUMBS_UP_PIC_2, "THUMBS_UP_PIC_2", PictureBox, {9120, 1680, 1500, 1275}, "",
            std::nullopt, std::nullopt, std::nullopt, false, 9, "",
            kPicture("Thumbs up, right")},
    Control{THUMBS_UP_PIC_1, "THUMBS_UP_PIC_1", PictureBox, {360, 1680, 1500, 1275}, "",
            std::nullopt, std::nullopt, std::nullopt, false, 8, "",
            kPicture("Thumbs up, left")},
    Control{APP_NAME_TEXTBOX, "APP_NAME_TEXTBOX", TextBox, {2040, 2520, 6975, 495},
            "APP_NAME_TEXTBOX", kArial14, kBlack, kYellow, true, 7, "",
            {AccessibleRole::Text, "", "", NAME_LABEL_TEXTBOX, false}},
    Control{AlwaysOnTopTimer, "AlwaysOnTopTimer", Timer, {0, 0, 0, 0}, "", std::nullopt,
            std::nullopt, std::nullopt, false, -1, "",
            {}},
    Control{AlwaysOnTop_TICKBOX, "AlwaysOnTop_TICKBOX", CheckBox, {4800, 1200, 1455, 255},
            "Always On Top", std::nullopt, std::nullopt, std::nullopt, false, 1, "",
            kClicked(AccessibleRole::CheckBox)},
    Control{EXIT_BUTTON, "EXIT_BUTTON", CommandButton, {4080, 3360, 2775, 495}, "EXIT",
            std::nullopt, std::nullopt, std::nullopt, true, 0, "",
            kClicked(AccessibleRole::PushButton)},
    Control{HV_TITLE_1, "HV_TITLE_1", Label, {120, 120, 5295, 375}, "HALVERD", kArial12, kBlack,
            kGreen, true, 6, "Version", kLabelRead},
    Control{CREATOR_TEXTBOX, "CREATOR_TEXTBOX", Label, {120, 600, 10695, 375},
            "Created By Malvoric", kArial12, kBlack, kGreen, true, 5, "App Description", kLabelClicked},
    Control{VERSION_TEXTBOX, "VERSION_TEXTBOX", Label, {6360, 1080, 4455, 375}, "Version 1.0",
            kArial12, kBlack, kGreen, true, 4, "Version", kLabelRead},
    Control{FREEWARE_TEXTBOX, "FREEWARE_TEXTBOX", Label, {120, 1200, 4455, 375},
            "!!! FREEWARE !!!", kArial12, kBlack, kGreen, true, 3, "Version", kLabelRead},
    Control{Label1, "Label1", Label, {5520, 120, 5295, 375}, "TEST-PROCESS", kArial12, kBlack,
            kGreen, true, 2, "Version", kLabelRead},
};

}  // namespace

const WindowDesign& main_window() { return kMainWindow; }

std::span<const Control> controls() { return kControls; }

const Control& control(ControlId id) {
  const auto found = std::find_if(kControls.begin(), kControls.end(),
                                  [id](const Control& c) { return c.id == id; });
  if (found == kControls.end()) throw std::logic_error("control missing from the window design");
  return *found;
}

bool takes_focus(ControlKind kind) { return kind != Label && kind != Timer; }

std::vector<ControlId> tab_order() {
  std::vector<const Control*> focusable;
  for (const Control& c : kControls) {
    if (takes_focus(c.kind)) focusable.push_back(&c);
  }
  std::sort(focusable.begin(), focusable.end(),
            [](const Control* a, const Control* b) { return a->tab_index < b->tab_index; });
  std::vector<ControlId> order;
  for (const Control* c : focusable) order.push_back(c->id);
  return order;
}

std::vector<const Control*> creation_order() {
  std::vector<const Control*> order;
  for (ControlId id : tab_order()) order.push_back(&control(id));
  for (const Control& c : kControls) {
    if (!takes_focus(c.kind) && c.kind != Timer) order.push_back(&c);
  }
  return order;
}

std::string_view accessible_name(const Control& c) {
  if (!c.accessible.name.empty()) return c.accessible.name;
  if (c.accessible.labelled_by) return control(*c.accessible.labelled_by).text;
  return c.text;
}

int font_pixels(const Control& control, int dpi) {
  return points_to_pixels(control.font ? control.font->points : kDialogFontPoints, dpi);
}

}  // namespace hv::ui
