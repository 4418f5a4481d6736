// Root on a shared machine, run by a tester with sudo -E (which keeps the user's XDG_CONFIG_HOME):
// nothing a user plants, links, races, shares or holds makes root, a copy or hv-copies change
// anything outside that user's own folders, or wait without end. Every identity here has a user
// number unlike its group's, so that one taken for the other shows.

#include <fcntl.h>
#include <linux/fs.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <functional>

#include "copies_fixture.h"
#include "platform/linux/unique_fd.h"

namespace hv::e2e {
namespace {

constexpr uid_t kUser = 4321, kOtherUser = 5432;
constexpr gid_t kGroup = 4322, kOtherGroup = 5433, kSharedGroup = 4400;

class RootCampaign : public HvCopies {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "the campaign is root's";
    HvCopies::SetUp();
    fs::permissions(dir.path(), fs::perms(0755));  // the users reach their folders
    fs::create_directories(outside), hv::testing::write_bytes(outside / "secret", "root's own\n");
    fs::permissions(outside / "secret", fs::perms(0640));
  }
  // What root has outside every user's folders: each entry with its owner and mode, and the file's text.
  std::string outside_now() const {
    std::string listing;
    for (const auto& entry : fs::recursive_directory_iterator(outside)) {
      struct stat info {};
      ::lstat(entry.path().c_str(), &info);
      listing += entry.path().string() + " " + std::to_string(info.st_uid) + ":" + std::to_string(info.st_gid) + " " +
                 std::to_string(info.st_mode) + "\n";
    }
    return listing + hv::testing::read_bytes(outside / "secret");
  }
  static void give(const fs::path& path, uid_t user, gid_t group) {
    ASSERT_EQ(std::system(("chown -hR " + std::to_string(user) + ":" + std::to_string(group) + " '" + path.string() + "'").c_str()), 0);
  }
  // hv-copies as root, with the settings folder given, bounded so that a hang shows as 124.
  ToolRun as_root(const fs::path& config_home, const std::string& arguments, const std::string& before = "") const {
    return run_on(*x, arguments, "XDG_CONFIG_HOME=" + config_home.string() + " XDG_RUNTIME_DIR=" + dir.path().string() +
                                     " timeout 30 " + before);
  }
  const fs::path outside = dir.path() / "root";
};
HV_UNDER(RootCampaign, Wm::Bare);

// A settings folder and a copies folder another user owns, with a name planted in each as that
// user could plant it: root using them (sudo -E keeps the user's XDG_CONFIG_HOME) changes, makes,
// hands over and waits on nothing outside them, and a refusal names what it refused. The user's
// own link into their dotfiles works for them and for root.
TEST_P(RootCampaign, NothingAUserPlantsMakesRootChangeOrWaitOnAnythingOutsideTheirFolders) {
  const fs::path user = dir.path() / "user";
  const fs::path settings = user / "config" / "HV_TEST_PROCESS", copies = user / "copies";
  const auto plant_for_user = [&](const std::function<void(const fs::path&)>& plant, const fs::path& at) {
    fs::remove_all(user);
    fs::create_directories(settings), fs::create_directories(copies);
    plant(at);
    give(user, kUser, kGroup);
  };
  const std::pair<const char*, std::function<void(const fs::path&)>> plants[] = {
      {"a link to a root-only file", [&](const fs::path& p) { fs::create_symlink(outside / "secret", p); }},
      {"a dangling link into root's folder", [&](const fs::path& p) { fs::create_symlink(outside / "made", p); }},
      {"a FIFO", [](const fs::path& p) { ::mkfifo(p.c_str(), 0600); }},
      {"a character device", [](const fs::path& p) { ::mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 5)); }},
      {"a folder", [](const fs::path& p) { fs::create_directory(p); }},
      {"a link to root's folder", [&](const fs::path& p) { fs::create_symlink(outside, p); }}};
  const std::string tool = "XDG_CONFIG_HOME=" + (user / "config").string() + " XDG_RUNTIME_DIR=" + user.string() + " timeout 5";
  for (const fs::path& planted : {settings / "settings.ini", settings / "settings.ini.lock", copies / "T-1.log", user / "hv-copies"}) {
    for (const auto& [what, plant] : plants) {
      SCOPED_TRACE(planted.filename().string() + " as " + what);
      plant_for_user(plant, planted);
      const std::string before = outside_now();
      const std::string folder = planted.parent_path() == copies ? " " + copies.string() : "";  // else the default one
      for (const std::string& command : std::vector<std::string>{"set T-1 MAIN_Left 5", "get T-1 MAIN_Left", "start 1 T" + folder}) {
        const ToolRun ran = run_on(*x, command, tool);
        EXPECT_NE(ran.status, 124) << command << " hung";
        if (command.starts_with("start")) { EXPECT_EQ(ran.status, 1) << "started in another user's folder"; }
        if (ran.status != 0 && ran.err.find("has no MAIN_Left") == std::string::npos) {  // a refusal names what it refused
          EXPECT_NE(ran.err.find(command.starts_with("start") ? user.string() : planted.filename().string()), std::string::npos) << ran.err;
        }
        EXPECT_EQ(outside_now(), before) << command;
      }
      if (planted.parent_path() != settings) continue;
      Copy program(*x, dir.path() / (planted.filename().string() + " as " + what), "T-1");
      program.config_home = user / "config";
      program.start();
      bool asked = false;  // the window once, then its error box whenever one shows
      EXPECT_TRUE(wait_until([&] {
        const auto box = x->find("HV_TEST_PROCESS"), window = x->find(program.title());
        if (box || (window && !asked && x->viewable(*window))) XWindow(*x, box ? *box : *window).close(), asked = asked || !box;
        return !program.running();
      })) << "the copy did not end";
      EXPECT_EQ(outside_now(), before) << "the copy's close";
    }
  }
  plant_for_user([&](const fs::path& p) {
    fs::create_directories(user / "dotfiles"), hv::testing::write_bytes(user / "dotfiles" / "hv.ini", "");
    fs::create_symlink("../../dotfiles/hv.ini", p);
  }, settings / "settings.ini");
  EXPECT_EQ(run_on(*x, "set T-1 MAIN_Left 7", tool + " setpriv --reuid=4321 --regid=4322 --clear-groups").err, "");
  EXPECT_EQ(hv::testing::read_bytes(user / "dotfiles" / "hv.ini"), "[T-1]\nMAIN_Left=7\n");
  EXPECT_EQ(run_on(*x, "get T-1 MAIN_Left", tool).out, "7\n");
  EXPECT_TRUE(fs::is_symlink(settings / "settings.ini"));
}

// A user who swaps a link in and out where a folder of the path is still missing (inside a sticky
// folder everyone may write, this machine's /tmp having fs.protected_symlinks at 0, or inside a
// team folder of root's the user's group may write) while root stores settings there again and
// again: root makes nothing outside, whichever way each try falls.
TEST_P(RootCampaign, ALinkSwappedInAndOutMidWayChangesNothingOutside) {
  constexpr int kTries = 150;
  for (const auto mode : {fs::perms(01777), fs::perms(02775)}) {
    const fs::path team = dir.path() / ("team-" + std::to_string(static_cast<int>(mode))), config = team / "config";
    fs::create_directories(team);
    ASSERT_EQ(::chown(team.c_str(), 0, kGroup), 0);
    fs::permissions(team, mode);
    const std::string before = outside_now();
    const pid_t racer = ::fork();  // the user's shell loop, in a process group of its own
    ASSERT_GE(racer, 0);
    if (racer == 0) {
      ::setpgid(0, 0);
      const std::string loop = "while :; do ln -s '" + outside.string() + "' '" + config.string() + "'; rm -f '" + config.string() + "'; done 2>/dev/null";
      ::execlp("setpriv", "setpriv", "--reuid=4321", "--regid=4322", "--clear-groups", "sh", "-c", loop.c_str(), nullptr);
      ::_exit(127);
    }
    int refused = 0;
    for (int tries = 0; tries < kTries; ++tries) {
      const ToolRun ran = as_root(config, "set T-1 MAIN_Left " + std::to_string(tries));
      ASSERT_NE(ran.status, 124) << "set hung";
      refused += ran.status != 0;
      std::error_code ignored;
      if (!fs::is_symlink(config, ignored)) fs::remove_all(config, ignored);  // root's own, made by a try that won
    }
    ::kill(-racer, SIGKILL), ::waitpid(racer, nullptr, 0);
    EXPECT_EQ(outside_now(), before) << "mode " << std::oct << static_cast<int>(mode);
    if (mode == fs::perms(02775)) EXPECT_EQ(refused, kTries) << "root worked in a folder others may change";
  }
}

// A link partway down the path into another user's folder: root refuses, naming both users'
// paths, whether the other user's home is open or closed to the first; their settings stay theirs.
TEST_P(RootCampaign, ALinkPartwayIntoAnotherUsersFolderIsRefused) {
  for (const auto home_mode : {fs::perms(0755), fs::perms(0700)}) {
    const fs::path mine = dir.path() / "mine", theirs = dir.path() / "theirs";
    fs::remove_all(mine), fs::remove_all(theirs);
    fs::create_directories(mine / "config"), fs::create_directories(theirs / "config" / "HV_TEST_PROCESS");
    hv::testing::write_bytes(theirs / "config" / "HV_TEST_PROCESS" / "settings.ini", "[T-1]\nMAIN_Left=1\n");
    fs::create_symlink(theirs / "config" / "HV_TEST_PROCESS", mine / "config" / "HV_TEST_PROCESS");
    give(mine, kUser, kGroup), give(theirs, kOtherUser, kOtherGroup);
    fs::permissions(theirs, home_mode);
    for (const std::string command : {"set T-1 MAIN_Left 5", "get T-1 MAIN_Left", "reset T-1"}) {
      SCOPED_TRACE(command);
      const ToolRun ran = as_root(mine / "config", command);
      EXPECT_EQ(ran.status, 1) << ran.out;
      EXPECT_NE(ran.err.find(theirs.string()), std::string::npos) << ran.err;
      if (home_mode == fs::perms(0755)) EXPECT_NE(ran.err.find(mine.string()), std::string::npos) << ran.err;
      EXPECT_EQ(ran.out, "");
      EXPECT_EQ(hv::testing::read_bytes(theirs / "config" / "HV_TEST_PROCESS" / "settings.ini"), "[T-1]\nMAIN_Left=1\n");
    }
  }
}

// A team folder of root's that a group may write (chmod 2775), with a member's link planted at
// settings.ini: no one answers for it, so root refuses it and writes nothing.
TEST_P(RootCampaign, AFolderOfRootsThatAGroupMayWriteIsRefused) {
  const fs::path team = dir.path() / "team", settings = team / "HV_TEST_PROCESS";
  fs::create_directories(settings);
  fs::create_symlink(outside / "secret", settings / "settings.ini");
  ASSERT_EQ(::lchown((settings / "settings.ini").c_str(), kUser, kGroup), 0);
  for (const fs::path& folder : {team, settings}) {
    ASSERT_EQ(::chown(folder.c_str(), 0, kGroup), 0);
    fs::permissions(folder, fs::perms(02775));
  }
  const std::string before = outside_now();
  for (const std::string command : {"set T-1 MAIN_Left 5", "get T-1 MAIN_Left", "reset T-1"}) {
    const ToolRun ran = as_root(team, command);
    EXPECT_EQ(ran.status, 1) << command;
    EXPECT_NE(ran.err.find(team.string() + ": it is root's and others may write it (mode 2775)"), std::string::npos) << ran.err;
  }
  EXPECT_EQ(outside_now(), before);
  EXPECT_FALSE(fs::exists(settings / "settings.ini.lock"));
}

// A user holding the lock (flock ... sleep) gets root's set a refusal that names the lock and
// says another process holds it, well before the run's own limit.
TEST_P(RootCampaign, AHeldLockIsRefusedWithinItsPatience) {
  const fs::path user = dir.path() / "held", settings = user / "config" / "HV_TEST_PROCESS";
  fs::create_directories(settings);
  hv::testing::write_bytes(settings / "settings.ini", "[T-1]\nMAIN_Left=1\n");
  hv::testing::write_bytes(settings / "settings.ini.lock", "");
  give(user, kUser, kGroup);
  const linux_backend::UniqueFd lock(::open((settings / "settings.ini.lock").c_str(), O_RDWR | O_CLOEXEC));
  ASSERT_EQ(::flock(lock.get(), LOCK_EX), 0);
  const ToolRun ran = as_root(user / "config", "set T-1 MAIN_Left 5");
  EXPECT_EQ(ran.status, 1);
  EXPECT_EQ(ran.err, "hv-copies: cannot lock " + (settings / "settings.ini.lock").string() +
                         ": another process has held it without letting go for 5 s\n");
  EXPECT_EQ(hv::testing::read_bytes(settings / "settings.ini"), "[T-1]\nMAIN_Left=1\n");
}

// A settings file the user reaches only through a group they are a member of (a shared folder of
// the team's) works for root acting as them as it does for them. The accounts are made for the
// run alone, in a mount namespace of its own.
TEST_P(RootCampaign, AFileReachedThroughTheUsersGroupWorksForRootAsForTheUser) {
  const fs::path passwd = dir.path() / "passwd", group = dir.path() / "group";
  hv::testing::write_bytes(passwd, hv::testing::read_bytes("/etc/passwd") + "tester:x:4321:4322::/nonexistent:/usr/sbin/nologin\n");
  hv::testing::write_bytes(group, hv::testing::read_bytes("/etc/group") + "testers:x:4322:\nteam:x:4400:tester\n");
  const fs::path shared = dir.path() / "shared", user = dir.path() / "member", settings = user / "config" / "HV_TEST_PROCESS";
  fs::create_directories(shared), fs::create_directories(settings);
  hv::testing::write_bytes(shared / "hv.ini", "[T-1]\nMAIN_Left=3\n");
  fs::create_symlink(shared / "hv.ini", settings / "settings.ini");
  give(user, kUser, kGroup), give(shared / "hv.ini", kUser, kSharedGroup);
  ASSERT_EQ(::chown(shared.c_str(), 0, kSharedGroup), 0);
  fs::permissions(shared, fs::perms(02770)), fs::permissions(shared / "hv.ini", fs::perms(0660));
  const std::string accounts = "unshare -m sh -c 'mount --bind " + passwd.string() + " /etc/passwd && mount --bind " +
                               group.string() + " /etc/group && exec \"$0\" \"$@\"' ";
  const ToolRun set = as_root(user / "config", "set T-1 MAIN_Left 9", accounts);
  EXPECT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(hv::testing::read_bytes(shared / "hv.ini"), "[T-1]\nMAIN_Left=9\n");
  const ToolRun as_member = as_root(user / "config", "get T-1 MAIN_Left", "setpriv --reuid=4321 --regid=4322 --groups=4400 ");
  EXPECT_EQ(as_member.out, "9\n") << as_member.err;
  const ToolRun outsider = as_root(user / "config", "get T-1 MAIN_Left", "setpriv --reuid=4321 --regid=4322 --clear-groups ");
  EXPECT_EQ(outsider.status, 1) << "the file is reached without the group";
}

// What root opens is judged as it was opened, not only as the walk found it: a group member who
// swaps their own file with the user's settings file, over and over (renameat2's exchange), never
// has root read theirs. A link into /proc (a process's working folder, which root could look into)
// tells nothing; and root runs no program a user may change (HV_PROGRAM kept by sudo -E).
TEST_P(RootCampaign, RootReadsNoSwappedFileFollowsNoProcLinkAndRunsNoUsersProgram) {
  const fs::path user = dir.path() / "shared-home", settings = user / "config" / "HV_TEST_PROCESS";
  fs::create_directories(settings);
  hv::testing::write_bytes(settings / "settings.ini", "[A]\nk=theirs\n");
  hv::testing::write_bytes(settings / "other.ini", "[A]\nk=OTHER\n");
  give(user, kUser, kGroup), give(settings / "other.ini", kOtherUser, kSharedGroup);
  ASSERT_EQ(::chown(settings.c_str(), kUser, kSharedGroup), 0);
  fs::permissions(settings, fs::perms(02775)), fs::permissions(settings / "other.ini", fs::perms(0644));
  const pid_t swapper = ::fork();
  ASSERT_GE(swapper, 0);
  if (swapper == 0) {
    const gid_t groups[] = {kSharedGroup};
    if (::setgroups(1, groups) != 0 || ::setresgid(kOtherGroup, kOtherGroup, kOtherGroup) != 0 ||
        ::setresuid(kOtherUser, kOtherUser, kOtherUser) != 0) ::_exit(1);
    const std::string a = settings / "settings.ini", b = settings / "other.ini";
    for (;;) ::syscall(SYS_renameat2, AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
  }
  int theirs = 0;
  for (int tries = 0; tries < 100; ++tries) {
    const ToolRun ran = as_root(user / "config", "get A k");
    EXPECT_NE(ran.out, "OTHER\n") << "root read the file the other user swapped in";
    theirs += ran.out == "theirs\n";
  }
  ::kill(swapper, SIGKILL), ::waitpid(swapper, nullptr, 0);
  EXPECT_GT(theirs, 0) << "the user's own file was never read";

  const fs::path hidden = dir.path() / "private" / "SECRET-NAME";
  fs::create_directories(hidden), fs::permissions(hidden.parent_path(), fs::perms(0700));
  const pid_t sleeper = ::fork();
  ASSERT_GE(sleeper, 0);
  if (sleeper == 0) {
    if (::chdir(hidden.c_str()) != 0) ::_exit(1);
    ::execlp("sleep", "sleep", "60", nullptr);
    ::_exit(127);
  }
  ASSERT_TRUE(wait_until([&] { return fs::read_symlink("/proc/" + std::to_string(sleeper) + "/cwd") == hidden; }));
  fs::remove(settings / "settings.ini");
  fs::create_symlink("/proc/" + std::to_string(sleeper) + "/cwd/HV_TEST_PROCESS/settings.ini", settings / "settings.ini");
  ASSERT_EQ(::lchown((settings / "settings.ini").c_str(), kUser, kGroup), 0);
  const ToolRun proc = as_root(user / "config", "get A k");
  ::kill(sleeper, SIGKILL), ::waitpid(sleeper, nullptr, 0);
  EXPECT_EQ(proc.status, 1);
  EXPECT_EQ(proc.err.find("SECRET-NAME"), std::string::npos) << proc.err;
  EXPECT_NE(proc.err.find("/proc"), std::string::npos) << proc.err;

  const fs::path program = user / "program", marker = dir.path() / "ran-as-root";
  hv::testing::write_bytes(program, "#!/bin/sh\nid -u > " + marker.string() + "\n");
  fs::permissions(program, fs::perms(0755)), give(program, kUser, kGroup);
  const ToolRun started = as_root(user / "config", "start 1 Z " + (dir.path() / "root-copies").string(), "env HV_PROGRAM=" + program.string() + " ");
  EXPECT_EQ(started.status, 1);
  EXPECT_NE(started.err.find("root does not run copies of " + program.string()), std::string::npos) << started.err;
  EXPECT_FALSE(fs::exists(marker)) << "the user's program ran as root";
}

}  // namespace
}  // namespace hv::e2e
