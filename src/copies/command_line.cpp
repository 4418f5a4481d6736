#include "copies/command_line.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace hv::copies {
namespace {

bool is_option(const std::string& word) {
  return word.size() > 1 && word[0] == '-' && !(word[1] >= '0' && word[1] <= '9');
}

std::optional<int> whole_number(const std::string& word) {
  int value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size()) return std::nullopt;
  return value;
}

Parsed refuse(std::string reason) { return {std::nullopt, std::move(reason)}; }

struct VerbName {
  const char* word;
  Verb verb;
  std::size_t fewest, most;  // positional words after the verb
};
constexpr VerbName kVerbs[] = {
    {"start", Verb::Start, 1, 3}, {"list", Verb::List, 0, 1},  {"stop", Verb::Stop, 0, 1},
    {"get", Verb::Get, 2, 2},     {"set", Verb::Set, 3, 3},    {"reset", Verb::Reset, 1, 1},
    {"help", Verb::Help, 0, 0},
};

// The code point of the UTF-8 sequence at text[at], and its length; nullopt where it is not one.
std::optional<std::pair<char32_t, std::size_t>> code_point(const std::string& text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  const std::size_t length = lead < 0x80 ? 1 : lead >= 0xf0 && lead < 0xf5 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc2 ? 2 : 0;
  if (length == 0 || at + length > text.size()) return std::nullopt;
  char32_t value = length == 1 ? lead : lead & (0x7f >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xc0) != 0x80) return std::nullopt;
    value = value << 6 | (byte(at + i) & 0x3f);
  }
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[length] || value > 0x10ffff || (value >= 0xd800 && value < 0xe000)) return std::nullopt;
  return std::pair(value, length);
}

// Spaces, line and paragraph separators and invisible format characters of Unicode, which a
// listing's "NAME PID" line or a tester reading a name would trip over.
bool is_blank_or_invisible(char32_t c) {
  return c < 0xa0 || c == 0xa0 || c == 0xad || c == 0x1680 || (c >= 0x2000 && c <= 0x200f) ||
         (c >= 0x2028 && c <= 0x202f) || (c >= 0x205f && c <= 0x206f) || c == 0x3000 || c == 0xfeff;
}

}  // namespace

bool is_usable_prefix(const std::string& prefix) {
  if (prefix.empty()) return false;
  for (std::size_t at = 0; at < prefix.size();) {
    const auto read = code_point(prefix, at);
    if (!read) return false;
    const char32_t c = read->first;
    const bool ascii_word = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                            c == '_' || c == '-';
    if (!ascii_word && (c < 0x80 || is_blank_or_invisible(c))) return false;
    at += read->second;
  }
  return true;
}

Parsed parse_command_line(const std::vector<std::string>& words) {
  Command command;
  std::vector<std::string> positional;
  bool options_ended = false, grid_given = false;
  for (const std::string& word : words) {
    if (options_ended || !is_option(word)) {
      positional.push_back(word);
    } else if (word == "--") {
      options_ended = true;
    } else if (word == "--grid" || word == "--grid-all") {
      if (grid_given) return refuse("give --grid or --grid-all once");
      grid_given = true;
      command.grid = word == "--grid" ? GridMode::Unplaced : GridMode::Every;
    } else if (word == "--wait") {
      command.wait = true;
    } else if (word.starts_with("--timeout=")) {
      const auto seconds = whole_number(word.substr(10));
      if (!seconds || *seconds < 1 || *seconds > kLongestTimeout) {
        return refuse("--timeout takes a whole number of seconds from 1 to " + std::to_string(kLongestTimeout) + ": " + word);
      }
      command.timeout_seconds = seconds;
    } else if (word == "-h" || word == "--help") {
      return {Command{}, {}};
    } else {
      return refuse("unknown option " + word);
    }
  }
  if (positional.empty()) return refuse("no command given");

  const auto* verb = std::find_if(std::begin(kVerbs), std::end(kVerbs),
                                  [&](const VerbName& v) { return positional.front() == v.word; });
  if (verb == std::end(kVerbs)) return refuse("unknown command " + positional.front());
  command.verb = verb->verb;
  positional.erase(positional.begin());
  if (positional.size() < verb->fewest || positional.size() > verb->most) {
    return refuse(std::string(verb->word) + " takes " +
                  (verb->fewest == verb->most ? std::to_string(verb->fewest)
                                              : std::to_string(verb->fewest) + " to " + std::to_string(verb->most)) +
                  " words after it, not " + std::to_string(positional.size()));
  }
  if (command.verb != Verb::Start && (command.grid != GridMode::Off || command.wait)) {
    return refuse("--grid, --grid-all and --wait go with start only");
  }
  if (command.timeout_seconds && !(command.verb == Verb::Stop || (command.verb == Verb::Start && command.wait))) {
    return refuse("--timeout goes with start --wait and stop only");
  }

  switch (command.verb) {
    case Verb::Start: {
      const auto count = whole_number(positional[0]);
      if (!count || *count < 1 || *count > kMostCopies) {
        return refuse("N must be a whole number from 1 to " + std::to_string(kMostCopies) + ", not " + positional[0]);
      }
      command.count = *count;
      command.prefix = positional.size() > 1 ? positional[1] : kDefaultPrefix;
      if (positional.size() > 2) command.folder = positional[2];
      break;
    }
    case Verb::List:
    case Verb::Stop:
      if (!positional.empty()) command.prefix = positional[0];
      break;
    case Verb::Get:
    case Verb::Set:
    case Verb::Reset:
      command.name = positional[0];
      if (positional.size() > 1) command.key = positional[1];
      if (positional.size() > 2) command.value = positional[2];
      if (command.name.empty()) return refuse("a copy's NAME cannot be empty");
      break;
    case Verb::Help:
      break;
  }
  if (!command.prefix.empty() && !is_usable_prefix(command.prefix)) {
    return refuse("PREFIX may hold letters and digits of any script, '.', '_' and '-' only: " + command.prefix);
  }
  return {command, {}};
}

std::string usage_text() {
  return "usage: hv-copies start [--grid|--grid-all] [--wait [--timeout=S]] N [PREFIX] [FOLDER]\n"
         "       hv-copies list [PREFIX]\n"
         "       hv-copies stop [--timeout=S] [PREFIX]\n"
         "       hv-copies get NAME KEY\n"
         "       hv-copies set NAME KEY VALUE\n"
         "       hv-copies reset NAME\n"
         "\n"
         "start     makes the copies PREFIX-1 ... PREFIX-N of the program in FOLDER (hard links where\n"
         "          the file system allows, copies otherwise), starts each there and prints \"NAME PID\"\n"
         "          lines; on Linux a copy's error output goes to NAME.log beside it.\n"
         "  --grid      first gives each copy with no stored place one side by side, monitor by\n"
         "              monitor; what does not fit goes on layers offset by a title bar\n"
         "  --grid-all  the same for every copy, stored places included\n"
         "  --wait      returns once every copy's window is shown\n"
         "list      prints every running copy of the program, whatever its name, \"NAME PID\" a line\n"
         "stop      closes the copies' windows, so that each stores its settings, and waits for them;\n"
         "          it never kills: a copy not closed is named, and the status is 1\n"
         "  --timeout=S  how long start --wait waits for the windows (60 s) and stop for the copies (30 s)\n"
         "get, set  one stored value of the copy NAME; reset forgets all of them\n"
         "\n"
         "With PREFIX, list and stop cover PREFIX-1, PREFIX-2 ... only. PREFIX defaults to\n"
         "HV-TEST-PROCESS and may hold letters and digits of any script, '.', '_' and '-'.\n"
         "Options may stand anywhere.\n"
         "FOLDER defaults to hv-copies in $XDG_RUNTIME_DIR (Linux; else a private folder in /tmp) or in\n"
         "the local application data folder (Windows). On Linux FOLDER must be yours and writable\n"
         "by no one else. The program is $HV_PROGRAM, else\n"
         "HV-TEST-PROCESS-V1 beside hv-copies, else (Linux) on $PATH.\n"
         "Output is UTF-8 text, and on a Windows console its own characters in any script.\n"
         "Exit status: 0 done, 1 failed (the reasons on stderr), 2 not understood.\n";
}

}  // namespace hv::copies
