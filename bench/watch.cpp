// Benchmark driver with an Xlib watcher on the root window.
//   watch startup RUNS PROGRAM     median time from exec to the window mapped with its final title
//                                  and its first label drawn (checked at the pixel), then closes it
//   watch fleet COUNT PROGRAM      starts COUNT copies at once; time until all are in
//                                  _NET_CLIENT_LIST (needs an EWMH window manager)
//   watch mapped COUNT PROGRAM     starts COUNT copies at once with no window manager; time until
//                                  every copy's window is mapped
//   watch hold COUNT SECONDS PROGRAM   starts COUNT copies, waits until all are mapped, prints their
//                                  pids, then sleeps SECONDS before closing them (for memory and
//                                  idle-cost readings taken from outside)
// PROGRAM is started as a hard link named after the run, in a temporary folder that also holds
// its settings (XDG_CONFIG_HOME).

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int ignore_errors(Display*, XErrorEvent*) { return 0; }

std::string title_of(Display* display, Window window) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 256,
                         False, XInternAtom(display, "UTF8_STRING", False), &type, &format, &count,
                         &remaining, &data) == Success && data) {
    title.assign(reinterpret_cast<char*>(data), count);
  }
  if (data) XFree(data);
  return title;
}

// Finds a window by title among the root's children and one level below (frames).
Window find(Display* display, const std::string& title) {
  Window root_return, parent, *children = nullptr;
  unsigned count = 0;
  Window found = None;
  if (!XQueryTree(display, DefaultRootWindow(display), &root_return, &parent, &children, &count)) return None;
  for (unsigned i = 0; i < count && !found; ++i) {
    if (title_of(display, children[i]) == title) { found = children[i]; break; }
    Window r, p, *grand = nullptr;
    unsigned n = 0;
    if (XQueryTree(display, children[i], &r, &p, &grand, &n)) {
      for (unsigned k = 0; k < n && !found; ++k) {
        if (title_of(display, grand[k]) == title) found = grand[k];
      }
      if (grand) XFree(grand);
    }
  }
  if (children) XFree(children);
  return found;
}

bool viewable(Display* display, Window window) {
  XWindowAttributes attributes{};
  return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

// True once the first label's spot (client 20, 20) shows black, as the program and the floor draw it.
bool drawn(Display* display, Window window) {
  XImage* image = XGetImage(display, window, 20, 20, 1, 1, AllPlanes, ZPixmap);
  if (!image) return false;
  const bool black = (XGetPixel(image, 0, 0) & 0xffffff) == 0;
  XDestroyImage(image);
  return black;
}

pid_t spawn(const fs::path& program, const fs::path& config) {
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    freopen("/dev/null", "w", stderr);
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

void close_window(Display* display, Window window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
}

fs::path link_as(const fs::path& program, const fs::path& folder, const std::string& name) {
  const fs::path copy = folder / name;
  if (fs::exists(copy)) return copy;
  std::error_code error;
  fs::create_hard_link(program, copy, error);
  if (error) fs::copy_file(program, copy, fs::copy_options::overwrite_existing);
  return copy;
}

std::string expected_title(const std::string& name) { return "HALVERD - TEST PROCESS - " + name + ".exe"; }

int startup(Display* display, int runs, const fs::path& program, const fs::path& folder) {
  std::vector<double> ms;
  for (int run = 0; run < runs; ++run) {
    const std::string name = "BENCH";  // one copy started again and again, as a tester does
    const fs::path copy = link_as(program, folder, name);
    const std::string title = program.filename() == "hv_bench_floor" ? "HALVERD - TEST PROCESS - FLOOR.exe" : expected_title(name);
    const auto start = Clock::now();
    const pid_t pid = spawn(copy, folder / "config");
    Window window = None;
    const auto deadline = start + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
      if (!window) window = find(display, title);
      if (window && viewable(display, window) && drawn(display, window)) break;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    const auto end = Clock::now();
    if (!window) { std::fprintf(stderr, "no window\n"); return 1; }
    ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    close_window(display, window);
    waitpid(pid, nullptr, 0);
  }
  std::sort(ms.begin(), ms.end());
  std::printf("%.2f %.2f %.2f\n", ms[ms.size() / 2], ms.front(), ms.back());
  return 0;
}

int fleet(Display* display, int count, const fs::path& program, const fs::path& folder) {
  const Atom client_list = XInternAtom(display, "_NET_CLIENT_LIST", False);
  XSelectInput(display, DefaultRootWindow(display), PropertyChangeMask);
  std::vector<fs::path> copies;
  for (int i = 0; i < count; ++i) copies.push_back(link_as(program, folder, "FLEET-" + std::to_string(i)));
  std::vector<pid_t> pids;
  const auto start = Clock::now();
  for (const auto& copy : copies) pids.push_back(spawn(copy, folder / "config"));
  unsigned long clients = 0;
  while (clients < static_cast<unsigned long>(count)) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type != PropertyNotify || event.xproperty.atom != client_list) continue;
    Atom type;
    int format;
    unsigned long remaining;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, DefaultRootWindow(display), client_list, 0, 4096, False, XA_WINDOW,
                       &type, &format, &clients, &remaining, &data);
    if (data) XFree(data);
  }
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  std::printf("%.1f\n", ms);
  for (pid_t pid : pids) kill(pid, SIGTERM);
  for (pid_t pid : pids) waitpid(pid, nullptr, 0);
  return 0;
}

int mapped(Display* display, int count, const fs::path& program, const fs::path& folder) {
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);
  std::vector<fs::path> copies;
  for (int i = 0; i < count; ++i) copies.push_back(link_as(program, folder, "MAPPED-" + std::to_string(i)));
  std::vector<pid_t> pids;
  const auto start = Clock::now();
  for (const auto& copy : copies) pids.push_back(spawn(copy, folder / "config"));
  std::vector<Window> seen;
  while (seen.size() < static_cast<std::size_t>(count)) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type != MapNotify || event.xmap.override_redirect) continue;
    if (std::find(seen.begin(), seen.end(), event.xmap.window) == seen.end()) seen.push_back(event.xmap.window);
  }
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  std::printf("%.1f\n", ms);
  for (pid_t pid : pids) kill(pid, SIGTERM);
  for (pid_t pid : pids) waitpid(pid, nullptr, 0);
  return 0;
}

int hold(Display* display, int count, int seconds, const fs::path& program, const fs::path& folder) {
  std::vector<pid_t> pids;
  std::vector<std::string> titles;
  for (int i = 0; i < count; ++i) {
    const std::string name = "HOLD-" + std::to_string(i);
    pids.push_back(spawn(link_as(program, folder, name), folder / "config"));
    titles.push_back(program.filename() == "hv_bench_floor" ? "" : expected_title(name));
  }
  // All mapped: wait until every title is found (the floor's windows share one title).
  const auto deadline = Clock::now() + std::chrono::seconds(120);
  for (const std::string& title : titles) {
    if (title.empty()) break;
    while (!find(display, title) && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  for (pid_t pid : pids) std::printf("%d ", pid);
  std::printf("\n");
  std::fflush(stdout);
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  for (pid_t pid : pids) kill(pid, SIGTERM);
  for (pid_t pid : pids) waitpid(pid, nullptr, 0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: watch startup RUNS PROGRAM | fleet COUNT PROGRAM | mapped COUNT PROGRAM | hold COUNT SECONDS PROGRAM\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  XSetErrorHandler(ignore_errors);
  char pattern[] = "/tmp/hv-bench-XXXXXX";
  const fs::path folder = mkdtemp(pattern);
  const std::string mode = argv[1];
  int result = 2;
  if (mode == "startup") result = startup(display, std::atoi(argv[2]), fs::absolute(argv[3]), folder);
  else if (mode == "fleet") result = fleet(display, std::atoi(argv[2]), fs::absolute(argv[3]), folder);
  else if (mode == "mapped") result = mapped(display, std::atoi(argv[2]), fs::absolute(argv[3]), folder);
  else if (mode == "hold" && argc >= 5) result = hold(display, std::atoi(argv[2]), std::atoi(argv[3]), fs::absolute(argv[4]), folder);
  fs::remove_all(folder);
  return result;
}
