#pragma once

#include <cstdint>
#include <string_view>

#include "app/identity.h"
#include "platform/form.h"
#include "platform/process_info.h"
#include "platform/settings_storage.h"
#include "platform/window_placement.h"

namespace hv {

inline constexpr std::string_view kContactText = "malvoric@example.com";

// The handlers of the main window HV_TEST_PROCESS_MAIN. All state lives in the window and the
// store; this object only holds the platform services it talks to.
class TestProcessMain final : public FormEvents {
 public:
  TestProcessMain(Form& form, SettingsStorage& store, ProcessInfo& process,
                  WindowPlacement& placement)
      : form_(form), store_(store), process_(process), placement_(placement) {}

  void Form_Load() override;
  void Form_Unload(bool& cancel) override;
  void EXIT_BUTTON_Click() override;
  void AlwaysOnTop_TICKBOX_Click() override;
  void AlwaysOnTopTimer_Timer() override;
  void CREATOR_TEXTBOX_DblClick() override;

 private:
  float load_single(std::string_view key, long default_value);
  std::int16_t load_tick_value();
  void warn_unusable(std::string_view key, std::string_view text, long default_value);
  void save(std::string_view key, std::string_view text);
  void save_window_state();

  Form& form_;
  SettingsStorage& store_;
  ProcessInfo& process_;
  WindowPlacement& placement_;
};

}  // namespace hv
