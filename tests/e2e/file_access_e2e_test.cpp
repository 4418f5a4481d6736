// A whole session of the real program under strace: it may write nothing but its own settings,
// and it reads only the kinds of file README lists.

#include <fstream>
#include <regex>
#include <set>

#include "e2e_fixture.h"

namespace hv::e2e {
namespace {

namespace fs = std::filesystem;

struct FileCall {
  std::string syscall;
  std::vector<std::string> paths;
  bool writes = false;
};

// The file system calls of a trace made with -e trace=%file; calls that change the file system,
// and opens for writing, are marked as writes whether or not they succeeded.
std::vector<FileCall> file_calls(const fs::path& trace) {
  static const std::set<std::string> kChanging = {
      "creat", "mkdir", "mkdirat", "rename", "renameat", "renameat2", "unlink", "unlinkat",
      "rmdir", "link", "linkat", "symlink", "symlinkat", "truncate", "chmod", "fchmodat",
      "chown", "lchown", "fchownat", "utimensat", "mknod", "mknodat"};
  static const std::regex kCall(R"(^\d+\s+([a-z0-9_]+)\((.*))");
  static const std::regex kPath(R"re("((?:[^"\\]|\\.)*)")re");
  std::vector<FileCall> calls;
  std::ifstream in(trace);
  for (std::string line; std::getline(in, line);) {
    std::smatch call;
    if (!std::regex_search(line, call, kCall)) continue;
    FileCall found{call[1], {}, false};
    const std::string args = call[2];
    for (auto it = std::sregex_iterator(args.begin(), args.end(), kPath); it != std::sregex_iterator(); ++it) {
      found.paths.push_back((*it)[1]);
    }
    const bool opens = found.syscall.starts_with("open");
    found.writes = kChanging.count(found.syscall) > 0 ||
                   (opens && std::regex_search(args, std::regex("O_WRONLY|O_RDWR|O_CREAT|O_TRUNC")));
    calls.push_back(std::move(found));
  }
  return calls;
}

bool under(const std::string& path, const fs::path& folder) {
  const std::string prefix = folder.string() == "/" ? "/" : folder.string() + "/";
  return path.starts_with(prefix);
}

// What README says the program reads, by kind.
std::string kind_of_read(const std::string& path, const fs::path& home) {
  static const std::vector<std::pair<std::string, std::string>> kKinds = {
      {"/usr/share/fonts", "fonts"},          {"/usr/local/share/fonts", "fonts"},
      {"/var/cache/fontconfig", "fonts"},     {"/usr/share/X11/", "X connection"},
      {"/usr/lib/locale/", "system"},         {"/usr/share/locale/", "system"},
      {"/usr/lib/x86_64-linux-gnu/", "system"}, {"/lib/", "system"},
      {"/usr/lib/", "system"},                {"/etc/ld.so", "system"},
      {"/proc/self/", "system"},              {"/dev/null", "system"}};
  for (const auto& [prefix, kind] : kKinds) {
    if (path.starts_with(prefix)) return kind;
  }
  for (const char* font_place : {".cache/fontconfig", ".local/share/fonts", ".fonts"}) {
    if (under(path, home) && path.find(font_place) != std::string::npos) return "fonts";
  }
  for (const char* x_file : {".Xauthority", ".Xdefaults"}) {
    if (path.starts_with((home / x_file).string())) return "X connection";
  }
  // FLTK's shared library reads its printer list as it loads, before the program runs.
  if (path == (home / ".fltk/fltk.org/printers.prefs").string()) return "toolkit, as it loads";
  return "";
}

class FileAccess : public ProgramTest {};

TEST_P(FileAccess, AWholeSessionWritesNothingButItsSettingsEvenAsRoot) {
  const fs::path home = dir.path() / "home";
  const fs::path trace = dir.path() / "trace.txt";
  fs::create_directories(home);
  auto program = copy("TRACED");
  const fs::path settings_folder = program->config_home() / "HV_TEST_PROCESS";
  program->launch_through({"strace", "-f", "-qq", "-o", trace.string(), "-e", "trace=%file"},
                          {"HOME=" + home.string()});
  program->start();
  const XWindow window = program->wait_for_window(title_for("TRACED"));
  ASSERT_TRUE(wait_until([&] { return window.frame_extents().size() == 4; }));

  // A tick with another window in front: the copy takes the above band from it.
  TestWindow other(session->display(), "OTHER");
  other.window().activate();
  ASSERT_TRUE(wait_until([&] { return active_window(session->display()) == other.id(); }));
  ASSERT_TRUE(wait_until([&] { return window.has_wm_state("_NET_WM_STATE_ABOVE"); }, 3s));

  window.activate();
  ASSERT_TRUE(wait_until([&] { return active_window(session->display()) == window.id(); }));
  press_key(session->display(), "Tab");
  const Point origin = window.client_origin();
  click_at(session->display(), {origin.x + 320 + 8, origin.y + 80 + 8});  // the tick box
  ASSERT_TRUE(wait_until([&] { return program->setting("TRACED", "AlwaysOnTop_TICKBOX") == "0"; }));
  click_at(session->display(), {origin.x + 8 + 713 / 2, origin.y + 40 + 12}, 1, 2);  // the credit
  click_at(session->display(), exit_button(window));
  ASSERT_EQ(program->wait_for_exit(), 0) << program->stderr_text();

  const std::vector<FileCall> calls = file_calls(trace);
  ASSERT_GT(calls.size(), 20u) << "the trace holds too little to be the program's";
  std::set<std::string> unexplained_reads;
  for (const FileCall& call : calls) {
    for (const std::string& path : call.paths) {
      if (path.empty()) continue;  // a call on an open descriptor (AT_EMPTY_PATH)
      if (call.writes) {
        const bool allowed = under(path, settings_folder) || path == settings_folder.string() ||
                             (call.syscall.starts_with("mkdir") && path == program->config_home().string());
        EXPECT_TRUE(allowed) << call.syscall << " \"" << path << "\" is outside the settings folder";
      } else if (!under(path, settings_folder) && !under(settings_folder.string(), path) &&
                 path != settings_folder.string() && path != (dir.path() / "TRACED").string() &&
                 kind_of_read(path, home).empty()) {
        unexplained_reads.insert(path);
      }
    }
  }
  for (const std::string& path : unexplained_reads) ADD_FAILURE() << "a read README does not list: " << path;
  EXPECT_FALSE(fs::exists(home / ".fltk/fltk.org/fltk.prefs"));
}

INSTANTIATE_TEST_SUITE_P(UnderOpenbox, FileAccess, ::testing::Values(Wm::Openbox), param_name);

}  // namespace
}  // namespace hv::e2e
