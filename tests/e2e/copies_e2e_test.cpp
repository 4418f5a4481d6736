// hv-copies, the tester's tool for many named copies, against the real program: the Linux tool
// with and without a window manager, and hv-copies.exe with the .exe copies under Wine.

#include <X11/Xatom.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <regex>

#include "copies_fixture.h"

namespace hv::e2e {
namespace {

#ifdef HV_WINDOWS_PROGRAM
HV_UNDER(HvCopies, Wm::Openbox);
#else
HV_UNDER(HvCopies, Wm::Openbox, Wm::Bare, Wm::Metacity);
#endif

// What does not depend on a window manager, tried once: on a bare server, or under Wine.
class HvCopiesTool : public HvCopies {};
#ifdef HV_WINDOWS_PROGRAM
HV_UNDER(HvCopiesTool, Wm::Openbox);
#else
HV_UNDER(HvCopiesTool, Wm::Bare);
#endif

// A panel at the top of a monitor, as a desktop's: a dock window with a strut, which the window
// manager takes out of its work area.
class Panel {
 public:
  Panel(const XSession& x, Area where) : x_(x) {
    Display* display = x.display();
    window_ = XCreateSimpleWindow(display, x.root(), where.x, where.y, where.w, where.h, 0, 0, 0x303030);
    const Atom dock = atom(display, "_NET_WM_WINDOW_TYPE_DOCK");
    const long strut[12] = {0, 0, where.h, 0, 0, 0, 0, 0, where.x, where.x + where.w - 1, 0, 0};
    XChangeProperty(display, window_, atom(display, "_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&dock), 1);
    XChangeProperty(display, window_, atom(display, "_NET_WM_STRUT_PARTIAL"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(strut), 12);
    XMapWindow(display, window_);
    XSync(display, False);
    wait_until([&] {
      const auto area = x.root_property("_NET_WORKAREA");
      return area.size() >= 4 && area[1] == static_cast<unsigned long>(where.h);
    });
  }
  ~Panel() { XDestroyWindow(x_.display(), window_), XSync(x_.display(), False); }

 private:
  const XSession& x_;
  Window window_;
};

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
// 1200 x 1200, as a server with two outputs publishes them, the first below a 30 px panel where a
// window manager keeps a work area. A cell is the window's outer size as the desktop frames it and
// an 8 px gap, monitor by monitor: none across the seam at x = 1200, below the first monitor's foot
// or under the panel. The copy with a place of its own keeps it and the cells it covers are passed
// over; the copies that find no cell go on a layer offset by a title bar.
TEST_P(HvCopies, AGridKeepsEveryCopyOnOneMonitorAroundOneWithItsOwnPlaceAndStopStoresEveryPlace) {
  const std::map<std::string, std::vector<Point>> kPlaces{
      // openbox frames the window 732 x 292 (a 22 px title bar), metacity 730 x 306 (37 px); bare 730 x 269
      {"openbox", {{1300, 350}, {0, 30}, {0, 330}, {1200, 30}, {22, 52}, {22, 352}}},
      {"no_wm", {{1300, 350}, {0, 0}, {0, 277}, {1200, 0}, {1200, 831}, {22, 22}}},
      {"metacity", {{1300, 350}, {0, 30}, {0, 344}, {1200, 30}, {1200, 658}, {37, 67}}},
      // Wine's window is 736 x 294 with a 19 px title bar, on one monitor: two columns of three rows
      {"wine", {{900, 150}, {0, 30}, {0, 332}, {0, 634}, {744, 634}, {19, 49}}}};
  const auto& want = kPlaces.at(kUnderWine ? "wine" : wm_name(GetParam()));
  if (!kUnderWine) x->set_monitors({{0, 0, 1200, 800}, {1200, 0, 1200, 1200}});
  std::optional<Panel> panel;
  if (x->has_wm()) panel.emplace(*x, Area{0, 0, kUnderWine ? 1920 : 1200, 30});
  const std::string grid = own("GRID");
  ASSERT_EQ(run("set " + grid + "-1 MAIN_Left " + std::to_string(want[0].x * 15)).status, 0);
  ASSERT_EQ(run("set " + grid + "-1 MAIN_Top " + std::to_string(want[0].y * 15)).status, 0);

  // Errors joined to the output, as a script's log takes them: the note on layers comes where it
  // was written, before the first copy starts.
  const ToolRun started = shell(*x, std::string("sh -c '") + (kUnderWine ? "wine " : "") + HV_COPIES_TOOL +
                                        " start --grid --wait 6 " + grid + " 2>&1'");
  ASSERT_EQ(started.status, 0) << started.out;
  EXPECT_LT(started.out.find("copies fit the monitors side by side"), started.out.find(grid + "-1 ")) << started.out;
  EXPECT_EQ(names(started.out).size(), 6U) << started.out;
  for (std::size_t i = 0; i < want.size(); ++i) {
    const std::string name = grid + "-" + std::to_string(i + 1);
    const XWindow window = shown_window(name);
    // Wine's window frame is not the window manager's: there the corner stands a few pixels off.
    const long slack = kUnderWine ? 4 : 0;
    EXPECT_TRUE(wait_until([&] {
      const Point at = window.outer_origin();
      return (!x->has_wm() || window.framed()) && std::abs(at.x - want[i].x) <= slack && std::abs(at.y - want[i].y) <= slack;
    })) << name << " stands at " << ::testing::PrintToString(window.outer_origin());
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

// At twice the density the grid counts in the desktop's own pixels, 7.5 twips each: on one
// 3000 x 1200 monitor the window framed by openbox (1462 x 561) or by Wine (1466 x 581) fits two
// columns of two rows. --grid-all places every copy, the first's stored place included, and the
// copies take the default names.
class DenseHvCopies : public HvCopies {
 protected:
  std::string screen() const override { return "3000x1200"; }
  void TearDown() override {
    x->forget_density();
    HvCopies::TearDown();
  }
};
HV_UNDER(DenseHvCopies, Wm::Openbox);

TEST_P(DenseHvCopies, AtTwiceTheDensityTheGridCountsInTheDesktopsPixels) {
  // Twips stored, and on Linux the pixels they stand at (Wine's frame at this density is its own).
  const std::vector<std::pair<Point, Point>> want = kUnderWine
      ? std::vector<std::pair<Point, Point>>{{{0, 0}, {}}, {{11115, 0}, {}}, {{0, 4477}, {}}}
      : std::vector<std::pair<Point, Point>>{{{0, 0}, {0, 0}}, {{11085, 0}, {1478, 0}}, {{0, 4327}, {0, 577}}};
  ASSERT_TRUE(x->set_density(192));
  const std::string prefix = "HV-TEST-PROCESS";
  ASSERT_EQ(run("set " + prefix + "-1 MAIN_Left 9000").status, 0);
  const ToolRun started = run("start --grid-all --wait 3");
  ASSERT_EQ(started.status, 0) << started.err;
  for (std::size_t i = 0; i < want.size() && !kUnderWine; ++i) {
    const XWindow window = shown_window(prefix + "-" + std::to_string(i + 1));
    EXPECT_TRUE(wait_until([&] { return window.framed() && window.outer_origin() == want[i].second; }))
        << i + 1 << " stands at " << ::testing::PrintToString(window.outer_origin());
  }
  EXPECT_EQ(run("stop " + prefix).status, 0);
  for (std::size_t i = 0; i < want.size(); ++i) {
    const std::string name = prefix + "-" + std::to_string(i + 1);
    EXPECT_EQ(stored(name, "MAIN_Left"), std::to_string(want[i].first.x)) << name;
    EXPECT_EQ(stored(name, "MAIN_Top"), std::to_string(want[i].first.y)) << name;
  }
}

// list finds every running copy of the program that belongs to the user, under any name: ten of
// one prefix in a tester's order (ONE-2 before ONE-10), another prefix in Cyrillic given before
// its verb, and by hand a symbolic link and a copy of the file's bytes named like the prefix with
// no number after it, which list ONE and stop ONE leave out; not a copy run by another user. The
// tool's copies are made in the runtime folder (Windows: the local application data folder) and
// run there; its output read through a pipe ends when it does. set and get go through the store
// while the copies run; reset forgets a copy's settings.
TEST_P(HvCopiesTool, ListFindsEveryCopyInOrderAndSettingsGoThroughTheStoreWhileCopiesRun) {
  const std::string one = own("ONE"), two = own("ДВА");
  const ToolRun piped = shell(*x, std::string("timeout 30 sh -c '") + (kUnderWine ? "wine " : "") + HV_COPIES_TOOL +
                                      " start --wait 10 " + one + " | cat'");
  ASSERT_EQ(piped.status, 0) << "the pipe stayed open: " << piped.err;
  const ToolRun started = run("--wait start 1 " + two);
  ASSERT_EQ(started.status, 0) << started.err;
  auto linked = copy(one + "-old", Copy::Link::SymLink), copied = copy(one + "-x", Copy::Link::Copy);
  for (Copy* by_hand : {linked.get(), copied.get()}) by_hand->start(), by_hand->window();
  hv::testing::TempDir shared;  // where another user may run a copy of the program
  std::optional<Copy> other_users;
  if (!kUnderWine && ::geteuid() == 0) {
    fs::permissions(shared.path(), fs::perms::all);
    other_users.emplace(*x, shared.path() / "other", one + "-11");
    other_users->launcher = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    other_users->start();
    other_users->window();
  }
  EXPECT_EQ(in_order(run("list " + one).out), numbered(one, 10));
  auto listed = names(run("list").out);
  for (const auto& name : numbered(one, 10)) EXPECT_EQ(listed[name], 1) << name;
  for (const auto& name : {two + "-1", one + "-old", one + "-x"}) EXPECT_EQ(listed[name], 1) << name;
  EXPECT_EQ(listed.count(one + "-11"), 0U) << "another user's copy";
  const auto first = processes_of(one + "-1");
  ASSERT_EQ(first.size(), 1U);
  const fs::path runs_in = fs::read_symlink("/proc/" + std::to_string(first[0]) + "/cwd");
  EXPECT_TRUE(kUnderWine ? runs_in.string().ends_with("/AppData/Local/hv-copies") : runs_in == dir.path() / "hv-copies") << runs_in;

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

  EXPECT_EQ(run("stop " + one).out, "stopped 10 copies\n");
  EXPECT_EQ(run("stop " + two).status, 0);
  EXPECT_EQ(names(run("list " + one).out).size(), 0U);
  listed = names(run("list").out);
  EXPECT_EQ(listed[one + "-old"] + listed[one + "-x"], 2) << "by hand, named like the prefix but not numbered";
  for (Copy* by_hand : {linked.get(), copied.get()}) {
    by_hand->window().close();
    EXPECT_EQ(by_hand->wait_for_exit(), 0);
  }
}

// Words it does not know end the tool with the usage and status 2, before anything is started;
// asked for help, it prints the usage and succeeds.
TEST_P(HvCopiesTool, AnUnknownOrMisplacedWordStartsNothingAndExitsTwo) {
  for (const char* words : {"start 2 BAD --bogus", "start --wait", "start 0 BAD", "start 2 BAD/X", "list --grid",
                            "stop BAD extra", "frobnicate", "start 2 BAD --timeout=5", "stop --timeout=0"}) {
    const ToolRun refused = run(words);
    EXPECT_EQ(refused.status, 2) << words;
    EXPECT_NE(refused.err.find("usage: hv-copies start"), std::string::npos) << words << ": " << refused.err;
    EXPECT_EQ(refused.out, "") << words;
  }
  EXPECT_EQ(run("list BAD").out, "");
  EXPECT_EQ(stored("BAD-1", "MAIN_Left"), std::nullopt);
  const ToolRun help = run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.starts_with("usage: hv-copies start")) << help.out;
}

// start --wait waits for every window to be shown, not merely made, and names every copy whose
// window does not show: one that makes its window and never shows it, once the limit passes; on
// Linux one that ends first, with the last line it wrote (kept in NAME.log beside it). Stand-ins
// take the program's place.
TEST_P(HvCopiesTool, StartWaitNamesEveryCopyWhoseWindowDoesNotShow) {
  const std::string unshown = own("UNSHOWN"), program = std::string("HV_PROGRAM=") + HV_UNSHOWN_WINDOW;
  const ToolRun started = run_on(*x, "start --wait --timeout=2 1 " + unshown, program);
  EXPECT_EQ(started.status, 1);
  EXPECT_TRUE(std::regex_search(started.err, std::regex(unshown + "-1 \\([0-9]+\\) showed no window within 2 s"))) << started.err;
  EXPECT_EQ(run_on(*x, "stop " + unshown, program).status, 0);
  if (kUnderWine) return;
  const fs::path complaint = dir.path() / "complaint";
  hv::testing::write_bytes(complaint, "#!/bin/sh\necho starting >&2\necho 'cannot open the display' >&2\nexit 1\n");
  fs::permissions(complaint, fs::perms::owner_all);
  const ToolRun ended = run_on(*x, "start --wait 1 " + own("EARLY"), "HV_PROGRAM=" + complaint.string());
  EXPECT_EQ(ended.status, 1);
  EXPECT_TRUE(std::regex_search(ended.err, std::regex(own("EARLY") + "-1 \\([0-9]+\\) ended before its window was shown: "
                                                      "cannot open the display\n"))) << ended.err;
}

// stop never kills: a copy it cannot close (on Linux, one whose window is on another display) and
// one still running when the limit passes (a stopped process) are named on stderr, the status is
// 1, and both are left running.
TEST_P(HvCopiesTool, StopNamesEveryCopyItDidNotEndFailsAndKillsNone) {
  const std::string stuck = own("STUCK"), edge = own("EDGE");
  std::optional<XSession> elsewhere;
  std::optional<Copy> far_away;
  if (!kUnderWine) {
    elsewhere.emplace(Wm::Bare);
    far_away.emplace(*elsewhere, dir.path() / "far", edge + "-9");
    far_away->start();
    far_away->window();
  }
  ASSERT_EQ(run("start --wait 2 " + stuck).status, 0);
  const auto frozen = processes_of(stuck + "-2");
  ASSERT_EQ(frozen.size(), 1U);
  ::kill(frozen[0], SIGSTOP);
  const ToolRun stopped = run("stop --timeout=8 " + stuck);  // time enough for the other under load
  ::kill(frozen[0], SIGCONT);
  EXPECT_EQ(stopped.status, 1);
  EXPECT_EQ(stopped.out, "stopped 1 copy\n");
  EXPECT_TRUE(std::regex_search(stopped.err, std::regex(stuck + "-2 \\([0-9]+\\) is still running 8 s after it was asked to close")))
      << stopped.err;
  EXPECT_EQ(stopped.err.find(stuck + "-1"), std::string::npos) << stopped.err;
  EXPECT_TRUE(wait_until([&] { return run("list " + stuck).out.empty(); })) << "it closes once it runs again";
  if (far_away) {
    const ToolRun any = run("stop");  // any name: tests running beside this one add their copies to err
    EXPECT_EQ(any.status, 1);
    EXPECT_TRUE(std::regex_search(any.err, std::regex(edge + "-9 \\([0-9]+\\) has no window"))) << any.err;
    EXPECT_TRUE(far_away->running());
    EXPECT_EQ(run_on(*elsewhere, "stop " + edge).status, 0);
    EXPECT_EQ(far_away->wait_for_exit(), 0);
  }
}

#ifndef HV_WINDOWS_PROGRAM
// At the X server's client limit (Xvfb -maxclients 64 here; 256 is Xorg's and Xvfb's default), start
// refuses a count that cannot fit, naming the limit and how to raise it, and starts nothing; a copy
// the server refuses says so in the server's words; and stop, which cannot connect either, ends
// every copy on this display as a logout does, so that each stores its place.
class FullServer : public HvCopies {
 protected:
  std::vector<std::string> server_options() const override { return {"-maxclients", "64"}; }
};
HV_UNDER(FullServer, Wm::Bare);

TEST_P(FullServer, AtTheClientLimitStartRefusesAndStopStillEndsEveryCopyStoringItsPlace) {
  const std::string full = own("FULL");
  const ToolRun refused = run("start 100 " + full);
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("takes at most 64 clients"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("-maxclients"), std::string::npos) << refused.err;
  EXPECT_EQ(run("list " + full).out, "");
  ASSERT_EQ(run("start --wait 3 " + full).status, 0);
  std::vector<Display*> taken;  // the rest of the server's clients
  while (Display* client = XOpenDisplay(x->name().c_str())) taken.push_back(client);
  Copy late(*x, dir.path() / "late", full + "-late");
  late.start();
  EXPECT_EQ(late.wait_for_exit(), 1);
  EXPECT_EQ(late.stderr_text(), "HV_TEST_PROCESS: error: cannot open the display \"" + x->name() +
                                    "\": Maximum number of clients reached\n");
  const ToolRun stopped = run("stop " + full);
  EXPECT_EQ(stopped.status, 0) << stopped.err;
  EXPECT_EQ(stopped.out, "stopped 3 copies\n");
  for (const auto& name : numbered(full, 3)) EXPECT_EQ(stored(name, "MAIN_Left"), "1000") << name;
  for (Display* client : taken) XCloseDisplay(client);
}

// The copies outlive the shell session that started them, as when the tester's terminal closes
// (its processes get SIGHUP); where FOLDER's file system refuses links (tmpfs) they run from
// copies of the program's bytes, each in FOLDER; and the tool finds the program on PATH when it
// stands alone.
TEST_P(HvCopiesTool, CopiesOutliveTheShellThatStartedThemAndRunFromCopiesInTheirFolder) {
  std::string made = "/dev/shm/hv-copies-XXXXXX";
  const fs::path folder = ::mkdtemp(made.data());
  const fs::path alone = dir.path() / "alone" / "hv-copies";
  fs::create_directories(alone.parent_path());
  fs::copy_file(HV_COPIES_TOOL, alone);
  const std::string kept = own("KEPT");
  const std::string session = "setsid sh -c \"PATH=" + fs::path(HV_PROGRAM_PATH).parent_path().string() + ":$PATH " +
                              alone.string() + " start --wait 2 " + kept + " " + folder.string() + " && kill -HUP 0\"";
  const ToolRun started = shell(*x, session);
  const auto listed = in_order(run("list " + kept).out);
  EXPECT_EQ(listed, numbered(kept, 2)) << started.err;
  for (const auto& name : numbered(kept, 2)) {
    const auto running = processes_of(name);
    ASSERT_EQ(running.size(), 1U) << name;
    EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(running[0]) + "/cwd"), folder) << name;
    EXPECT_EQ(fs::hard_link_count(folder / name), 1U) << name << " is a copy of the program's bytes";
  }
  EXPECT_EQ(run("stop " + kept).status, 0);
  fs::remove_all(folder);
}

// A server that asks for a cookie, as a desktop's does; this test's processes hold it through
// XAUTHORITY, in an entry for any host and display number.
class AuthorizedServer : public HvCopies {
 protected:
  AuthorizedServer() {
    hv::testing::write_bytes(cookie, std::string{'\xff', '\xff', 0, 0, 0, 0, 0, 18} + "MIT-MAGIC-COOKIE-1" + std::string{0, 16} + "0123456789abcdef");
    ::setenv("XAUTHORITY", cookie.c_str(), 1);
  }
  std::vector<std::string> server_options() const override { return {"-auth", cookie.string()}; }
  const fs::path cookie = dir.path() / "cookie";
};
HV_UNDER(AuthorizedServer, Wm::Bare);

// stop that cannot open the display for a reason other than the server's client limit (a wrong
// XAUTHORITY) says why and ends nothing; a copy is listed under the file it was started from,
// whatever argv[0] it was given.
TEST_P(AuthorizedServer, StopEndsNothingOnADisplayItCannotOpenAndCopiesAreListedByTheirFile) {
  const std::string mine = own("AUTH");
  ASSERT_EQ(run("start --wait 1 " + mine).status, 0);
  const ToolRun refused = run_on(*x, "stop " + mine, "XAUTHORITY=" + (dir.path() / "none").string());
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("cannot open the display"), std::string::npos) << refused.err;
  EXPECT_EQ(in_order(run("list " + mine).out), numbered(mine, 1)) << "the copy was ended";
  Copy renamed(*x, dir.path() / "renamed", mine + "-2");
  renamed.launcher = {"bash", "-c", "exec -a SOMETHING-ELSE \"$0\""};
  renamed.start(), renamed.window();
  EXPECT_EQ(in_order(run("list " + mine).out), numbered(mine, 2));
  EXPECT_EQ(run("stop " + mine).out, "stopped 2 copies\n");
  EXPECT_EQ(renamed.wait_for_exit(), 0);
}

#endif

}  // namespace
}  // namespace hv::e2e
