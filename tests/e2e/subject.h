#pragma once

// The program a shared scenario runs against, chosen when the suite is built: the Linux binary, or
// (HV_WINDOWS_PROGRAM defined) the Windows .exe under Wine, with one Wine prefix for the suite.

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include "../unit/temp_dir.h"
#include "x_session.h"

namespace hv::e2e {

namespace wine {

// The suite's one prefix: making one costs seconds. Its desktop process keeps the display it
// started with, so it is stopped once made and after each test.
inline const std::filesystem::path& prefix() {
  static const hv::testing::TempDir folder;
  static const bool made = [] {
    const std::string env = "DISPLAY= LC_ALL=C.UTF-8 WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= WINEPREFIX=" +
                            folder.path().string();
    return std::system((env + " wineboot --init >/dev/null 2>&1; " + env + " wineserver -k >/dev/null 2>&1").c_str()) == 0;
  }();
  (void)made;
  return folder.path();
}

inline std::vector<std::string> environment() {
  return {"LC_ALL=C.UTF-8", "WINEPREFIX=" + prefix().string(), "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml="};
}

// Runs a Wine command on a session's display (or none), its output to a file (or nowhere); its
// exit status.
inline int run(const std::string& command, const XSession* on = nullptr, const std::string& output = "/dev/null") {
  std::string line = on ? "DISPLAY=" + on->name() : std::string("DISPLAY=");
  for (const std::string& assignment : environment()) line += " " + assignment;
  return std::system((line + " " + command + " >" + output + " 2>/dev/null").c_str());
}

inline std::string key(const std::string& section) { return "'HKCU\\Software\\HV_TEST_PROCESS\\" + section + "'"; }

// A value of a section as `wine reg query` shows it, or nullopt.
inline std::optional<std::string> registry(const XSession& on, const std::filesystem::path& scratch,
                                           const std::string& section, const std::string& name) {
  const std::filesystem::path out = scratch / "reg-query.txt";
  if (run("wine reg query " + key(section) + " /v " + name, &on, out.string()) != 0) return std::nullopt;
  std::ifstream in(out);
  std::stringstream text;
  text << in.rdbuf();
  std::smatch match;
  const std::string all = text.str();
  if (!std::regex_search(all, match, std::regex(name + "\\s+REG_SZ\\s+(\\S+)"))) return std::nullopt;
  return match[1].str();
}

}  // namespace wine

#ifdef HV_WINDOWS_PROGRAM
inline constexpr bool kUnderWine = true;
#else
inline constexpr bool kUnderWine = false;
#endif

// A copy of the subject under a file name (name.exe under Wine), with its settings.
class SubjectCopy {
 public:
  SubjectCopy(const XSession& session, const std::filesystem::path& folder, const std::string& name)
      : session_(session), folder_(folder), name_(name) {
#ifdef HV_WINDOWS_PROGRAM
    copy_ = std::make_unique<ProgramCopy>(session, folder, name + ".exe", ProgramCopy::Link::Copy,
                                          HV_WINDOWS_PROGRAM);
    copy_->launch_through({"wine"}, wine::environment());
#else
    copy_ = std::make_unique<ProgramCopy>(session, folder, name);
#endif
  }
  ProgramCopy& process() { return *copy_; }
  std::optional<std::string> setting(const std::string& key) const {
    if (kUnderWine) return wine::registry(session_, folder_, name_, key);
    return copy_->setting(name_, key);
  }
  // Stores a value from outside the program, as a tester does by hand.
  void store(const std::string& key, const std::string& value) {
    if (kUnderWine) {
      wine::run("wine reg add " + wine::key(name_) + " /v " + key + " /t REG_SZ /d " + value + " /f", &session_);
      return;
    }
    std::filesystem::create_directories(copy_->settings_file().parent_path());
    std::ofstream(copy_->settings_file(), std::ios::app) << "[" << name_ << "]\n" << key << "=" << value << "\n";
  }
  // Everything stored for this copy, to tell whether anything was written.
  static constexpr const char* kKeys[] = {"MAIN_Left", "MAIN_Top", "MAIN_Width", "MAIN_Height", "AlwaysOnTop_TICKBOX"};
  static inline const std::string kNothingStored = "MAIN_Left=-\nMAIN_Top=-\nMAIN_Width=-\nMAIN_Height=-\nAlwaysOnTop_TICKBOX=-\n";
  std::string stored() const {
    std::string all;
    for (const char* key : kKeys) all += std::string(key) + "=" + setting(key).value_or("-") + "\n";
    return all;
  }

 private:
  const XSession& session_;
  std::filesystem::path folder_;
  std::string name_;
  std::unique_ptr<ProgramCopy> copy_;
};

}  // namespace hv::e2e
