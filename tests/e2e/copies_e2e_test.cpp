#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <regex>

#include "e2e_fixture.h"

namespace hv::e2e {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string output;  // stdout and stderr together
};

class HvCopies : public ProgramTest {
 protected:
  Outcome run(const std::string& arguments, bool with_display = true) {
    const std::string command =
        (with_display ? "DISPLAY=" + session->name() : std::string("DISPLAY=")) +
        " XDG_CONFIG_HOME=" + (dir.path() / "config").string() + " HV_PROGRAM=" +
        program_under_test().string() + " HV_SETTINGS=" +
        (program_under_test().parent_path() / "hv-settings").string() + " " + HV_COPIES_SCRIPT + " " +
        arguments + " 2>&1";
    Outcome outcome;
    FILE* pipe = ::popen(command.c_str(), "r");
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) outcome.output += buffer;
    const int status = ::pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
  }
  static int lines(const std::string& text, const std::regex& pattern) {
    return static_cast<int>(std::distance(
        std::sregex_iterator(text.begin(), text.end(), pattern), std::sregex_iterator()));
  }
};

TEST_P(HvCopies, StartsListsAndPolitelyStopsNamedCopies) {
  const Outcome started = run("start 5 HVC " + (dir.path() / "copies").string());
  ASSERT_EQ(started.status, 0) << started.output;
  EXPECT_EQ(lines(started.output, std::regex("^HVC-[1-5] [0-9]+$", std::regex::multiline)), 5)
      << started.output;
  for (int i = 1; i <= 5; ++i) {
    const std::string title = title_for("HVC-" + std::to_string(i));
    ASSERT_TRUE(wait_until([&] { return find_window_by_title(session->display(), title).has_value(); }));
  }
  const Outcome listed = run("list HVC");
  EXPECT_EQ(lines(listed.output, std::regex("^HVC-[1-5] [0-9]+$", std::regex::multiline)), 5)
      << listed.output;

  const Outcome stopped = run("stop HVC");
  EXPECT_EQ(stopped.status, 0) << stopped.output;
  EXPECT_EQ(run("list HVC").output, "");
  ProgramCopy reader(*session, dir.path(), "reader");
  for (int i = 1; i <= 5; ++i) {
    EXPECT_TRUE(reader.setting("HVC-" + std::to_string(i), "MAIN_Left").has_value()) << i;
  }
}

TEST_P(HvCopies, SaysClearlyWhatIsWrong) {
  const Outcome no_display = run("start 2", false);
  EXPECT_EQ(no_display.status, 1);
  EXPECT_NE(no_display.output.find("no display"), std::string::npos) << no_display.output;
  const Outcome not_a_number = run("start many");
  EXPECT_EQ(not_a_number.status, 1);
  EXPECT_NE(not_a_number.output.find("N must be a whole number"), std::string::npos);
  const fs::path file = dir.path() / "a-file";
  std::ofstream(file) << "x";
  const Outcome bad_dir = run("start 1 HVC " + file.string());
  EXPECT_EQ(bad_dir.status, 1);
  EXPECT_NE(bad_dir.output.find(file.string()), std::string::npos) << bad_dir.output;
  EXPECT_EQ(run("frobnicate").status, 2);
}

class HvCopiesOnAFullHdScreen : public HvCopies {
 protected:
  void SetUp() override { session = std::make_unique<XSession>(GetParam(), "1920x1080"); }
};

bool overlap(Point a, Point a_size, Point b, Point b_size) {
  return a.x < b.x + b_size.x && b.x < a.x + a_size.x && a.y < b.y + b_size.y && b.y < a.y + a_size.y;
}

// A copy with a place of its own keeps it; the others are laid side by side, overlapping nowhere.
// list without a prefix finds copies under any name.
TEST_P(HvCopiesOnAFullHdScreen, AGridOverlapsNowhereAndListFindsEveryCopy) {
  ProgramCopy first(*session, dir.path() / "copies", "GRID-1");
  first.set_config_home(dir.path() / "config");
  fs::create_directories(first.settings_file().parent_path());
  std::ofstream(first.settings_file()) << "[GRID-1]\nMAIN_Left=16500\nMAIN_Top=10500\n";
  const Outcome started = run("start --grid 4 GRID " + (dir.path() / "copies").string());
  ASSERT_EQ(started.status, 0) << started.output;
  std::vector<std::pair<Point, Point>> frames;  // outer origin and size
  for (int i = 1; i <= 4; ++i) {
    const std::string title = title_for("GRID-" + std::to_string(i));
    std::optional<Window> id;
    ASSERT_TRUE(wait_until([&] { return (id = find_window_by_title(session->display(), title)).has_value(); }));
    const XWindow window(session->display(), *id);
    ASSERT_TRUE(wait_until([&] { return window.frame_extents().size() == 4; }));
    const auto extents = window.frame_extents();
    const Point size = window.client_size();
    frames.push_back({window.outer_origin(), {size.x + long(extents[0] + extents[1]), size.y + long(extents[2] + extents[3])}});
  }
  EXPECT_TRUE(wait_until([&] { return XWindow(session->display(), *find_window_by_title(session->display(), title_for("GRID-1"))).outer_origin() == Point{1100, 700}; }));
  for (std::size_t a = 0; a < frames.size(); ++a) {
    EXPECT_LE(frames[a].first.x + frames[a].second.x, 1920) << "GRID-" << a + 1;
    EXPECT_LE(frames[a].first.y + frames[a].second.y, 1080) << "GRID-" << a + 1;
    for (std::size_t b = a + 1; b < frames.size(); ++b) {
      EXPECT_FALSE(overlap(frames[a].first, frames[a].second, frames[b].first, frames[b].second))
          << "GRID-" << a + 1 << " and GRID-" << b + 1;
    }
  }

  ASSERT_EQ(run("start 1 OTHER " + (dir.path() / "copies").string()).status, 0);
  auto by_hand = copy("BY-HAND", ProgramCopy::Link::Copy);
  by_hand->start();
  by_hand->wait_for_window(title_for("BY-HAND"));
  const std::string listed = run("list").output;
  for (const char* name : {"GRID-1", "GRID-4", "OTHER-1", "BY-HAND"}) {
    EXPECT_EQ(lines(listed, std::regex("^" + std::string(name) + " [0-9]+$", std::regex::multiline)), 1)
        << name << " in:\n" << listed;
  }
  EXPECT_EQ(run("stop GRID").status, 0);
  EXPECT_EQ(run("stop OTHER").status, 0);
}

INSTANTIATE_TEST_SUITE_P(UnderOpenbox, HvCopiesOnAFullHdScreen, ::testing::Values(Wm::Openbox), param_name);

INSTANTIATE_TEST_SUITE_P(UnderOpenbox, HvCopies, ::testing::Values(Wm::Openbox), param_name);

}  // namespace
}  // namespace hv::e2e
