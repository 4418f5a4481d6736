#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "copies/copies_tool.h"

namespace hv::copies {
namespace {

// Settings kept in memory, for the verbs that need none here.
class NoSettings final : public SectionedSettings {
 public:
  std::string GetSetting(std::string_view, std::string_view, std::string_view, long fallback) override {
    return std::to_string(fallback);
  }
  void SaveSetting(std::string_view, std::string_view, std::string_view, std::string_view) override {}
  std::optional<std::string> find(std::string_view, std::string_view, std::string_view) const override { return std::nullopt; }
  void remove_section(std::string_view, std::string_view) override {}
};

// Copies as the system shows them: each closes when asked, except those the system will not let the
// tool look at (a copy run elevated, or as another user), and those whose window cannot be asked.
class FakeCopies final : public CopiesSystem {
 public:
  std::vector<RunningCopy> copies;
  std::set<long> unseen, unaskable, closed;

  std::filesystem::path program() override { return "/program"; }
  std::filesystem::path default_folder() override { return "/copies"; }
  std::string file_name(const std::string& name) override { return name; }
  void use_folder(const std::filesystem::path&) override {}
  void make_copy(const std::filesystem::path&, const std::filesystem::path&) override {}
  long start(const std::filesystem::path& copy) override {
    copies.push_back({copy.filename().string(), 100 + static_cast<long>(copies.size())});
    return copies.back().pid;
  }
  std::optional<std::string> last_error_line(long) override { return std::nullopt; }
  void make_room_for(int) override {}
  std::vector<RunningCopy> running_copies(const std::filesystem::path&) override { return copies; }
  bool has_ended(long pid) override {
    if (unseen.contains(pid)) throw CopiesError("process " + std::to_string(pid) + " cannot be looked at: Access is denied");
    return closed.contains(pid);
  }
  Desktop desktop() override { throw CopiesError("no screen"); }
  bool window_shown(long pid) override { return !unseen.contains(pid); }
  std::optional<std::string> close_window(long pid, Asking) override {
    if (unaskable.contains(pid)) return "has no window that can be closed from here";
    if (!unseen.contains(pid)) closed.insert(pid);
    return std::nullopt;
  }
  SectionedSettings& settings() override { return settings_; }
  void pause() override {}

 private:
  NoSettings settings_;
};

struct Ran {
  int status;
  std::string out, err;
};

Ran run(FakeCopies& system, const std::vector<std::string>& words) {
  std::ostringstream out, err;
  const int status = run_copies_tool(words, system, out, err, {std::chrono::seconds(1), std::chrono::seconds(1)});
  return {status, out.str(), err.str()};
}

// A copy the tool may not look at is named with the reason, and every other copy is still closed
// (or waited for) and counted; the status says one failed. Whether its close could be asked or
// not, and for start --wait as for stop.
TEST(CopiesTool, ACopyItMayNotLookAtIsNamedAndTheOthersAreStillStopped) {
  for (const bool askable : {true, false}) {
    SCOPED_TRACE(askable ? "its close asked" : "its close refused");
    FakeCopies system;
    system.copies = {{"T-1", 1}, {"T-2", 2}, {"T-3", 3}};
    system.unseen = {2};
    if (!askable) system.unaskable = {2};
    const Ran stopped = run(system, {"stop", "T"});
    EXPECT_EQ(stopped.status, 1);
    EXPECT_EQ(stopped.out, "stopped 2 copies\n");
    EXPECT_EQ(stopped.err, "hv-copies: T-2: process 2 cannot be looked at: Access is denied\n");
    EXPECT_EQ(system.closed, (std::set<long>{1, 3}));
  }
  FakeCopies system;
  system.unseen = {101};
  const Ran started = run(system, {"start", "--wait", "3", "S"});
  EXPECT_EQ(started.status, 1);
  EXPECT_EQ(started.out, "S-1 100\nS-2 101\nS-3 102\n");
  EXPECT_EQ(started.err, "hv-copies: S-2: process 101 cannot be looked at: Access is denied\n");
}

}  // namespace
}  // namespace hv::copies
