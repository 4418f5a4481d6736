#pragma once

// A platform that records every call in one ordered log, so tests see exactly what the handlers
// asked of the window, the store and the placement calls.

#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/form.h"
#include "platform/process_info.h"
#include "platform/settings_storage.h"
#include "platform/window_placement.h"
#include "ui/controls.h"

namespace hv::testing {

using CallLog = std::vector<std::string>;

class FakeForm final : public Form {
 public:
  explicit FakeForm(CallLog& log) : log_(log) {}
  void bind(FormEvents& events) { events_ = &events; }

  float left() const override { return left_; }
  float top() const override { return top_; }
  void set_left(float v) override { left_ = v, log("set_left " + num(v)); }
  void set_top(float v) override { top_ = v, log("set_top " + num(v)); }
  void set_width(float v) override { width_ = v, log("set_width " + num(v)); }
  void set_height(float v) override { height_ = v, log("set_height " + num(v)); }
  void set_title(std::string_view t) override { title_ = t, log("set_title " + title_); }
  void set_app_name_text(std::string_view t) override {
    app_name_ = t, log("set_app_name_text " + app_name_);
  }
  void set_creator_caption(std::string_view t) override {
    creator_ = t, log("set_creator_caption " + creator_);
  }
  std::int16_t tick_value() const override { return tick_; }
  void show_tick_value(std::int16_t v) override { tick_ = v, log("show_tick_value " + std::to_string(v)); }
  void set_timer_interval(int ms) override { interval_ = ms, log("set_timer_interval " + std::to_string(ms)); }
  void set_timer_enabled(bool on) override { timer_on_ = on, log(std::string("set_timer_enabled ") + (on ? "1" : "0")); }
  void unload() override {
    log("unload");
    bool cancel = false;
    events_->Form_Unload(cancel);
  }
  WindowHandle handle() const override {
    log_.push_back("handle");
    return handle_;
  }

  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  std::string title_, app_name_, creator_ = "Created By Malvoric";
  std::int16_t tick_ = ui::kTickBoxDesignValue;
  int interval_ = 0;
  bool timer_on_ = false;
  WindowHandle handle_ = 0x100;

 private:
  static std::string num(float v) {
    std::string s = std::to_string(v);
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') s.pop_back();
    return s;
  }
  void log(std::string entry) const { log_.push_back(std::move(entry)); }
  CallLog& log_;
  FormEvents* events_ = nullptr;
};

class FakeStore final : public SettingsStorage {
 public:
  explicit FakeStore(CallLog& log) : log_(log) {}
  std::string GetSetting(std::string_view app, std::string_view section, std::string_view key,
                         long default_value) override {
    log_.push_back("GetSetting " + std::string(app) + "/" + std::string(section) + "/" +
                   std::string(key));
    const auto found = values_.find({std::string(app), std::string(section), std::string(key)});
    return found == values_.end() ? std::to_string(default_value) : found->second;
  }
  void SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                   std::string_view value) override {
    log_.push_back("SaveSetting " + std::string(app) + "/" + std::string(section) + "/" +
                   std::string(key) + "=" + std::string(value));
    if (fail_saves_) throw SettingsError("cannot write the settings: disk full");
    values_[{std::string(app), std::string(section), std::string(key)}] = value;
  }
  void put(std::string section, std::string key, std::string value) {
    values_[{"HV_TEST_PROCESS", std::move(section), std::move(key)}] = std::move(value);
  }
  std::optional<std::string> get(const std::string& section, const std::string& key) const {
    const auto found = values_.find({"HV_TEST_PROCESS", section, key});
    if (found == values_.end()) return std::nullopt;
    return found->second;
  }

  bool fail_saves_ = false;

 private:
  CallLog& log_;
  std::map<std::tuple<std::string, std::string, std::string>, std::string> values_;
};

class FakeProcess final : public ProcessInfo {
 public:
  std::string executable_name() override { return name_; }
  char decimal_separator() override { return separator_; }
  void warn(std::string_view line) override { warnings_.emplace_back(line); }

  std::string name_ = "HV-TEST-PROCESS-V1";
  char separator_ = '.';
  std::vector<std::string> warnings_;
};

class FakePlacement final : public WindowPlacement {
 public:
  explicit FakePlacement(CallLog& log) : log_(log) {}
  WindowHandle GetForegroundWindow() override {
    log_.push_back("GetForegroundWindow");
    if (foregrounds_.empty()) return kNoWindow;
    const WindowHandle next = foregrounds_.front();
    if (foregrounds_.size() > 1) foregrounds_.erase(foregrounds_.begin());
    return next;
  }
  bool SetWindowPos(WindowHandle window, std::intptr_t after, int x, int y, int cx, int cy,
                    unsigned flags) override {
    log_.push_back("SetWindowPos " + std::to_string(window) + " " + std::to_string(after) + " " +
                   std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(cx) + " " +
                   std::to_string(cy) + " " + std::to_string(flags));
    return succeed_ && window != kNoWindow;
  }
  bool belongs_to_shell(WindowHandle window) override { return window == shell_; }
  bool menu_open() override { return menu_open_; }
  // Successive answers of GetForegroundWindow; the last one repeats.
  std::vector<WindowHandle> foregrounds_;
  WindowHandle shell_ = 0x900;
  bool menu_open_ = false, succeed_ = true;

 private:
  CallLog& log_;
};

}  // namespace hv::testing
