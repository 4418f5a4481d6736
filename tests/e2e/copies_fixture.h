#pragma once

// The fixture of the hv-copies scenarios: the tool run as a tester runs it, and what it leaves.

#include <sys/wait.h>

#include <map>
#include <regex>

#include "harness.h"

namespace hv::e2e {

struct ToolRun {
  int status = -1;
  std::string out, err;
};

class HvCopies : public E2eTest {
 protected:
  std::string screen() const override { return kUnderWine ? "1920x1080" : "2400x1200"; }

  ToolRun run(const std::string& arguments) const { return run_on(*x, arguments); }
  ToolRun run_on(const XSession& on, const std::string& arguments, const std::string& environment = "") const {
    return shell(on, environment + std::string(kUnderWine ? " wine " : " ") + HV_COPIES_TOOL + " " + arguments);
  }
  // A command line run with the test's display, settings and runtime folder.
  ToolRun shell(const XSession& on, const std::string& command_line) const {
    std::string command = "DISPLAY=" + on.name();
    for (const std::string& assignment : kUnderWine ? wine::environment() : std::vector<std::string>{
             "XDG_CONFIG_HOME=" + config().string(), "XDG_RUNTIME_DIR=" + dir.path().string()}) {
      command += " " + assignment;
    }
    const fs::path out = dir.path() / "out.txt", err = dir.path() / "err.txt";
    command += " " + command_line + " >" + out.string() + " 2>" + err.string();
    const int status = std::system(command.c_str());
    // A Windows console program ends its lines with CR LF.
    const auto text = [](const fs::path& file) { return std::regex_replace(hv::testing::read_bytes(file), std::regex("\r\n"), "\n"); };
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text(out), text(err)};
  }
  fs::path config() const { return dir.path() / "config"; }
  // list and stop without a prefix see the copies of tests running beside this one, on other
  // displays and in other runs of the suite; names of this test's own keep them apart.
  std::string own(const std::string& stem) const { return stem + "_" + wm_name(GetParam()) + "_" + std::to_string(::getpid()); }
  std::optional<std::string> stored(const std::string& section, const char* key) const {
    return stored_text(*x, config() / "HV_TEST_PROCESS/settings.ini", section, key);
  }
  // The names of a listing's "NAME PID" lines, in order, and how often each stands there.
  static std::vector<std::string> in_order(const std::string& listing) {
    std::vector<std::string> seen;
    const std::regex line("^([^ \n]+) [0-9]+$", std::regex::multiline);
    for (auto it = std::sregex_iterator(listing.begin(), listing.end(), line); it != std::sregex_iterator(); ++it) {
      seen.push_back((*it)[1]);
    }
    return seen;
  }
  static std::map<std::string, int> names(const std::string& listing) {
    std::map<std::string, int> seen;
    for (const auto& name : in_order(listing)) ++seen[name];
    return seen;
  }
  static std::vector<std::string> numbered(const std::string& prefix, int count) {
    std::vector<std::string> names;
    for (int i = 1; i <= count; ++i) names.push_back(prefix + "-" + std::to_string(i));
    return names;
  }
  XWindow shown_window(const std::string& name) const {
    std::optional<Window> id;
    if (!wait_until([&] { return id = x->find("HALVERD - TEST PROCESS - " + name + ".exe"); })) throw std::runtime_error("no window of " + name);
    return XWindow(*x, *id);
  }
  // The Linux processes whose command line starts a copy of this name (Wine's too).
  static std::vector<pid_t> processes_of(const std::string& name) {
    std::vector<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
      const std::string line = hv::testing::read_bytes(entry.path() / "cmdline"), first = line.substr(0, line.find('\0'));
      if (first.ends_with("/" + name) || first.ends_with("\\" + name + ".exe")) found.push_back(std::stoi(entry.path().filename()));
    }
    return found;
  }
};

}  // namespace hv::e2e
