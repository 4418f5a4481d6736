#pragma once

#include <optional>
#include <string>
#include <vector>

namespace hv::copies {

enum class Verb { Start, List, Stop, Get, Set, Reset, Help };
// Which copies --grid places: none, those with no stored place, or every one.
enum class GridMode { Off, Unplaced, Every };

struct Command {
  Verb verb = Verb::Help;
  GridMode grid = GridMode::Off;
  bool wait = false;
  std::optional<int> timeout_seconds;  // start --wait and stop: how long to wait, where given
  int count = 0;
  std::string prefix;                 // start: the names' stem; list and stop: empty for any name
  std::optional<std::string> folder;  // start: where the copies are made
  std::string name, key, value;       // get, set, reset
};

// The command, or the reason the words make none (the caller prints it with the usage).
struct Parsed {
  std::optional<Command> command;
  std::string error;
};

inline constexpr const char* kDefaultPrefix = "HV-TEST-PROCESS";
inline constexpr int kMostCopies = 10000;
inline constexpr int kLongestTimeout = 86400;

// Options may stand anywhere among the words; a word starting with '-' and not a number is an
// option, so "set NAME MAIN_Left -300" stores a negative place.
Parsed parse_command_line(const std::vector<std::string>& words);

std::string usage_text();

// A prefix becomes part of file and section names: letters and digits of any script, '.', '_' and
// '-'; no space, separator, control or invisible character, nothing that is not UTF-8.
bool is_usable_prefix(const std::string& prefix);

}  // namespace hv::copies
