#include "copies/copies_tool.h"

#include <algorithm>
#include <ostream>
#include <string_view>
#include <tuple>

#include "copies/grid.h"
#include "platform/settings_storage.h"
#include "settings/conversions.h"

namespace hv::copies {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kDirectlyAfter = std::chrono::seconds(2);

std::string copy_name(const std::string& prefix, int number) { return prefix + "-" + std::to_string(number); }

// PREFIX-2 before PREFIX-10, as a tester counts them.
bool natural_order(const RunningCopy& a, const RunningCopy& b) {
  const auto split = [](const std::string& name) {
    const auto digits = name.find_last_not_of("0123456789") + 1;
    const std::string number = name.substr(digits);
    return std::tuple(name.substr(0, digits), number.size(), number, 0L);
  };
  auto ka = split(a.name), kb = split(b.name);
  std::get<3>(ka) = a.pid, std::get<3>(kb) = b.pid;
  return ka < kb;
}

std::vector<RunningCopy> copies_named(CopiesSystem& system, const std::string& prefix) {
  auto copies = system.running_copies(system.program());
  if (!prefix.empty()) {
    std::erase_if(copies, [&](const RunningCopy& c) {  // PREFIX-<number> only
      const std::string_view rest = std::string_view(c.name).substr(std::min(c.name.size(), prefix.size() + 1));
      return !c.name.starts_with(prefix + "-") || rest.empty() || rest.find_first_not_of("0123456789") != rest.npos;
    });
  }
  std::sort(copies.begin(), copies.end(), natural_order);
  return copies;
}

// A copy keeps a place it has stored, in either coordinate; one that cannot be read as a number
// reads as the program would read it, 0, for avoiding it.
std::optional<TwipsPoint> stored_place(CopiesSystem& system, const std::string& name) {
  const auto left = system.stored(name, "MAIN_Left"), top = system.stored(name, "MAIN_Top");
  if (!left && !top) return std::nullopt;
  const auto number = [](const std::optional<std::string>& text) {
    const auto value = text ? text_to_single(*text) : std::nullopt;
    return static_cast<long>(value.value_or(0.0F));
  };
  return TwipsPoint{number(left), number(top)};
}

void lay_out(const Command& command, CopiesSystem& system, std::ostream& err) {
  std::vector<std::optional<TwipsPoint>> kept;
  for (int i = 1; i <= command.count; ++i) {
    kept.push_back(command.grid == GridMode::Unplaced ? stored_place(system, copy_name(command.prefix, i)) : std::nullopt);
  }
  const GridPlan plan = plan_grid(system.desktop(), kept);
  if (plan.layered) {
    err << "hv-copies: " << plan.per_layer
        << " copies fit the monitors side by side; the rest go on layers offset by a title bar\n";
  }
  for (int i = 1; i <= command.count; ++i) {
    const auto& place = plan.places[static_cast<std::size_t>(i - 1)];
    if (!place) continue;
    system.store(copy_name(command.prefix, i), "MAIN_Left", std::to_string(place->left));
    system.store(copy_name(command.prefix, i), "MAIN_Top", std::to_string(place->top));
  }
}

// Whether the copy has ended; a copy the system will not let this tool look at (one run as
// another user or elevated) is named with the reason and is neither: nullopt, and the rest go on.
std::optional<bool> ended_if_seen(CopiesSystem& system, const RunningCopy& c, std::ostream& err) {
  try {
    return system.has_ended(c.pid);
  } catch (const CopiesError& error) {
    err << "hv-copies: " << c.name << ": " << error.what() << '\n';
    return std::nullopt;
  }
}

// Waits until every started copy shows its window; false, naming the others, when the limit passes.
bool wait_for_windows(std::vector<RunningCopy> started, CopiesSystem& system, std::ostream& err, const Limits& limits) {
  const auto deadline = Clock::now() + limits.windows;
  std::vector<RunningCopy> ended;
  bool unseen = false;
  for (;;) {
    std::erase_if(started, [&](const RunningCopy& c) {
      if (system.window_shown(c.pid)) return true;
      const auto has_ended = ended_if_seen(system, c, err);
      if (!has_ended) return unseen = true;
      if (!*has_ended) return false;
      ended.push_back(c);
      return true;
    });
    if (started.empty() || Clock::now() >= deadline) break;
    system.pause();
  }
  for (const auto& c : ended) {
    const auto said = system.last_error_line(c.pid);
    err << "hv-copies: " << c.name << " (" << c.pid << ") ended before its window was shown"
        << (said ? ": " + *said : "") << '\n';
  }
  for (const auto& c : started) {
    err << "hv-copies: " << c.name << " (" << c.pid << ") showed no window within "
        << std::chrono::duration_cast<std::chrono::seconds>(limits.windows).count() << " s\n";
  }
  return started.empty() && ended.empty() && !unseen;
}

int start(const Command& command, CopiesSystem& system, std::ostream& out, std::ostream& err, const Limits& limits) {
  const auto program = system.program();
  system.make_room_for(command.count);
  const std::filesystem::path folder = command.folder ? path_from_utf8(*command.folder) : system.default_folder();
  system.use_folder(folder);
  if (command.grid != GridMode::Off) lay_out(command, system, err);
  std::vector<RunningCopy> started;
  for (int i = 1; i <= command.count; ++i) {
    const std::string name = copy_name(command.prefix, i);
    const auto copy = system.copy_in(folder, name);
    system.make_copy(program, copy);
    started.push_back({name, system.start(copy)});
    out << name << ' ' << started.back().pid << '\n' << std::flush;
  }
  return !command.wait || wait_for_windows(std::move(started), system, err, limits) ? 0 : 1;
}

// Closes each copy's window and waits for the copies to end; never kills one.
int stop(const Command& command, CopiesSystem& system, std::ostream& out, std::ostream& err, const Limits& limits) {
  std::vector<RunningCopy> closing;
  bool failed = false;
  for (const auto& c : copies_named(system, command.prefix)) {
    const auto refused = system.close_window(c.pid, CopiesSystem::Asking::ThroughTheDesktop);
    if (!refused) {
      closing.push_back(c);
    } else if (const auto has_ended = ended_if_seen(system, c, err); !has_ended) {
      failed = true;
    } else if (!*has_ended) {
      err << "hv-copies: " << c.name << " (" << c.pid << ") " << *refused << '\n';
      failed = true;
    }
  }
  // A window manager swamped by hundreds of armed copies pushing one another may be long in passing
  // the requests on; a copy still running a moment later is asked directly as well.
  const auto asked = Clock::now(), deadline = asked + limits.ending;
  bool asked_directly = false;
  std::size_t stopped = 0;
  // A copy the system will not let this tool look at is named with the reason, never counted stopped.
  const auto ended = [&](const RunningCopy& c) {
    const auto has_ended = ended_if_seen(system, c, err);
    if (!has_ended) return failed = true;
    if (*has_ended) ++stopped;
    return *has_ended;
  };
  for (;;) {
    std::erase_if(closing, ended);
    if (closing.empty() || Clock::now() >= deadline) break;
    if (!asked_directly && Clock::now() - asked >= kDirectlyAfter) {
      for (const auto& c : closing) system.close_window(c.pid, CopiesSystem::Asking::Directly);
      asked_directly = true;
    }
    system.pause();
  }
  for (const auto& c : closing) {
    err << "hv-copies: " << c.name << " (" << c.pid << ") is still running "
        << std::chrono::duration_cast<std::chrono::seconds>(limits.ending).count() << " s after it was asked to close\n";
  }
  out << "stopped " << stopped << (stopped == 1 ? " copy\n" : " copies\n");
  return failed || !closing.empty() ? 1 : 0;
}

int run(const Command& command, CopiesSystem& system, std::ostream& out, std::ostream& err, const Limits& limits) {
  switch (command.verb) {
    case Verb::Help:
      out << usage_text();
      return 0;
    case Verb::Start:
      return start(command, system, out, err, limits);
    case Verb::List:
      for (const auto& c : copies_named(system, command.prefix)) out << c.name << ' ' << c.pid << '\n';
      return 0;
    case Verb::Stop:
      return stop(command, system, out, err, limits);
    case Verb::Get:
      if (const auto value = system.stored(command.name, command.key)) {
        out << *value << '\n';
        return 0;
      }
      err << "hv-copies: " << command.name << " has no " << command.key << " stored\n";
      return 1;
    case Verb::Set:
      system.store(command.name, command.key, command.value);
      return 0;
    case Verb::Reset:
      system.forget(command.name);
      return 0;
  }
  return 1;
}

}  // namespace

int run_copies_tool(const std::vector<std::string>& words, CopiesSystem& system, std::ostream& out,
                    std::ostream& err, Limits limits) {
  const Parsed parsed = parse_command_line(words);
  if (!parsed.command) {
    err << "hv-copies: " << parsed.error << "\n" << usage_text();
    return 2;
  }
  if (const auto seconds = parsed.command->timeout_seconds) {
    limits.windows = limits.ending = std::chrono::seconds(*seconds);
  }
  try {
    return run(*parsed.command, system, out, err, limits);
  } catch (const std::exception& error) {  // CopiesError, SettingsError and the library's own
    err << "hv-copies: " << error.what() << '\n';
    return 1;
  }
}

}  // namespace hv::copies
