// Every copy reopens exactly where it was left: stored positions, off-screen and near the edges
// included, applied as read, under no window manager, openbox and icewm.

#include <cmath>
#include <fstream>
#include <optional>
#include <iostream>
#include <thread>

#include "e2e_fixture.h"

namespace hv::e2e {
namespace {

namespace fs = std::filesystem;

struct Row {
  const char* what;
  long left, top;  // twips, as stored
  bool on_screen;  // wholly: a window manager may keep any other window on the screen
};

// The screen is 1280 x 1024 pixels; the window's frame is 736 x 294 by design.
const Row kRows[] = {
    {"far off-screen", -20000, -3000, false},
    {"near the corner", 150, 150, true},
    {"at the origin", 0, 0, true},
    {"partly off the right edge", 16200, 1500, false},
};

struct Outcome {
  Point opened;
  std::optional<std::string> left, top;
};

class Reopen : public ProgramTest {
 protected:
  // Starts the copy, waits until its window has settled, closes it and reads what it stored.
  Outcome open_and_close(ProgramCopy& program, const std::string& name, std::optional<Point> wanted) {
    program.start();
    const XWindow window = program.wait_for_window(title_for(name));
    if (has_wm()) {
      EXPECT_TRUE(wait_until([&] { return window.frame_extents().size() == 4; }));
    }
    if (wanted) {
      EXPECT_TRUE(wait_until([&] { return window.outer_origin() == *wanted; }));
    }
    // The copy makes one correcting move at most: two equal reads a while apart mean it is done.
    Point opened = window.outer_origin();
    EXPECT_TRUE(wait_until([&] {
      const Point before = window.outer_origin();
      XSync(session->display(), False);
      std::this_thread::sleep_for(300ms);
      opened = window.outer_origin();
      return opened == before;
    }));
    window.close(has_wm());
    EXPECT_EQ(program.wait_for_exit(), 0);
    return {opened, program.setting(name, "MAIN_Left"), program.setting(name, "MAIN_Top")};
  }
};

// The pixel a stored twips value stands for.
long pixel(const std::optional<std::string>& twips) {
  return twips ? std::lround(std::stod(*twips) / 15) : -99999;
}

TEST_P(Reopen, StoredPositionsAreAppliedAsReadAndStoredAsTheWindowStands) {
  int n = 0;
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.what);
    const std::string name = "PLACED-" + std::to_string(++n);
    auto program = copy(name);
    fs::create_directories(program->settings_file().parent_path());
    std::ofstream(program->settings_file())
        << "[" << name << "]\nMAIN_Left=" << row.left << "\nMAIN_Top=" << row.top << "\n";
    const Point wanted{std::lround(row.left / 15.0), std::lround(row.top / 15.0)};
    const bool exact = row.on_screen || !has_wm();
    const Outcome first = open_and_close(*program, name, exact ? std::optional(wanted) : std::nullopt);
    std::cout << "[ RECORD   ] " << wm_name(GetParam()) << ", " << row.what << ": stored " << row.left
              << "/" << row.top << ", opened at " << first.opened.x << "," << first.opened.y
              << " px, stored back " << first.left.value_or("-") << "/" << first.top.value_or("-") << "\n";
    // What is stored is where the window stood, whatever a window manager allowed.
    EXPECT_EQ((Point{pixel(first.left), pixel(first.top)}), first.opened);
    if (exact) {
      EXPECT_EQ(first.left, std::to_string(row.left));
      EXPECT_EQ(first.top, std::to_string(row.top));
    } else {
      // Where a window manager kept the window on the screen, it stays put from then on.
      const Outcome again = open_and_close(*program, name, first.opened);
      EXPECT_EQ(again.opened, first.opened);
      EXPECT_EQ(again.left, first.left);
      EXPECT_EQ(again.top, first.top);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(UnderEachWindowManager, Reopen,
                         ::testing::Values(Wm::Bare, Wm::Openbox, Wm::Icewm), param_name);

}  // namespace
}  // namespace hv::e2e
