// hv-copies, the tester's tool for many named copies, against the real program.

#include <sys/wait.h>

#include <regex>

#include "harness.h"

namespace hv::e2e {
namespace {

class HvCopies : public E2eTest {
 protected:
  std::string screen() const override { return "1920x1080"; }
  // The tool's exit status, and what it printed on stdout and stderr.
  std::pair<int, std::string> run(const std::string& arguments, bool with_display = true) {
    const fs::path out = dir.path() / "out.txt", program = HV_PROGRAM_PATH;
    const std::string command = "DISPLAY=" + (with_display ? x->name() : "") + " XDG_CONFIG_HOME=" +
                                (dir.path() / "config").string() + " HV_PROGRAM=" + program.string() +
                                " HV_SETTINGS=" + (program.parent_path() / "hv-settings").string() + " " +
                                HV_COPIES_SCRIPT + " " + arguments + " >" + out.string() + " 2>&1";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, hv::testing::read_bytes(out)};
  }
  static int lines(const std::string& text, const std::string& pattern) {
    const std::regex line("^" + pattern + "$", std::regex::multiline);
    return static_cast<int>(std::distance(std::sregex_iterator(text.begin(), text.end(), line), std::sregex_iterator()));
  }
  std::optional<std::string> stored(const std::string& section, const char* key) {
    return ini_setting(dir.path() / "config/HV_TEST_PROCESS/settings.ini", section, key);
  }
};
HV_UNDER(HvCopies, Wm::Openbox);

// A copy with a place of its own keeps it; the others are laid side by side, overlapping nowhere.
// list without a prefix finds copies under any name, a copy started by hand too; stop closes
// them politely, so that each stores its settings.
TEST_P(HvCopies, AGridOverlapsNowhereAndListAndStopFindEveryCopy) {
  fs::create_directories(dir.path() / "config/HV_TEST_PROCESS");
  std::ofstream(dir.path() / "config/HV_TEST_PROCESS/settings.ini") << "[GRID-1]\nMAIN_Left=16500\nMAIN_Top=10500\n";
  const auto [status, started] = run("start --grid 4 GRID " + (dir.path() / "copies").string());
  ASSERT_EQ(status, 0) << started;
  std::vector<std::pair<Point, Point>> frames;  // top-left and bottom-right
  for (int i = 1; i <= 4; ++i) {
    const std::string name = "GRID-" + std::to_string(i);
    std::optional<Window> id;
    ASSERT_TRUE(wait_until([&] { return id = x->find("HALVERD - TEST PROCESS - " + name + ".exe"); }));
    const XWindow window(*x, *id);
    // Each copy stands where its stored place says (GRID-1's own: 1100, 700) before it is measured.
    const Point place{std::stol(stored(name, "MAIN_Left").value_or("0")) / 15, std::stol(stored(name, "MAIN_Top").value_or("0")) / 15};
    ASSERT_TRUE(wait_until([&] { return window.framed() && window.outer_origin() == place; })) << name;
    const auto e = window.property("_NET_FRAME_EXTENTS");
    const Point from = window.outer_origin(), size = window.client_size();
    frames.push_back({from, {from.x + size.x + long(e[0] + e[1]), from.y + size.y + long(e[2] + e[3])}});
    EXPECT_LE(frames.back().second.x, 1920) << "GRID-" << i;
    EXPECT_LE(frames.back().second.y, 1080) << "GRID-" << i;
  }
  EXPECT_EQ(frames[0].first, (Point{1100, 700}));
  for (std::size_t a = 0; a < frames.size(); ++a) {
    for (std::size_t b = a + 1; b < frames.size(); ++b) {
      const auto [a_from, a_to] = frames[a];
      const auto [b_from, b_to] = frames[b];
      EXPECT_FALSE(a_from.x < b_to.x && b_from.x < a_to.x && a_from.y < b_to.y && b_from.y < a_to.y)
          << "GRID-" << a + 1 << " and GRID-" << b + 1 << " overlap";
    }
  }
  ASSERT_EQ(run("start 1 OTHER " + (dir.path() / "copies").string()).first, 0);
  auto by_hand = copy("BY-HAND", Copy::Link::Copy);
  by_hand->start();
  by_hand->window();
  const std::string listed = run("list").second;
  for (const char* name : {"GRID-1", "GRID-4", "OTHER-1", "BY-HAND"}) {
    EXPECT_EQ(lines(listed, std::string(name) + " [0-9]+"), 1) << name << " in:\n" << listed;
  }
  EXPECT_EQ(lines(run("list GRID").second, "GRID-[1-4] [0-9]+"), 4);
  EXPECT_EQ(run("stop GRID").first, 0);
  EXPECT_EQ(run("list GRID").second, "");
  for (int i = 2; i <= 4; ++i) EXPECT_TRUE(stored("GRID-" + std::to_string(i), "AlwaysOnTop_TICKBOX")) << i;
  EXPECT_EQ(run("stop OTHER").first, 0);
}

}  // namespace
}  // namespace hv::e2e
