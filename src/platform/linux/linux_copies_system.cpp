#include "platform/linux/linux_copies_system.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/Xlib-xcb.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <spawn.h>
#include <poll.h>
#include <sys/auxv.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <csignal>
#include <cstdint>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include "app/identity.h"
#include "platform/linux/path_walk.h"
#include "platform/linux/screen_density.h"
#include "platform/linux/x11_errors.h"
#include "ui/twips.h"

extern char** environ;

namespace hv::linux_backend {
namespace {

namespace fs = std::filesystem;
using copies::CopiesError;

constexpr const char* kProgramName = "HV-TEST-PROCESS-V1";

std::string read_whole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool can_run(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

// The process's state letter from /proc; a zombie has ended though its parent has not reaped it.
char process_state(long pid) {
  const std::string stat = read_whole("/proc/" + std::to_string(pid) + "/stat");
  const auto close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() ? stat[close + 2] : '?';
}

// The display a process of the user's was started on, from its environment.
std::string display_of(long pid) {
  const std::string environment = read_whole("/proc/" + std::to_string(pid) + "/environ");
  for (std::size_t at = 0; at < environment.size();) {
    const std::size_t end = std::min(environment.find('\0', at), environment.size());
    if (environment.compare(at, 8, "DISPLAY=") == 0) return environment.substr(at + 8, end - at - 8);
    at = end + 1;
  }
  return {};
}

int open_pidfd(long pid) { return static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0)); }

// A process held by its descriptor has ended once the descriptor reads; a zombie has too.
bool ended(int pidfd) {
  pollfd watch{pidfd, POLLIN, 0};
  return ::poll(&watch, 1, 0) != 0;
}

// The path execve was given, a link's own name among them, kept in the process's memory where the
// auxiliary vector's AT_EXECFN points; where that memory cannot be read (another user's process,
// a kernel that forbids it), the file /proc resolves it to.
std::string started_from(const fs::path& process) {
  const std::string vector = read_whole(process / "auxv");
  for (std::size_t at = 0; at + 2 * sizeof(unsigned long) <= vector.size(); at += 2 * sizeof(unsigned long)) {
    unsigned long entry[2];
    std::memcpy(entry, vector.data() + at, sizeof entry);
    if (entry[0] != AT_EXECFN) continue;
    const UniqueFd memory(::open((process / "mem").c_str(), O_RDONLY | O_CLOEXEC));
    std::string path(4096, '\0');
    const ssize_t got = memory ? ::pread(memory.get(), path.data(), path.size(), static_cast<off_t>(entry[1])) : -1;
    if (got > 0 && std::memchr(path.data(), '\0', static_cast<std::size_t>(got))) return path.c_str();
  }
  std::error_code error;
  std::string file = fs::read_symlink(process / "exe", error);
  if (file.ends_with(" (deleted)")) file.resize(file.size() - 10);
  return file;
}

}  // namespace

LinuxCopiesSystem::LinuxCopiesSystem() : store_(config_home_from_environment()) {}

LinuxCopiesSystem::~LinuxCopiesSystem() {
  session_.reset();
  if (display_) XCloseDisplay(display_);
}

namespace {

// HV_PROGRAM, or the program beside hv-copies, or on PATH.
fs::path find_program() {
  if (const char* given = std::getenv("HV_PROGRAM"); given && *given) {
    if (!can_run(given)) throw CopiesError(std::string("HV_PROGRAM names no program that can be run: ") + given);
    return fs::canonical(given);
  }
  std::error_code error;
  const fs::path beside = fs::read_symlink("/proc/self/exe", error).parent_path() / kProgramName;
  if (!error && can_run(beside)) return beside;
  if (const char* path = std::getenv("PATH")) {
    std::string folders = path;
    for (std::size_t at = 0; at <= folders.size();) {
      const std::size_t end = std::min(folders.find(':', at), folders.size());
      const fs::path candidate = fs::path(folders.substr(at, end - at)) / kProgramName;
      if (end > at && candidate.is_absolute() && can_run(candidate)) return fs::canonical(candidate);
      at = end + 1;
    }
  }
  throw CopiesError(std::string("cannot find ") + kProgramName + " beside hv-copies or on PATH; set HV_PROGRAM");
}

// Root runs copies of a program only where root alone may change it and every folder on its way:
// a user's HV_PROGRAM or PATH (sudo -E keeps both) would otherwise have root run the user's code,
// and a hard link to a user's file would run whatever they later put in it.
void check_for_root(const fs::path& program) {
  if (::geteuid() != 0) return;
  fs::path at;
  for (const auto& part : program) {
    struct stat info {};
    if (::lstat((at /= part).c_str(), &info) != 0) throw CopiesError("cannot use " + at.string() + ": " + std::strerror(errno));
    const bool others_may_change = (info.st_mode & (S_IWGRP | S_IWOTH)) != 0 && !(S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX));
    if (info.st_uid != 0 || others_may_change) {
      throw CopiesError("root does not run copies of " + program.string() + ": " + at.string() +
                        (info.st_uid != 0 ? " belongs to the user " + std::to_string(info.st_uid) : " may be changed by others") +
                        ", and root runs only a program that root alone may change");
    }
  }
}

}  // namespace

fs::path LinuxCopiesSystem::program() { return find_program(); }


// In the user's runtime folder, or else a folder of the user's own in /tmp, which another user
// could have made first: it must be a real folder, the user's, and private.
fs::path LinuxCopiesSystem::default_folder() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
    return fs::path(runtime) / "hv-copies";
  }
  const fs::path folder = "/tmp/hv-copies-" + std::to_string(::getuid());
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    throw CopiesError("cannot make the folder " + folder.string() + ": " + std::strerror(errno));
  }
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid() ||
      (info.st_mode & 077) != 0) {
    throw CopiesError(folder.string() + " is not a private folder of this user's; give FOLDER");
  }
  return folder;
}

// Only a folder of the user's own that no one else may write: another user could otherwise swap a
// copy or its log for a link between the moment it is made and the moment it is used. The way to
// it is walked once, every entry on it root's or the user's, and everything after is done inside
// the folder opened here.
void LinuxCopiesSystem::use_folder(const fs::path& folder) {
  UniqueFd opened;
  int open_error = 0;
  try {
    PathWalk walk(PathWalk::Rule::CallersOwn);
    const WalkedEntry entry = std::move(*walk.to_entry(folder, true, false));
    const auto open_it = [&] {
      opened.reset(::openat(entry.folder.get(), entry.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
      open_error = errno;
    };
    open_it();
    if (!opened && open_error == ENOENT) {
      if (::mkdirat(entry.folder.get(), entry.name.c_str(), 0700) != 0 && errno != EEXIST) {
        throw CopiesError("cannot make the folder " + folder.string() + ": " + std::strerror(errno));
      }
      open_it();
    }
  } catch (const SettingsError& error) {
    throw CopiesError(std::string(error.what()) + ": copies are made and started only in a folder of your own; give another FOLDER");
  }
  if (!opened && open_error == ELOOP) throw CopiesError(folder.string() + " is a symbolic link: give the folder it leads to");
  if (!opened) throw CopiesError("cannot open the folder " + folder.string() + ": " + std::strerror(open_error));
  struct stat info {};
  if (::fstat(opened.get(), &info) != 0) throw CopiesError("cannot read " + folder.string() + ": " + std::strerror(errno));
  if (info.st_uid != ::geteuid()) {
    throw CopiesError(folder.string() + " belongs to another user (uid " + std::to_string(info.st_uid) +
                      "): copies are made and started only in a folder of your own; give another FOLDER");
  }
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", info.st_mode & 07777);
    throw CopiesError(folder.string() + " may be written by other users (mode " + mode +
                      "): copies are made and started only in a folder no one else may change; "
                      "chmod go-w it, or give another FOLDER");
  }
  folder_ = std::move(opened);
}

void LinuxCopiesSystem::make_copy(const fs::path& program, const fs::path& copy) {
  check_for_root(program);
  const std::string name = copy.filename();
  const auto fail = [&](const std::string& what, int error) {
    throw CopiesError("cannot make " + copy.string() + ": " + what + std::strerror(error));
  };
  struct stat want {}, have {};
  if (::stat(program.c_str(), &want) != 0) fail("reading the program: ", errno);
  if (::fstatat(folder_.get(), name.c_str(), &have, 0) == 0 && have.st_dev == want.st_dev && have.st_ino == want.st_ino) {
    return;  // a link made before, or the program itself
  }
  if (::unlinkat(folder_.get(), name.c_str(), 0) != 0 && errno != ENOENT) fail("", errno);
  if (::linkat(AT_FDCWD, program.c_str(), folder_.get(), name.c_str(), 0) == 0) return;
  const int link_error = errno;
  UniqueFd in(::open(program.c_str(), O_RDONLY | O_CLOEXEC));
  UniqueFd out(::openat(folder_.get(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0700));
  if (!in || !out) fail(std::string(std::strerror(link_error)) + ", and copying: ", errno);
  for (;;) {
    char bytes[65536];
    const ssize_t got = ::read(in.get(), bytes, sizeof bytes);
    if (got == 0) break;
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 || ::write(out.get(), bytes, static_cast<std::size_t>(got)) != got) {
      const int error = errno;
      ::unlinkat(folder_.get(), name.c_str(), 0);
      fail("copying: ", error);
    }
  }
  if (::fchmod(out.get(), 0755) != 0 || out.close() != 0) fail("copying: ", errno);
}

// In a session of its own with no terminal, so that the copy outlives this tool and a Ctrl+C
// meant for a script does not end it; in its own folder, so that it keeps no other folder busy;
// its error output in NAME.log beside it, where the tester can read it later. The log is made
// anew, never opened through whatever stood at its name.
long LinuxCopiesSystem::start(const fs::path& copy) {
  const std::string name = copy.filename(), log = name + ".log";
  if (::unlinkat(folder_.get(), log.c_str(), 0) != 0 && errno != ENOENT) {
    throw CopiesError("cannot replace " + copy.string() + ".log: " + std::strerror(errno));
  }
  const UniqueFd log_fd(::openat(folder_.get(), log.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!log_fd) throw CopiesError("cannot make " + copy.string() + ".log: " + std::strerror(errno));
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_t files;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addfchdir_np(&files, folder_.get());
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&files, log_fd.get(), 2);
  // The file this folder holds, by its name there: the copy names itself after it.
  std::string path = "./" + name;
  char* argv[] = {path.data(), nullptr};
  pid_t pid = -1;
  const int error = ::posix_spawn(&pid, path.c_str(), &files, &attributes, argv, environ);
  posix_spawn_file_actions_destroy(&files);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) throw CopiesError("cannot start " + copy.string() + ": " + std::strerror(error));
  error_logs_[pid] = log;
  return pid;
}

std::optional<std::string> LinuxCopiesSystem::last_error_line(long pid) {
  const auto log = error_logs_.find(pid);
  if (log == error_logs_.end()) return std::nullopt;
  const UniqueFd fd(::openat(folder_.get(), log->second.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  std::string text;
  char bytes[4096];
  for (ssize_t got; fd && (got = ::read(fd.get(), bytes, sizeof bytes)) > 0;) text.append(bytes, static_cast<std::size_t>(got));
  while (!text.empty() && text.back() == '\n') text.pop_back();
  if (text.empty()) return std::nullopt;
  return text.substr(text.find_last_of('\n') + 1);
}

// The same file (a hard or symbolic link) or a copy of its bytes, named after the file it was
// started from, whatever argv[0] it was given (exec -a).
std::vector<copies::RunningCopy> LinuxCopiesSystem::running_copies(const fs::path& program) {
  struct stat want {};
  if (::stat(program.c_str(), &want) != 0) throw CopiesError("cannot read " + program.string() + ": " + std::strerror(errno));
  std::optional<std::string> program_bytes;
  std::vector<copies::RunningCopy> found;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc", error)) {
    const std::string pid = entry.path().filename();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    struct stat owner {}, exe {};
    if (::stat(entry.path().c_str(), &owner) != 0 || owner.st_uid != ::getuid()) continue;
    // Held before it is looked at, so that what is read below is this process's, not a later one's.
    UniqueFd pidfd(open_pidfd(std::stol(pid)));
    if (!pidfd) continue;
    if (::stat((entry.path() / "exe").c_str(), &exe) != 0) continue;
    bool same = exe.st_dev == want.st_dev && exe.st_ino == want.st_ino;
    if (!same && exe.st_size == want.st_size) {
      if (!program_bytes) program_bytes = read_whole(program);
      same = read_whole(entry.path() / "exe") == *program_bytes;
    }
    if (!same) continue;
    const std::string name = executable_name_from_path(started_from(entry.path()));
    if (name.empty() || ended(pidfd.get())) continue;
    found.push_back({name, std::stol(pid)});
    pidfds_[found.back().pid] = std::move(pidfd);
  }
  if (error) throw CopiesError("cannot read /proc: " + error.message());
  return found;
}

bool LinuxCopiesSystem::has_ended(long pid) {
  int status = 0;
  if (::waitpid(static_cast<pid_t>(pid), &status, WNOHANG) == pid) return true;  // one this run started
  if (const auto held = pidfds_.find(pid); held != pidfds_.end()) return ended(held->second.get());
  if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return true;
  const char state = process_state(pid);
  return state == 'Z' || state == 'X' || state == '?';
}

X11Session& LinuxCopiesSystem::session() {
  if (!session_) {
    const OpenedDisplay opened = open_display();
    if (!opened.display) throw CopiesError(opened.why);
    display_ = opened.display;
    ignore_x_errors();
    session_ = std::make_unique<X11Session>(display_);
  }
  return *session_;
}

bool LinuxCopiesSystem::display_reachable() {
  if (!reachable_) {
    try {
      session();
      reachable_ = true;
    } catch (const CopiesError& error) {
      reachable_ = false;
      unreachable_why_ = error.what();
      server_full_ = unreachable_why_.find("Maximum number of clients reached") != std::string::npos;
    }
  }
  return *reachable_;
}

// This tool's own connection comes first, so that it holds one whatever the copies take. Each copy
// is one client of the X server, which takes as many as the ids it hands out allow: 29 bits, of
// which the resource mask's are each client's own and the rest number the clients, the server's
// own among them. How many it has, the X-Resource extension tells where the server has it.
void LinuxCopiesSystem::make_room_for(int copies) {
  session();
  const std::uint32_t own_ids = xcb_get_setup(XGetXCBConnection(display_))->resource_id_mask;
  const long limit = 1L << (29 - std::popcount(own_ids));
  int event_base = 0, error_base = 0, present = 0;
  XResClient* clients = nullptr;
  if (!XResQueryExtension(display_, &event_base, &error_base) || !XResQueryClients(display_, &present, &clients)) return;
  XFree(clients);
  const long room = limit - present;
  if (copies <= room) return;
  throw CopiesError("the X server \"" + std::string(DisplayString(display_)) + "\" takes at most " + std::to_string(limit) +
                    " clients and has " + std::to_string(present) + " (its own and this tool among them): " +
                    std::to_string(copies) + " copies, one client each, do not fit; start at most " +
                    std::to_string(std::max(room, 0L)) +
                    ", or raise its limit (Xorg: MaxClients in the ServerFlags section of xorg.conf, or -maxclients "
                    "512, 1024 or 2048; Xvfb: -maxclients)");
}

// The frame this window manager gives a window like a copy's, asked for with
// _NET_REQUEST_FRAME_EXTENTS on a window that is never shown. Where the window manager does not
// answer within a second: a running copy's frame, or else the design's.
FrameExtents LinuxCopiesSystem::window_frame(int client_width, int client_height, long dpi) {
  X11Session& x = session();
  if (!x.has_window_manager()) return {};
  const Window probe = XCreateSimpleWindow(display_, x.root(), 0, 0, client_width, client_height, 0, 0, 0);
  XSizeHints fixed{};
  fixed.flags = PMinSize | PMaxSize;
  fixed.min_width = fixed.max_width = client_width;
  fixed.min_height = fixed.max_height = client_height;
  XSetWMNormalHints(display_, probe, &fixed);
  XEvent request{};
  request.xclient.type = ClientMessage;
  request.xclient.format = 32;
  request.xclient.window = probe;
  request.xclient.message_type = XInternAtom(display_, "_NET_REQUEST_FRAME_EXTENTS", False);
  XSendEvent(display_, x.root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &request);
  XSync(display_, False);
  std::optional<FrameExtents> answer;
  for (const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
       !(answer = x.frame_extents(probe)) && std::chrono::steady_clock::now() < deadline;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  XDestroyWindow(display_, probe);
  if (answer) return *answer;
  for (const auto& [pid, window] : main_windows()) {
    if (const auto running = x.frame_extents(window)) return *running;
  }
  const auto& design = ui::main_window();
  const auto px = [dpi](int twips) { return ui::twips_to_pixels(static_cast<float>(twips), static_cast<int>(dpi)); };
  return {px(design.frame_left), px(design.frame_right), px(design.frame_top), px(design.frame_bottom)};
}

namespace {

// The RandR monitors, which alone say which one is the primary.
std::vector<MonitorArea> randr_monitors(Display* display, Window root) {
  std::vector<MonitorArea> monitors;
  int event_base = 0, error_base = 0, count = 0;
  if (!XRRQueryExtension(display, &event_base, &error_base)) return monitors;
  if (XRRMonitorInfo* found = XRRGetMonitors(display, root, True, &count)) {
    for (int i = 0; i < count; ++i) {
      monitors.push_back({{found[i].x, found[i].y, found[i].width, found[i].height}, found[i].primary != 0});
    }
    XRRFreeMonitors(found);
  }
  return monitors;
}

}  // namespace

// Each monitor's part of the window manager's work area, in twips at the density desktop toolkits
// read, as the program converts them.
copies::Desktop LinuxCopiesSystem::desktop() {
  X11Session& x = session();
  const long dpi = dpi_from_resources(XResourceManagerString(display_));
  const auto& design = ui::main_window();
  const auto px = [dpi](int twips) { return static_cast<int>(ui::twips_to_pixels(static_cast<float>(twips), static_cast<int>(dpi))); };
  const int client_width = px(design.client_width), client_height = px(design.client_height);
  const FrameExtents frame = window_frame(client_width, client_height, dpi);
  std::vector<copies::PixelMonitor> monitors;
  for (const MonitorArea& m : x.in_work_area(randr_monitors(display_, x.root()))) {
    monitors.push_back({m.area, client_width + frame.left + frame.right, client_height + frame.top + frame.bottom, m.primary,
                        frame.top > 0 ? frame.top : px(design.frame_top)});  // X11 has one density for every monitor
  }
  if (monitors.empty()) throw CopiesError("no monitor shows any of the window manager's work area");
  return copies::desktop_in_twips(monitors, static_cast<int>(dpi));
}

// The clients under the root the ICCCM way: a window carrying WM_STATE a few levels down in a
// window manager's frames, or the root's child itself where nothing below carries it (no window
// manager). A frame is never taken for a client, whatever it carries: from mutter 44 on, each
// frame has the frame process's _NET_WM_PID.
std::vector<Window> clients_in_tree(Display* display, Window root) {
  const Atom wm_state = XInternAtom(display, "WM_STATE", False);
  const std::function<Window(Window, int)> client_below = [&](Window window, int depth) -> Window {
    if (!property_items(display, window, wm_state, wm_state, 1).empty()) return window;
    Window found = None;
    Window root_return = None, parent = None, *children = nullptr;
    unsigned int count = 0;
    if (depth < 3 && XQueryTree(display, window, &root_return, &parent, &children, &count)) {
      for (unsigned int i = count; i-- > 0 && found == None;) found = client_below(children[i], depth + 1);
    }
    if (children) XFree(children);
    return found;
  };
  std::vector<Window> clients;
  Window root_return = None, parent = None, *children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display, root, &root_return, &parent, &children, &count)) {
    for (unsigned int i = 0; i < count; ++i) {
      const Window client = client_below(children[i], 0);
      clients.push_back(client != None ? client : children[i]);
    }
  }
  if (children) XFree(children);
  return clients;
}

std::string host_name() {
  char name[256] = "";
  ::gethostname(name, sizeof name - 1);
  return name;
}

const std::map<long, Window>& LinuxCopiesSystem::main_windows() {
  if (windows_) return *windows_;
  X11Session& x = session();
  const Atom pid_atom = XInternAtom(display_, "_NET_WM_PID", False);
  const Atom name_atom = XInternAtom(display_, "_NET_WM_NAME", False);
  const Atom machine_atom = XInternAtom(display_, "WM_CLIENT_MACHINE", False);
  const std::string title_start = std::string(ui::main_window().title) + " - ", here = host_name();
  // The window manager's own list of its clients where it keeps one, which no frame is part of.
  std::vector<Window> clients;
  if (x.has_window_manager()) {
    for (const unsigned long window :
         property_items(display_, x.root(), XInternAtom(display_, "_NET_CLIENT_LIST", False), XA_WINDOW, 1L << 20)) {
      clients.push_back(window);
    }
  }
  if (clients.empty()) clients = clients_in_tree(display_, x.root());
  std::map<long, Window> found;
  for (const Window client : clients) {
    const auto pid = property_items(display_, client, pid_atom, XA_CARDINAL, 1);
    if (pid.size() != 1 || !property_text(display_, client, name_atom).starts_with(title_start)) continue;
    // A process id means this machine's process only where the window says it runs here.
    const std::string machine = property_text(display_, client, machine_atom);
    if (machine.empty() || machine == here) found[static_cast<long>(pid[0])] = client;
  }
  return *(windows_ = std::move(found));
}

bool LinuxCopiesSystem::window_shown(long pid) {
  const auto& windows = main_windows();
  const auto found = windows.find(pid);
  XWindowAttributes attributes{};
  return found != windows.end() && XGetWindowAttributes(display_, found->second, &attributes) &&
         attributes.map_state == IsViewable;
}

// Through the window manager where it offers to close windows for others, as its close button
// would; else the window's own close request, which the program answers the same way.
std::optional<std::string> LinuxCopiesSystem::close_window(long pid, Asking asking) {
  // With no connection to be had (every client the X server takes is taken), a copy on this
  // display is ended as a logout ends it, with SIGTERM, on which it stores its place as a close does.
  // Any other failure to connect (a wrong XAUTHORITY, a server gone) is the tester's to see.
  if (!display_reachable()) {
    if (!server_full_) throw CopiesError(unreachable_why_);
    const char* here = std::getenv("DISPLAY");
    const auto held = pidfds_.find(pid);
    if (here && display_of(pid) == here && held != pidfds_.end() &&
        ::syscall(SYS_pidfd_send_signal, held->second.get(), SIGTERM, nullptr, 0) == 0) {
      return std::nullopt;
    }
    return "has no window that can be closed from here";
  }
  const auto& windows = main_windows();
  const auto found = windows.find(pid);
  if (found == windows.end()) return "has no window that can be closed from here";
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.format = 32;
  event.xclient.window = found->second;
  if (!wm_closes_windows_) {
    wm_closes_windows_ = session().has_window_manager() &&
                         session().supports(XInternAtom(display_, "_NET_CLOSE_WINDOW", False));
  }
  if (asking == Asking::ThroughTheDesktop && *wm_closes_windows_) {
    event.xclient.message_type = XInternAtom(display_, "_NET_CLOSE_WINDOW", False);
    event.xclient.data.l[0] = CurrentTime;
    event.xclient.data.l[1] = 2;  // a tool acting for the user, as a pager does
    XSendEvent(display_, session().root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  } else {
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, found->second, False, NoEventMask, &event);
  }
  XFlush(display_);
  return std::nullopt;
}

void LinuxCopiesSystem::pause() {
  windows_.reset();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

}  // namespace hv::linux_backend
