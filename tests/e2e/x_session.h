#pragma once

// Test support: a private X server with a window manager of the test's choosing, and the real
// program started under a chosen file name with its own settings folder.

#include <X11/Xlib.h>
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace hv::e2e {

using namespace std::chrono_literals;

enum class Wm { Bare, Openbox, Icewm };
std::string wm_name(Wm wm);
inline void PrintTo(Wm wm, std::ostream* out) { *out << wm_name(wm); }

// Polls condition until it holds or the timeout passes; true if it held.
template <class Condition>
bool wait_until(Condition condition, std::chrono::milliseconds timeout = 10s);

// Xvfb on a display number it picks itself, and optionally a window manager on it.
class XSession {
 public:
  // screen: the Xvfb screen's size, "WIDTHxHEIGHT".
  explicit XSession(Wm wm, const std::string& screen = "1280x1024");
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  Display* display() const { return display_; }
  const std::string& name() const { return display_name_; }  // ":N"
  Window root() const { return DefaultRootWindow(display_); }
  Wm wm() const { return wm_; }

  // Stops the window manager, as a crash would, and starts a new one.
  void kill_window_manager();
  void restart_window_manager();
  // Stops the X server, as a crash would.
  void kill_server();

 private:
  pid_t xvfb_ = -1;
  pid_t wm_pid_ = -1;
  Wm wm_;
  std::string display_name_;
  Display* display_ = nullptr;
};

struct Point {
  long x = 0, y = 0;
  friend bool operator==(Point, Point) = default;
};
inline void PrintTo(Point p, std::ostream* out) { *out << p.x << "," << p.y; }

struct Rgb {
  int r = 0, g = 0, b = 0;
  friend bool operator==(Rgb, Rgb) = default;
};

// What a window shows, read back from the server.
struct Capture {
  int width = 0, height = 0;
  std::vector<Rgb> pixels;
  Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Part of a window (the root window: part of the screen) as it is drawn.
Capture capture_area(Display* display, Window window, Point origin, Point size);

// A client window as the tests see it, from the test's own X connection.
class XWindow {
 public:
  XWindow(Display* display, Window id) : display_(display), id_(id) {}
  Window id() const { return id_; }
  std::string title() const;
  Point client_origin() const;
  Point client_size() const;
  // The frame's top-left: the client's origin less _NET_FRAME_EXTENTS.
  Point outer_origin() const;
  std::vector<long> frame_extents() const;
  std::vector<Atom> wm_state() const;
  Capture capture() const;
  std::vector<unsigned long> long_property(const char* name) const;
  bool has_wm_state(const char* atom_name) const;

  // Moves the frame's top-left through the window manager (or directly with none).
  void move_outer_to(Point where, bool window_manager) const;
  // Asks for the window to close the way a title bar's close box does.
  void close(bool window_manager) const;
  void activate() const;
  // Asks the window manager to minimise the window, as its title bar's button does.
  void minimize() const;

 private:
  Display* display_;
  Window id_;
};

// Finds the client window whose _NET_WM_NAME (or WM_NAME) is title.
std::optional<Window> find_window_by_title(Display* display, const std::string& title);

// The program under test, built beside the tests.
std::filesystem::path program_under_test();

// The real binary started as <folder>/<file_name>, with XDG_CONFIG_HOME in a folder of its own.
class ProgramCopy {
 public:
  enum class Link { Copy, HardLink, SymLink };

  ProgramCopy(const XSession& session, const std::filesystem::path& folder,
              const std::string& file_name, Link link = Link::HardLink,
              const std::filesystem::path& source_file = program_under_test());

  // Commands and environment that the program is started through (Wine, say).
  void launch_through(std::vector<std::string> launcher, std::vector<std::string> environment) {
    launcher_ = std::move(launcher);
    launcher_environment_ = std::move(environment);
  }
  ~ProgramCopy();
  ProgramCopy(const ProgramCopy&) = delete;
  ProgramCopy& operator=(const ProgramCopy&) = delete;

  void start(const std::vector<std::string>& arguments = {},
             const std::vector<std::string>& environment = {});
  // Waits for the copy's window to appear with its final title.
  XWindow wait_for_window(const std::string& title) const;
  // Waits for the process to end; its exit status, or nullopt on timeout.
  std::optional<int> wait_for_exit(std::chrono::milliseconds timeout = 10s);
  bool running();
  pid_t pid() const { return pid_; }
  std::string stderr_text() const;
  const std::filesystem::path& config_home() const { return config_home_; }
  std::filesystem::path settings_file() const;
  // A stored value, read back with the program's own reader.
  std::optional<std::string> setting(const std::string& section, const std::string& key) const;
  void set_config_home(const std::filesystem::path& folder) { config_home_ = folder; }

 private:
  const XSession& session_;
  std::filesystem::path folder_;
  std::filesystem::path program_;
  std::filesystem::path config_home_;
  std::vector<std::string> launcher_;
  std::vector<std::string> launcher_environment_;
  pid_t pid_ = -1;
  std::optional<int> exit_status_;  // once the ended child has been reaped
};

// A bare X client window of the test's own, managed by the window manager like any application's.
class TestWindow {
 public:
  TestWindow(Display* display, const std::string& title);
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  XWindow window() const { return XWindow(display_, id_); }
  Window id() const { return id_; }
  void destroy();

 private:
  Display* display_;
  Window id_;
};

// Root window properties kept by an EWMH window manager.
Window active_window(Display* display);
std::vector<Window> stacking_order(Display* display);  // bottom to top
// Asks the window manager to put a window into (true) or out of the above band.
void request_above(Display* display, Window window, bool above);

// Synthesised input through XTEST.
void click_at(Display* display, Point where, int button = 1, int count = 1);
void press_key(Display* display, const char* keysym_name);

}  // namespace hv::e2e

#include "x_session_wait.h"
