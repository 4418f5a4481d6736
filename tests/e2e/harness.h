#pragma once

// The end-to-end harness: a private X server with a window manager of the test's choosing, and the
// program under test started under a chosen file name. The program is the Linux binary, or with
// HV_WINDOWS_PROGRAM defined the .exe under Wine, sharing one Wine prefix for the whole suite.

#include <gtest/gtest.h>  // before Xlib, whose None would break it
#include <X11/Xlib.h>
#include <signal.h>
#include <sys/types.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "../unit/temp_dir.h"
#include "ui/controls.h"

namespace hv::e2e {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

#ifdef HV_WINDOWS_PROGRAM
inline constexpr bool kUnderWine = true;
inline const fs::path kWindowsProgram = HV_WINDOWS_PROGRAM;
#else
inline constexpr bool kUnderWine = false;
inline const fs::path kWindowsProgram;
#endif

// Polls condition until it holds or the timeout passes; true if it held.
template <class Condition>
bool wait_until(Condition condition, std::chrono::milliseconds timeout = 10s) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;; std::this_thread::sleep_for(10ms)) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
  }
}

// XWayland is mutter as a headless Wayland compositor, its X server started for the program.
enum class Wm { Bare, Openbox, Icewm, Xfwm4, Metacity, XWayland };
inline std::string wm_name(Wm wm) {
  constexpr const char* kNames[] = {"no_wm", "openbox", "icewm", "xfwm4", "metacity", "mutter_xwayland"};
  return kNames[static_cast<int>(wm)];
}
// The window managers of the desktops testers use, and the Wayland compositor.
#define HV_EVERY_DESKTOP Wm::Openbox, Wm::Icewm, Wm::Xfwm4, Wm::Metacity, Wm::XWayland
inline void PrintTo(Wm wm, std::ostream* out) { *out << wm_name(wm); }

struct Point { long x = 0, y = 0; friend bool operator==(Point, Point) = default; };
inline void PrintTo(Point p, std::ostream* out) { *out << p.x << "," << p.y; }

struct Rgb { int r = 0, g = 0, b = 0; friend bool operator==(Rgb, Rgb) = default; };
inline constexpr Rgb kBlack{0, 0, 0}, kGreen{0, 255, 0}, kYellow{255, 255, 0};
inline bool near(Rgb c, Rgb want, int tolerance = 40) {
  return std::max({std::abs(c.r - want.r), std::abs(c.g - want.g), std::abs(c.b - want.b)}) <= tolerance;
}

struct Capture {
  int width = 0, height = 0;
  std::vector<Rgb> pixels;
  Rgb at(long x, long y) const {  // no colour outside what was read
    return x >= 0 && y >= 0 && x < width && y < height ? pixels[static_cast<std::size_t>(y * width + x)] : Rgb{-1, -1, -1};
  }
};
// A picture file's pixels, through ImageMagick's convert.
Capture read_picture(const std::string& path);

// Whether the process has the file open now, as /proc tells.
bool holds_open(pid_t pid, const fs::path& file);

// The thumbs-up picture's pixels as the window shows them.
const std::vector<Rgb>& thumbs_up_pixels();

// A control's rectangle in pixels at 96 dpi, shrunk by inset on every side.
struct Area { int x, y, w, h; };
Area area_of(ui::ControlId id, int inset = 0);
std::vector<Rgb> pixels_of(const Capture& shot, Area a);
template <class Test>
int count(const Capture& shot, Area a, Test test) {
  int n = 0;
  for (const Rgb& c : pixels_of(shot, a)) n += test(c) ? 1 : 0;
  return n;
}

inline Atom atom(Display* display, const char* name) { return XInternAtom(display, name, False); }
// A window's parent and its children, bottom to top.
struct Tree {
  Window parent = None;
  std::vector<Window> children;
};
Tree tree_of(Display* display, Window window);
// A property's items: 32-bit ones as numbers, 8-bit ones as bytes.
std::vector<unsigned long> property_of(Display* display, Window window, Atom property);

// Xvfb on a display number it picks itself, and optionally a window manager on it; or mutter's
// XWayland. The desktop keeps its files in a home of its own, never the user's.
class XSession {
 public:
  // options: more of Xvfb's own, such as its client limit.
  explicit XSession(Wm wm, const std::string& screen = "1280x1024", const std::vector<std::string>& options = {});
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  Display* display() const { return display_; }
  const std::string& name() const { return name_; }  // ":N"
  Window root() const { return DefaultRootWindow(display_); }
  bool has_wm() const { return wm_ != Wm::Bare; }
  // The desktop's density for programs started from now on: Xft.dpi in the root window's resources,
  // or Wine's LogPixels, which outlives the session (the suite shares one prefix) until forgotten.
  bool set_density(int dpi) const;
  void forget_density() const;
  Window active() const;                      // _NET_ACTIVE_WINDOW
  std::vector<Window> stacking() const { return root_property("_NET_CLIENT_LIST_STACKING"); }  // bottom to top
  std::optional<Window> find(const std::string& title) const;
  bool viewable(Window window) const;  // mapped, with every parent
  void click(Point where, int count = 1) const;
  void key(const char* keysym_name, int times = 1) const;
  void kill_server();  // as a crash would
  // A window manager started or ended while the session runs, as a desktop's autostart or a crash does.
  void start_window_manager(Wm wm);
  void stop_window_manager();
  // Splits the screen into monitors, as an X server with one output a monitor publishes them.
  void set_monitors(const std::vector<Area>& monitors) const;
  std::vector<unsigned long> root_property(const char* name) const {
    return property_of(display_, root(), atom(display_, name));
  }
  // XWayland's root holds no picture of its windows: the compositor draws them in the order of its
  // own stacking list, which there is what the user sees.
  bool screen_shows_windows() const { return wm_ != Wm::XWayland; }

 private:
  void start_wayland(const std::string& screen);
  hv::testing::TempDir home_;
  pid_t xvfb_ = -1, wm_pid_ = -1;
  Wm wm_;
  std::string name_;
  Display* display_ = nullptr;
};

// A top-level window as the tests see it from their own X connection.
class XWindow {
 public:
  XWindow(const XSession& x, Window id) : x_(&x), id_(id) {}
  Window id() const { return id_; }
  std::string title() const {
    const auto bytes = property("_NET_WM_NAME");
    return {bytes.begin(), bytes.end()};
  }
  Point client_origin() const;
  Point client_size() const;
  Point outer_origin() const;  // the client's origin less _NET_FRAME_EXTENTS
  Area outer_area() const;     // and the client's size with them
  bool wholly_inside(Area a) const {
    return [&](Area o) { return o.x >= a.x && o.y >= a.y && o.x + o.w <= a.x + a.w && o.y + o.h <= a.y + a.h; }(outer_area());
  }
  std::vector<unsigned long> property(const char* name) const {
    return property_of(x_->display(), id_, atom(x_->display(), name));
  }
  bool framed() const { return property("_NET_FRAME_EXTENTS").size() == 4; }
  bool has_state(const char* name) const {
    const auto state = property("_NET_WM_STATE");
    return std::count(state.begin(), state.end(), atom(x_->display(), name)) > 0;
  }
  bool above() const { return has_state("_NET_WM_STATE_ABOVE"); }
  Capture capture() const;
  // Both pictures are seen on the screen as the window draws them: no other window covers them.
  bool seen_on_top() const;
  Point centre_of(ui::ControlId id) const;
  // Through the window manager, as a user does; with none, directly.
  void move_outer_to(Point where) const;
  void close() const;
  void activate() const { send("_NET_ACTIVE_WINDOW", {2, CurrentTime, 0}); }
  void minimize() const { XIconifyWindow(x_->display(), id_, DefaultScreen(x_->display())), XFlush(x_->display()); }
  void set_above(bool above) const {
    send("_NET_WM_STATE", {above ? 1 : 0, static_cast<long>(atom(x_->display(), "_NET_WM_STATE_ABOVE")), 0, 2});
  }

 private:
  void send(const char* type, std::vector<long> data, bool to_root = true) const;
  const XSession* x_;
  Window id_;
};

// A plain window of the test's own, managed like any application's.
class TestWindow {
 public:
  TestWindow(const XSession& x, const std::string& title, Area where = {300, 300, 200, 100});
  ~TestWindow();
  XWindow window() const { return XWindow(*x_, id_); }
  Window id() const { return id_; }

 private:
  const XSession* x_;
  Window id_;
};

namespace wine {
// Runs a command with the suite's Wine prefix, on a display (or none); its output, or nullopt
// when it failed.
std::optional<std::string> run(const std::string& command, const XSession* on = nullptr);
std::vector<std::string> environment();
}  // namespace wine

// A stored value as a tester finds it: the "KEY=value" line under "[section]" in the settings file
// (Linux), or the REG_SZ value `reg query` shows (Wine); nullopt where there is none.
std::optional<std::string> stored_text(const XSession& x, const fs::path& settings_file, const std::string& section,
                                       const std::string& key);

// The program under test as <folder>/<file_name> (Wine: .exe added where the name has no
// extension), with its own settings folder.
class Copy {
 public:
  enum class Link { HardLink, Copy, SymLink };
  Copy(const XSession& x, const fs::path& folder, const std::string& file_name, Link link = Link::HardLink);
  ~Copy();
  Copy(const Copy&) = delete;
  Copy& operator=(const Copy&) = delete;

  // What the program is started through (strace, say), and further environment.
  std::vector<std::string> launcher, environment;
  fs::path config_home;

  void start(const std::vector<std::string>& arguments = {});
  XWindow window(const std::string& title) const;  // waits until it is mapped
  XWindow window() const { return window(title()); }
  std::string title() const { return "HALVERD - TEST PROCESS - " + section + ".exe"; }
  // Waits for the process to end: its exit status, or nullopt on timeout.
  std::optional<int> wait_for_exit(std::chrono::milliseconds timeout = 20s) {
    wait_until([&] { return !running(); }, timeout);
    return exit_status_;
  }
  bool running();
  void signal(int number) const { ::kill(pid_, number); }
  pid_t pid() const { return pid_; }
  std::string stderr_text() const { return hv::testing::read_bytes(folder_ / "stderr.txt"); }
  fs::path settings_file() const { return config_home / "HV_TEST_PROCESS" / "settings.ini"; }

  std::optional<std::string> setting(const std::string& key) const;
  // Stores a value from outside the program, as a tester does by hand.
  void store(const std::string& key, const std::string& value) const;
  // Every key of the copy's section as KEY=value lines, "-" for an absent one.
  std::string stored() const;
  static inline const std::string kNothingStored =
      "MAIN_Left=-\nMAIN_Top=-\nMAIN_Width=-\nMAIN_Height=-\nAlwaysOnTop_TICKBOX=-\n";

  std::string section;  // the file name without its extension

 private:
  const XSession& x_;
  fs::path folder_, program_;
  pid_t pid_ = -1;
  std::optional<int> exit_status_;
};

// One private X server per test, with the window manager the parameter names. Under Wine the
// prefix's processes are stopped after each test: they keep the display they started with.
class E2eTest : public ::testing::TestWithParam<Wm> {
 protected:
  void SetUp() override { x = std::make_unique<XSession>(GetParam(), screen(), server_options()); }
  void TearDown() override {
    if (kUnderWine) wine::run("wineserver -k");
  }
  virtual std::string screen() const { return "1280x1024"; }
  virtual std::vector<std::string> server_options() const { return {}; }
  std::unique_ptr<Copy> copy(const std::string& file_name, Copy::Link link = Copy::Link::HardLink) {
    return std::make_unique<Copy>(*x, dir.path() / file_name, file_name, link);
  }

  hv::testing::TempDir dir;
  std::unique_ptr<XSession> x;
};

inline std::string param_name(const ::testing::TestParamInfo<Wm>& info) { return wm_name(info.param); }
#define HV_UNDER(suite, ...) \
  INSTANTIATE_TEST_SUITE_P(Under, suite, ::testing::Values(__VA_ARGS__), hv::e2e::param_name)

}  // namespace hv::e2e
