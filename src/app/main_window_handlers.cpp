#include "app/main_window_handlers.h"

#include <string>

#include "app/identity.h"
#include "ontop/keeper.h"
#include "settings/conversions.h"

namespace hv {
namespace {

constexpr long kDefaultLeft = 1000;
constexpr long kDefaultTop = 1000;
constexpr long kDefaultWidth = 11040;
constexpr long kDefaultHeight = 4410;
constexpr long kDefaultTick = 1;
constexpr int kTimerIntervalMs = 1000;

// A stored text quoted for a one-line warning: bounded, and with no control bytes.
std::string quoted_for_log(std::string_view text) {
  constexpr std::size_t kShown = 80;
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size() && i < kShown; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7f || c == '"' || c == '\\') {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 0x0f];
    } else {
      out += static_cast<char>(c);
    }
  }
  out += text.size() > kShown ? "\"..." : "\"";
  return out;
}

}  // namespace

// Each value is read and applied in turn; a value that does not convert takes its default with a
// warning rather than stopping the copy from ever starting again.
void TestProcessMain::Form_Load() {
  form_.set_left(load_single("MAIN_Left", kDefaultLeft));
  form_.set_top(load_single("MAIN_Top", kDefaultTop));
  form_.set_width(load_single("MAIN_Width", kDefaultWidth));
  form_.set_height(load_single("MAIN_Height", kDefaultHeight));
  form_.set_app_name_text(identity_text(process_.executable_name()));
  form_.set_title(title_text(process_.executable_name()));
  form_.set_tick_value(load_tick_value(), *this);
  form_.set_timer_interval(kTimerIntervalMs);
  form_.set_timer_enabled(form_.tick_value() == 1);
}

void TestProcessMain::Form_Unload(bool& /*cancel*/) { save_window_state(); }

void TestProcessMain::EXIT_BUTTON_Click() {
  save_window_state();
  form_.unload();
}

void TestProcessMain::AlwaysOnTop_TICKBOX_Click() {
  save("AlwaysOnTop_TICKBOX", int16_to_text(form_.tick_value()));
}

void TestProcessMain::AlwaysOnTopTimer_Timer() { keep_on_top(form_, placement_); }

void TestProcessMain::CREATOR_TEXTBOX_DblClick() { form_.set_creator_caption(kContactText); }

float TestProcessMain::load_single(std::string_view key, long default_value) {
  const std::string text =
      store_.GetSetting(kApplication, process_.executable_name(), key, default_value);
  if (const auto value = text_to_single(text)) return *value;
  warn_unusable(key, text, default_value);
  return static_cast<float>(default_value);
}

std::int16_t TestProcessMain::load_tick_value() {
  const std::string_view key = "AlwaysOnTop_TICKBOX";
  const std::string text =
      store_.GetSetting(kApplication, process_.executable_name(), key, kDefaultTick);
  if (const auto value = text_to_int16(text); value && *value >= 0 && *value <= 2) return *value;
  warn_unusable(key, text, kDefaultTick);
  return kDefaultTick;
}

void TestProcessMain::warn_unusable(std::string_view key, std::string_view text,
                                    long default_value) {
  process_.warn(report_line("section " + quoted_for_log(process_.executable_name()) + ", key " +
                            std::string(key) + ": stored text " + quoted_for_log(text) +
                            " is not usable; using the default " + std::to_string(default_value)));
}

void TestProcessMain::save(std::string_view key, std::string_view text) {
  store_.SaveSetting(kApplication, process_.executable_name(), key, text);
}

// The place and the tick box go together: a store that fails part-way must not leave the window's
// left from this run beside its top from the last.
void TestProcessMain::save_window_state() {
  const std::string left = single_to_text(form_.left(), process_.decimal_separator());
  const std::string top = single_to_text(form_.top(), process_.decimal_separator());
  const std::string tick = int16_to_text(form_.tick_value());
  const SettingsStorage::Value values[] = {{"MAIN_Left", left}, {"MAIN_Top", top}, {"AlwaysOnTop_TICKBOX", tick}};
  store_.SaveSettings(kApplication, process_.executable_name(), values);
}

}  // namespace hv
