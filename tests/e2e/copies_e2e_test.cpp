// hv-copies, the tester's tool for many named copies, against the real program: the Linux tool
// with and without a window manager, and hv-copies.exe with the .exe copies under Wine.

#include <X11/Xatom.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <regex>

#include "harness.h"

namespace hv::e2e {
namespace {

struct ToolRun {
  int status = -1;
  std::string out, err;
};

class HvCopies : public E2eTest {
 protected:
  std::string screen() const override { return kUnderWine ? "1920x1080" : "2400x1200"; }

  ToolRun run(const std::string& arguments) const { return run_on(*x, arguments); }
  ToolRun run_on(const XSession& on, const std::string& arguments, const std::string& environment = "") const {
    std::string command = environment + " DISPLAY=" + on.name();
    for (const std::string& assignment : kUnderWine ? wine::environment() : std::vector<std::string>{
             "XDG_CONFIG_HOME=" + config().string(), "XDG_RUNTIME_DIR=" + dir.path().string()}) {
      command += " " + assignment;
    }
    const fs::path out = dir.path() / "out.txt", err = dir.path() / "err.txt";
    command += std::string(kUnderWine ? " wine " : " ") + HV_COPIES_TOOL + " " + arguments + " >" + out.string() +
               " 2>" + err.string();
    const int status = std::system(command.c_str());
    // A Windows console program ends its lines with CR LF.
    const auto text = [](const fs::path& file) { return std::regex_replace(hv::testing::read_bytes(file), std::regex("\r\n"), "\n"); };
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text(out), text(err)};
  }
  fs::path config() const { return dir.path() / "config"; }
  // list and stop without a prefix see the copies of tests running beside this one, on other
  // displays; names of this test's own keep them apart.
  std::string own(const std::string& stem) const { return stem + "_" + wm_name(GetParam()); }
  std::optional<std::string> stored(const std::string& section, const char* key) const {
    return stored_text(*x, config() / "HV_TEST_PROCESS/settings.ini", section, key);
  }
  // The "NAME PID" lines a listing holds, by name.
  static std::map<std::string, int> names(const std::string& listing) {
    std::map<std::string, int> seen;
    const std::regex line("^([^ \n]+) [0-9]+$", std::regex::multiline);
    for (auto it = std::sregex_iterator(listing.begin(), listing.end(), line); it != std::sregex_iterator(); ++it) {
      ++seen[(*it)[1]];
    }
    return seen;
  }
  XWindow shown_window(const std::string& name) const {
    std::optional<Window> id;
    if (!wait_until([&] { return id = x->find("HALVERD - TEST PROCESS - " + name + ".exe"); })) {
      throw std::runtime_error("no window of " + name);
    }
    return XWindow(*x, *id);
  }
};
#ifdef HV_WINDOWS_PROGRAM
HV_UNDER(HvCopies, Wm::Openbox);
#else
HV_UNDER(HvCopies, Wm::Openbox, Wm::Bare, Wm::Metacity);
#endif

// What GNOME does from mutter 44 on, done to openbox's frames: each frame carries a _NET_WM_PID of
// its own (the frame process's), set as soon as a client is put in it.
class FramesWithAProcessId {
 public:
  explicit FramesWithAProcessId(const XSession& x) : marker_(::fork()) {
    if (marker_ != 0) return;
    Display* display = XOpenDisplay(x.name().c_str());
    const Atom pid = XInternAtom(display, "_NET_WM_PID", False);
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    for (XEvent event;;) {
      XNextEvent(display, &event);
      if (event.type != ReparentNotify || event.xreparent.parent == DefaultRootWindow(display)) continue;
      const long frame_process = ::getpid();
      XChangeProperty(display, event.xreparent.parent, pid, XA_CARDINAL, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&frame_process), 1);
      XFlush(display);
    }
  }
  ~FramesWithAProcessId() { ::kill(marker_, SIGKILL), ::waitpid(marker_, nullptr, 0); }

 private:
  pid_t marker_;
};

// A window manager that announces itself but lists neither its clients nor _NET_CLOSE_WINDOW, as
// dwm does, stood for by the test on a bare server: its check window and _NET_SUPPORTED.
void announce_a_window_manager_that_lists_little(const XSession& x) {
  Display* display = x.display();
  const Window check = XCreateSimpleWindow(display, x.root(), 0, 0, 1, 1, 0, 0, 0);
  const Atom supported[] = {atom(display, "_NET_WM_STATE"), atom(display, "_NET_ACTIVE_WINDOW")};
  const auto set = [&](Window on, const char* name, Atom type, const void* data, int count) {
    XChangeProperty(display, on, atom(display, name), type, 32, PropModeReplace, static_cast<const unsigned char*>(data), count);
  };
  set(check, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, &check, 1);
  set(x.root(), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, &check, 1);
  set(x.root(), "_NET_SUPPORTED", XA_ATOM, supported, 2);
  XSync(display, False);
}

// Copies are found and closed whatever the window manager marks or lists: under GNOME 44's frames
// (openbox's, marked as GNOME's are), and under one that lists little (on the bare server).
TEST_P(HvCopies, CopiesAreFoundAndClosedWhateverTheWindowManagerMarksOrLists) {
  if (kUnderWine) GTEST_SKIP() << "Windows has no frames of other processes";
  std::optional<FramesWithAProcessId> gnome_frames;
  if (x->has_wm()) {
    gnome_frames.emplace(*x);
  } else {
    announce_a_window_manager_that_lists_little(*x);
  }
  const std::string framed = own("FRAMED");
  const ToolRun started = run("start --wait 3 " + framed);
  ASSERT_EQ(started.status, 0) << started.err;
  EXPECT_EQ(names(run("list " + framed).out).size(), 3U);
  const ToolRun stopped = run("stop " + framed);
  EXPECT_EQ(stopped.status, 0) << stopped.err;
  EXPECT_EQ(stopped.out, "stopped 3 copies\n");
  for (const char* n : {"-1", "-2", "-3"}) EXPECT_EQ(stored(framed + n, "AlwaysOnTop_TICKBOX"), "1") << n;
}

// Under Wine one monitor, 1920 x 1080; on Linux two of unequal height side by side, 1200 x 800 and
// 1200 x 1200, as a server with two outputs publishes them. A cell is the window's outer size as
// the desktop frames it and an 8 px gap, monitor by monitor: none across the seam at x = 1200 or
// below the first monitor's foot, where no monitor shows. The copy with a place of its own keeps it
// and the cells it covers are passed over; the copies that find no cell go on a layer offset by a
// title bar.
TEST_P(HvCopies, AGridKeepsEveryCopyOnOneMonitorAroundOneWithItsOwnPlaceAndStopStoresEveryPlace) {
  const std::map<std::string, std::vector<Point>> kPlaces{
      // openbox frames the window 732 x 292 (a 22 px title bar), metacity 730 x 306 (37 px); bare 730 x 269
      {"openbox", {{1300, 350}, {0, 0}, {0, 300}, {1200, 0}, {1200, 900}, {22, 22}}},
      {"no_wm", {{1300, 350}, {0, 0}, {0, 277}, {1200, 0}, {1200, 831}, {22, 22}}},
      {"metacity", {{1300, 350}, {0, 0}, {0, 314}, {1200, 0}, {37, 37}, {37, 351}}},
      // Wine's window is 736 x 294 with a 19 px title bar, on one monitor: two columns of three rows
      {"wine", {{900, 150}, {0, 0}, {0, 302}, {0, 604}, {744, 604}, {19, 19}}}};
  const auto& want = kPlaces.at(kUnderWine ? "wine" : wm_name(GetParam()));
  if (!kUnderWine) x->set_monitors({{0, 0, 1200, 800}, {1200, 0, 1200, 1200}});
  const std::string grid = own("GRID");
  ASSERT_EQ(run("set " + grid + "-1 MAIN_Left " + std::to_string(want[0].x * 15)).status, 0);
  ASSERT_EQ(run("set " + grid + "-1 MAIN_Top " + std::to_string(want[0].y * 15)).status, 0);

  const ToolRun started = run("start --grid --wait 6 " + grid);
  ASSERT_EQ(started.status, 0) << started.err;
  EXPECT_NE(started.err.find("copies fit the monitors side by side"), std::string::npos) << started.err;
  EXPECT_EQ(names(started.out).size(), 6U) << started.out;
  for (std::size_t i = 0; i < want.size(); ++i) {
    const std::string name = grid + "-" + std::to_string(i + 1);
    const XWindow window = shown_window(name);
    // Wine's window frame is not the window manager's: there the corner stands a few pixels off.
    const auto stands_at_place = [&] {
      const Point at = window.outer_origin();
      return std::abs(at.x - want[i].x) <= (kUnderWine ? 4 : 0) && std::abs(at.y - want[i].y) <= (kUnderWine ? 4 : 0);
    };
    EXPECT_TRUE(wait_until([&] { return (!x->has_wm() || window.framed()) && stands_at_place(); }))
        << name << " stands at " << ::testing::PrintToString(window.outer_origin());
  }
  const ToolRun stopped = run("stop " + grid);
  EXPECT_EQ(stopped.status, 0) << stopped.err;
  EXPECT_EQ(stopped.out, "stopped 6 copies\n");
  EXPECT_EQ(run("list " + grid).out, "");
  for (std::size_t i = 0; i < want.size(); ++i) {
    const std::string name = grid + "-" + std::to_string(i + 1);
    EXPECT_EQ(stored(name, "MAIN_Left"), std::to_string(want[i].x * 15)) << name;
    EXPECT_EQ(stored(name, "MAIN_Top"), std::to_string(want[i].y * 15)) << name;
  }
}

// list finds the program under any name: two prefixes and a copied file started by hand; set and
// get go through the store while the copies run; reset forgets a copy's settings.
TEST_P(HvCopies, ListFindsEveryCopyAndSettingsGoThroughTheStoreWhileCopiesRun) {
  const std::string one = own("ONE"), two = own("TWO"), by_hand_name = own("HAND") + "-7";
  ASSERT_EQ(run("start --wait 2 " + one).status, 0);
  ASSERT_EQ(run("--wait start 1 " + two).status, 0);
  auto by_hand = copy(by_hand_name, Copy::Link::Copy);
  by_hand->start();
  by_hand->window();
  const std::vector<std::string> all{one + "-1", one + "-2", two + "-1", by_hand_name};
  auto listed = names(run("list").out);
  for (const auto& name : all) EXPECT_EQ(listed[name], 1) << name;
  EXPECT_EQ(names(run("list " + one).out), (std::map<std::string, int>{{one + "-1", 1}, {one + "-2", 1}}));

  const std::string two_of_one = one + "-2";
  const ToolRun set = run("set " + two_of_one + " MAIN_Left -300");
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(stored(two_of_one, "MAIN_Left"), "-300");
  EXPECT_EQ(run("get " + two_of_one + " MAIN_Left").out, "-300\n");
  const ToolRun absent = run("get " + two_of_one + " NO_SUCH_KEY");
  EXPECT_EQ(absent.status, 1);
  EXPECT_EQ(absent.out, "");
  ASSERT_EQ(run("reset " + two_of_one).status, 0);
  EXPECT_EQ(stored(two_of_one, "MAIN_Left"), std::nullopt);
  EXPECT_EQ(run("get " + two_of_one + " MAIN_Left").status, 1);

  for (const auto& prefix : {one, two, own("HAND")}) EXPECT_EQ(run("stop " + prefix).status, 0) << prefix;
  EXPECT_EQ(by_hand->wait_for_exit(), 0);
  listed = names(run("list").out);
  for (const auto& name : all) EXPECT_EQ(listed.count(name), 0U) << name;
}

// Words it does not know end the tool with the usage and status 2, before anything is started.
TEST_P(HvCopies, AnUnknownOrMisplacedWordStartsNothingAndExitsTwo) {
  for (const char* words : {"start 2 BAD --bogus", "start --wait", "start 0 BAD", "start 2 BAD/X", "list --grid",
                            "stop BAD extra", "frobnicate"}) {
    const ToolRun refused = run(words);
    EXPECT_EQ(refused.status, 2) << words;
    EXPECT_NE(refused.err.find("usage: hv-copies start"), std::string::npos) << words << ": " << refused.err;
    EXPECT_EQ(refused.out, "") << words;
  }
  EXPECT_EQ(run("list BAD").out, "");
  EXPECT_EQ(stored("BAD-1", "MAIN_Left"), std::nullopt);
}

#ifndef HV_WINDOWS_PROGRAM
// A copy that ends before its window shows is named with the last line it wrote, kept in NAME.log
// beside it (here a stand-in program that only complains).
TEST_P(HvCopies, ACopyThatEndsBeforeItsWindowShowsIsNamedWithItsLastWords) {
  const fs::path complaint = dir.path() / "complaint";
  hv::testing::write_bytes(complaint, "#!/bin/sh\necho starting >&2\necho 'cannot open the display' >&2\nexit 1\n");
  fs::permissions(complaint, fs::perms::owner_all);
  const ToolRun started = run_on(*x, "start --wait 1 " + own("EARLY"), "HV_PROGRAM=" + complaint.string());
  EXPECT_EQ(started.status, 1);
  EXPECT_TRUE(std::regex_search(started.err, std::regex(own("EARLY") + "-1 \\([0-9]+\\) ended before its window was shown: "
                                                        "cannot open the display\n"))) << started.err;
}

// A copy whose window is on another display cannot be closed from here: stop, for copies of any
// name, says so, fails, and leaves it running rather than kill it.
TEST_P(HvCopies, StopReportsACopyItCannotCloseAndFails) {
  const std::string edge = own("EDGE");
  const XSession elsewhere(Wm::Bare);
  Copy far_away(elsewhere, dir.path() / "far", edge + "-9");
  far_away.start();
  far_away.window();
  ASSERT_EQ(run("start --wait 1 " + edge).status, 0);

  const ToolRun stopped = run("stop");  // any name: tests running beside this one add their copies to err
  EXPECT_EQ(stopped.status, 1);
  EXPECT_EQ(stopped.out, "stopped 1 copy\n");
  EXPECT_EQ(stopped.err.find(edge + "-1"), std::string::npos) << stopped.err;
  EXPECT_TRUE(std::regex_search(stopped.err, std::regex(edge + "-9 \\([0-9]+\\) has no window"))) << stopped.err;
  EXPECT_TRUE(far_away.running());
  EXPECT_EQ(run_on(elsewhere, "stop " + edge).status, 0);
  EXPECT_EQ(far_away.wait_for_exit(), 0);
}
#endif

}  // namespace
}  // namespace hv::e2e
