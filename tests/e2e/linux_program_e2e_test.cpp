// What only the Linux program has: its exact look, links and the user's locale, the settings file's
// failures, many copies at once, the screen's density, and what a whole session touches on disk.


#include <cmath>
#include <fstream>
#include <functional>
#include <regex>
#include <set>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "harness.h"
#include "platform/linux/unique_fd.h"

namespace hv::e2e {
namespace {

using hv::testing::read_bytes;

using LinuxProgram = E2eTest;
HV_UNDER(LinuxProgram, Wm::Openbox);

// What a user sees at start is the picture README shows, whatever other fonts the desktop has
// (tools/install-deps.sh installs Noto, a desktop's font set). The frame and its title are the
// window manager's, drawn in the desktop's own font: the picture's openbox frame has the same
// border on three sides and the title bar above, and only the window inside it is compared.
TEST_P(LinuxProgram, AtStartTheWindowLooksExactlyLikeTheReadmeScreenshot) {
  const Capture picture = read_picture(HV_SCREENSHOT);
  const int border = (picture.width - 730) / 2;
  const Area inside{border, picture.height - 269 - border, 730, 269};
  const auto expected = pixels_of(picture, inside);
  auto program = copy("HV-TEST-PROCESS-V1");
  program->start();
  const XWindow window = program->window();
  ASSERT_TRUE(wait_until([&] { return x->active() == window.id() && window.outer_origin() == Point{67, 67}; }));
  EXPECT_TRUE(wait_until([&] {
    const Point at = window.client_origin();
    return pixels_of(XWindow(*x, x->root()).capture(), {int(at.x), int(at.y), 730, 269}) == expected;
  })) << "the window differs from " << HV_SCREENSHOT;
  window.close();
  EXPECT_EQ(program->wait_for_exit(), 0);
}

// A name in a script the window's own faces lack is drawn from a face that has it: the same
// characters in another order then look different, where missing ones would be alike boxes.
TEST_P(LinuxProgram, ANameInAnotherScriptIsDrawnFromAFontThatHasIt) {
  std::vector<std::vector<Rgb>> boxes;
  for (const char* name : {"测试进程", "进程测试"}) {
    auto program = copy(name);
    program->start();
    const XWindow window = program->window();
    Capture shot;
    ASSERT_TRUE(wait_until([&] {
      shot = window.capture();
      return count(shot, area_of(ui::ControlId::APP_NAME_TEXTBOX, 3), [](Rgb c) { return near(c, kYellow, 10); }) > 50;
    }));
    boxes.push_back(pixels_of(shot, area_of(ui::ControlId::APP_NAME_TEXTBOX, 2)));
    window.close();
    EXPECT_EQ(program->wait_for_exit(), 0);
  }
  EXPECT_NE(boxes[0], boxes[1]) << "the characters were drawn as boxes";
}

// A copy ended by a signal stores its place as its close box does: SIGTERM at a logout, SIGHUP
// when the terminal it was started from closes, SIGINT for Ctrl+C.
TEST_P(LinuxProgram, ASignalClosesTheCopyAsItsCloseBoxDoes) {
  for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
    SCOPED_TRACE(strsignal(signal));
    auto program = copy("SIGNALLED-" + std::to_string(signal));
    program->start();
    const XWindow window = program->window();
    // Moved once the copy has put its frame's corner at its first place, as it does once it knows
    // the frame: a move before that would be undone by it on a slow machine.
    ASSERT_TRUE(wait_until([&] { return window.framed() && window.outer_origin() == Point{67, 67}; }));
    window.move_outer_to({100 + signal, 300});
    ASSERT_TRUE(wait_until([&] { return window.outer_origin() == Point{100 + signal, 300}; }))
        << "at " << window.outer_origin().x << "," << window.outer_origin().y;
    program->signal(signal);
    EXPECT_EQ(program->wait_for_exit(), 0) << program->stderr_text();
    EXPECT_EQ(program->stored(), "MAIN_Left=" + std::to_string((100 + signal) * 15) +
                                     "\nMAIN_Top=4500\nMAIN_Width=-\nMAIN_Height=-\nAlwaysOnTop_TICKBOX=1\n");
  }
}

// Logging out of a systemd desktop sends SIGTERM and SIGHUP at once: the second signal is absorbed
// while the first one's close stores the place, also while another copy holds the settings lock
// for a moment (here until the copy has opened the lock file to wait for it).
TEST_P(LinuxProgram, ALogoutsTwoSignalsAtOnceStoreThePlace) {
  for (const bool lock_held : {false, true}) {
    SCOPED_TRACE(lock_held ? "with the lock held a moment" : "alone");
    auto program = copy(lock_held ? "LOGOUT-LOCKED" : "LOGOUT");
    program->store("AlwaysOnTop_TICKBOX", "0");
    program->start();
    const XWindow window = program->window();
    ASSERT_TRUE(wait_until([&] { return window.framed() && window.outer_origin() == Point{67, 67}; }));
    window.move_outer_to({210, 320});
    ASSERT_TRUE(wait_until([&] { return window.outer_origin() == Point{210, 320}; }));
    const fs::path lock_file = program->settings_file().string() + ".lock";
    const linux_backend::UniqueFd lock(::open(lock_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock_held) {
      ASSERT_EQ(::flock(lock.get(), LOCK_EX), 0);
    }
    program->signal(SIGTERM);
    program->signal(SIGHUP);
    if (lock_held) {
      EXPECT_TRUE(wait_until([&] { return holds_open(program->pid(), lock_file); })) << "the copy never waited";
      ::flock(lock.get(), LOCK_UN);
    }
    EXPECT_EQ(program->wait_for_exit(), 0) << program->stderr_text();
    EXPECT_EQ(program->stored(), "MAIN_Left=3150\nMAIN_Top=4800\nMAIN_Width=-\nMAIN_Height=-\nAlwaysOnTop_TICKBOX=0\n");
  }
}

// A logout asks twice: a copy held up by the error box of a store that failed ends at the second
// signal, with status 1, its error on stderr. A signal the copy was started ignoring (nohup's
// SIGHUP) stays ignored: the copy outlives it and closes at the next.
TEST_P(LinuxProgram, ASecondSignalEndsAHeldUpCopyAndAnIgnoredOneStaysIgnored) {
  auto held = copy("HELD");
  held->store("AlwaysOnTop_TICKBOX", "1");
  held->start();
  ASSERT_TRUE(wait_until([&] { return held->window().framed(); }));
  fs::permissions(held->settings_file().parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
  held->signal(SIGTERM);
  held->window("HV_TEST_PROCESS");  // the error box, shown until it is answered
  held->signal(SIGTERM);
  EXPECT_EQ(held->wait_for_exit(), 1);
  EXPECT_NE(held->stderr_text().find("Permission denied"), std::string::npos) << held->stderr_text();
  fs::permissions(held->settings_file().parent_path(), fs::perms::owner_all);
  auto kept = copy("NOHUP");
  kept->launcher = {"nohup"};
  kept->start();
  const XWindow window = kept->window();
  ASSERT_TRUE(wait_until([&] { return window.framed(); }));
  const std::string status = read_bytes("/proc/" + std::to_string(kept->pid()) + "/status");
  EXPECT_EQ(std::stoull(status.substr(status.find("SigIgn:\t") + 8, 16), nullptr, 16) >> (SIGHUP - 1) & 1, 1U);
  kept->signal(SIGHUP);
  kept->signal(SIGTERM);  // the first signal it takes, so its close runs to the end
  EXPECT_EQ(kept->wait_for_exit(), 0);
  EXPECT_EQ(kept->setting("AlwaysOnTop_TICKBOX"), "1") << "the close stored nothing";
}

// tools/install-deps.sh makes the German locale, so its absence fails this test.
TEST_P(LinuxProgram, ASymbolicLinkIsItsOwnCopyIgnoresArgumentsAndWritesTheUsersDecimalSeparator) {
  auto program = copy("LINKED.bin", Copy::Link::SymLink);
  program->store("MAIN_Left", "1000.5");
  program->store("MAIN_Top", "2000,25");
  program->environment = {"LC_ALL=de_DE.UTF-8"};
  program->start({"-display", ":999", "--help", "-geometry", "10x10+0+0"});
  const XWindow window = program->window();
  EXPECT_EQ(window.client_size(), (Point{730, 269}));
  // Closed once it stands where the stored place puts it (1000.5 and 2000.25 twips: 67, 133).
  EXPECT_TRUE(wait_until([&] { return window.framed() && window.outer_origin() == Point{67, 133}; }));
  window.close();
  EXPECT_EQ(program->wait_for_exit(), 0);
  EXPECT_EQ(program->stderr_text(), "") << "the locale exists";
  EXPECT_EQ(program->stored(), "MAIN_Left=1000,5\nMAIN_Top=2000,25\nMAIN_Width=-\nMAIN_Height=-\nAlwaysOnTop_TICKBOX=1\n");
  EXPECT_EQ(stored_text(*x, program->settings_file(), "HV-TEST-PROCESS-V1", "MAIN_Left"), std::nullopt);
}

// Settings that cannot be read or written: the report, exit status 1, and the old file kept.
TEST_P(LinuxProgram, EverySettingsFailureIsReportedAndLeavesTheFileAsItWas) {
  linux_backend::UniqueFd held_lock;
  const auto read_only = [](const fs::path& path) { fs::permissions(path, fs::perms::owner_read | fs::perms::owner_exec); };
  const struct {
    const char* what;
    std::function<void(const fs::path& file)> arrange;
    const char* reason;
    bool at_load;
  } cases[] = {
      // Restoring a clear box over the ticked design value is a change, stored at load.
      {"a read-only file at load", read_only, ": Permission denied", true},
      {"a read-only folder", [&](const fs::path& f) { read_only(f.parent_path()); }, ": Permission denied", false},
      {"a folder where the file belongs", [](const fs::path& f) { fs::remove(f), fs::create_directory(f); },
       ": Is a directory", true},
      // Another process that took the lock and sleeps: the close gives up on it and says why.
      {"a lock held by another process", [&](const fs::path& f) {
         held_lock.reset(::open((f.string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
         ::flock(held_lock.get(), LOCK_EX);
       }, ".lock: another process has held it without letting go for 5 s", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Copy program(*x, dir.path() / std::to_string(&c - cases), "FAILING");
    program.store("AlwaysOnTop_TICKBOX", c.at_load ? "0" : "1");
    const std::string before = read_bytes(program.settings_file());
    c.arrange(program.settings_file());
    program.start();
    if (!c.at_load) {  // once the window stands at its place, where the user sees EXIT
      const XWindow window = program.window();
      ASSERT_TRUE(wait_until([&] { return window.framed() && window.outer_origin() == Point{67, 67}; }));
      x->click(window.centre_of(ui::ControlId::EXIT_BUTTON));
    }
    const XWindow report = program.window("HV_TEST_PROCESS");
    if (c.at_load) { EXPECT_FALSE(x->find(program.title())) << "the window is not shown after a failed load"; }
    report.close();
    EXPECT_EQ(program.wait_for_exit(), 1);
    EXPECT_NE(program.stderr_text().find(program.settings_file().string() + c.reason), std::string::npos)
        << program.stderr_text();
    fs::permissions(program.settings_file().parent_path(), fs::perms::owner_all);
    if (fs::is_regular_file(program.settings_file())) { EXPECT_EQ(read_bytes(program.settings_file()), before); }
  }
}

class Density : public E2eTest {
 protected:
  std::string screen() const override { return "1920x1080"; }  // wide enough at 192 dpi
};
HV_UNDER(Density, Wm::Openbox);

TEST_P(Density, EverySizeAndStoredPositionFollowsTheScreensDensity) {
  // At each density: the client size, the first picture box's corners and ring width in pixels, and
  // the twips a window moved to 200, 300 px stores.
  struct Expected { int dpi; Point client; long left, top, right, bottom, border; std::string left_twips, top_twips; };
  for (const auto& [dpi, client, left, top, right, bottom, border, left_twips, top_twips] : {
           Expected{120, {913, 336}, 30, 140, 154, 245, 3, "2400", "3600"},
           Expected{144, {1095, 404}, 36, 168, 185, 295, 3, "2000", "3000"},
           Expected{192, {1460, 538}, 48, 224, 247, 393, 4, "1500", "2250"}}) {
    SCOPED_TRACE("at " + std::to_string(dpi) + " dpi");
    // What a desktop does for a dense screen: Xft.dpi in the root window's resources.
    ASSERT_TRUE(x->set_density(dpi));
    auto program = copy("AT-" + std::to_string(dpi));
    for (int run = 0; run < 2; ++run) {
      program->start();
      const XWindow window = program->window();
      ASSERT_TRUE(wait_until([&] { return window.framed(); }));
      EXPECT_EQ(window.client_size(), client);
      // The picture box at its twips size: the sunken rings at its edges, the picture scaled inside.
      Capture shot;
      EXPECT_TRUE(wait_until([&] { return (shot = window.capture()).at(left, top) == Rgb{138, 138, 138}; }))
          << "the dark ring at the top-left corner";
      EXPECT_NE(shot.at(left - 1, top), (Rgb{138, 138, 138})) << "the box starts where its twips say";
      EXPECT_EQ(shot.at(right, bottom), (Rgb{245, 245, 245})) << "the light ring at the bottom-right";
      EXPECT_EQ(shot.at(left + border - 1, top + border - 1), (Rgb{0, 0, 0})) << "the inner ring";
      EXPECT_EQ(shot.at(left + border, top + border), thumbs_up_pixels().front());
      EXPECT_EQ(shot.at(right - border, bottom - border), thumbs_up_pixels().back());
      // Moved and stored at this density, then reopened at the same pixel.
      if (run == 0) window.move_outer_to({200, 300});
      EXPECT_TRUE(wait_until([&] { return window.outer_origin() == Point{200, 300}; }));
      window.close();
      ASSERT_EQ(program->wait_for_exit(), 0);
      EXPECT_EQ(program->setting("MAIN_Left"), left_twips);
      EXPECT_EQ(program->setting("MAIN_Top"), top_twips);
    }
  }
}

// The paths of each file system call in a trace made with -e trace=%file, and whether the call
// changes the file system or opens for writing, succeeded or not; a name opened in a folder
// descriptor stands with that folder's path.
struct FileCall {
  std::string name, path;
  bool writes;
};
std::vector<FileCall> file_calls(const fs::path& trace) {
  static const std::set<std::string> kChanging = {
      "creat", "mkdir", "mkdirat", "rename", "renameat", "renameat2", "unlink", "unlinkat", "rmdir", "link",
      "linkat", "symlink", "symlinkat", "truncate", "chmod", "fchmodat", "chown", "lchown", "fchownat",
      "utimensat", "mknod", "mknodat"};
  // strace -y gives a folder descriptor's path beside it, which a name opened in that folder follows.
  static const std::regex kCall(R"(^\d+\s+([a-z0-9_]+)\((.*))"),
      kPath(R"re((?:\d+<([^>]*)>, )?"((?:[^"\\]|\\.)*)")re");
  std::vector<FileCall> calls;
  std::ifstream in(trace);
  for (std::string line; std::getline(in, line);) {
    std::smatch call;
    if (!std::regex_search(line, call, kCall)) continue;
    const std::string name = call[1], args = call[2];
    const bool writes = kChanging.count(name) > 0 ||
                        (name.starts_with("open") && std::regex_search(args, std::regex("O_WRONLY|O_RDWR|O_CREAT|O_TRUNC")));
    for (auto it = std::sregex_iterator(args.begin(), args.end(), kPath); it != std::sregex_iterator(); ++it) {
      const std::string folder = (*it)[1], path = (*it)[2];
      calls.push_back({name, folder.empty() || path.starts_with("/") ? path : folder + "/" + path, writes});
    }
  }
  return calls;
}

// A whole session under strace: it may write nothing but its own settings, and it never opens the
// toolkit's option files.
TEST_P(LinuxProgram, AWholeSessionWritesNothingButItsSettingsEvenAsRoot) {
  // Root may write where the user's files forbid it, which is what this session must not do.
  if (::geteuid() != 0) GTEST_SKIP() << "run as root to show that even root writes nothing more";
  if (!HV_FLTK_LEAN_START) {
    GTEST_SKIP() << "built against an FLTK other than the one fltk_start.cpp keeps from writing its option files";
  }
  const fs::path home = dir.path() / "home", trace = dir.path() / "trace.txt";
  fs::create_directories(home);
  auto program = copy("TRACED");
  const fs::path settings_folder = program->settings_file().parent_path();
  program->launcher = {"strace", "-f", "-qq", "-y", "-s", "4096", "-o", trace.string(), "-e", "trace=%file"};
  program->environment = {"HOME=" + home.string()};
  program->start();
  const XWindow window = program->window();
  ASSERT_TRUE(wait_until([&] { return window.framed(); }));

  // A tick with another window in front: the copy takes the above band from it.
  TestWindow other(*x, "OTHER");
  other.window().activate();
  ASSERT_TRUE(wait_until([&] { return x->active() == other.id(); }));
  ASSERT_TRUE(wait_until([&] { return window.above(); }));

  window.activate();
  ASSERT_TRUE(wait_until([&] { return x->active() == window.id(); }));
  x->key("Tab");
  x->click(window.centre_of(ui::ControlId::AlwaysOnTop_TICKBOX));
  ASSERT_TRUE(wait_until([&] { return program->setting("AlwaysOnTop_TICKBOX") == "0"; }));
  x->click(window.centre_of(ui::ControlId::CREATOR_TEXTBOX), 2);
  x->click(window.centre_of(ui::ControlId::EXIT_BUTTON));
  ASSERT_EQ(program->wait_for_exit(), 0) << program->stderr_text();

  const auto calls = file_calls(trace);
  ASSERT_GT(calls.size(), 20u) << "the trace holds too little to be the program's";
  for (const auto& [name, path, writes] : calls) {
    const bool in_settings = path.starts_with(settings_folder.string() + "/") || path == settings_folder ||
                             (name.starts_with("mkdir") && path == program->config_home);
    EXPECT_TRUE(!writes || in_settings) << name << " \"" << path << "\" writes outside the settings folder";
    EXPECT_EQ(path.find("fltk.prefs"), std::string::npos) << name << " \"" << path << "\": the toolkit's options";
  }
}

}  // namespace
}  // namespace hv::e2e
