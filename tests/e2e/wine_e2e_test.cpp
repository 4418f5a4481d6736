// The Windows program under Wine, on a private X server with openbox.

#include <algorithm>
#include <thread>

#include "e2e_fixture.h"
#include "subject.h"

namespace hv::e2e {
namespace {

namespace fs = std::filesystem;

fs::path windows_program() { return HV_WINDOWS_PROGRAM; }

// The Windows program's own scenarios, on the suite's one Wine prefix (subject.h).
class UnderWine : public ::testing::Test {
 protected:
  void SetUp() override { session = std::make_unique<XSession>(Wm::Openbox); }
  void TearDown() override { wine::run("wineserver -k"); }

  std::unique_ptr<ProgramCopy> copy(const std::string& file_name) {
    auto program = std::make_unique<ProgramCopy>(*session, dir.path(), file_name,
                                                 ProgramCopy::Link::Copy, windows_program());
    program->launch_through({"wine"}, wine::environment());
    return program;
  }
  std::optional<std::string> registry(const std::string& section, const std::string& name) {
    return wine::registry(*session, dir.path(), section, name);
  }
  void store(const std::string& section, const std::string& name, const std::string& value) {
    ASSERT_EQ(wine::run("wine reg add " + wine::key(section) + " /v " + name + " /t REG_SZ /d " + value + " /f",
                        session.get()),
              0);
  }

  hv::testing::TempDir dir;
  std::unique_ptr<XSession> session;
};

TEST_F(UnderWine, FirstStartShowsItsNameAndExitStoresThreeKeys) {
  auto program = copy("HV-TEST-PROCESS-V1.exe");
  program->start();
  const XWindow window = program->wait_for_window(title_for("HV-TEST-PROCESS-V1"));
  EXPECT_EQ(window.client_size(), (Point{730, 269}));
  ASSERT_TRUE(wait_until([&] { return window.frame_extents().size() == 4; }));
  EXPECT_EQ(registry("HV-TEST-PROCESS-V1", "AlwaysOnTop_TICKBOX"), std::nullopt)
      << "nothing is stored before the user acts";
  // Wine's window rectangle frames the client in Windows' own border and caption; moving the
  // X frame by some pixels moves that rectangle by as many.
  const Point start = window.client_origin();
  window.move_outer_to({200, 300}, true);
  ASSERT_TRUE(wait_until([&] { return !(window.client_origin() == start); }));
  const Point moved = window.client_origin();
  // The click reaches Wine after the move's ConfigureNotify, so Wine knows the new place by then.
  click_at(session->display(), exit_button(window));
  EXPECT_EQ(program->wait_for_exit(20s), 0);
  EXPECT_EQ(registry("HV-TEST-PROCESS-V1", "MAIN_Left"),
            std::to_string((67 + moved.x - start.x) * 15));
  EXPECT_EQ(registry("HV-TEST-PROCESS-V1", "MAIN_Top"),
            std::to_string((67 + moved.y - start.y) * 15));
  EXPECT_EQ(registry("HV-TEST-PROCESS-V1", "AlwaysOnTop_TICKBOX"), "1");
  EXPECT_EQ(registry("HV-TEST-PROCESS-V1", "MAIN_Width"), std::nullopt);
  EXPECT_EQ(registry("HV-TEST-PROCESS-V1", "MAIN_Height"), std::nullopt);
}

TEST_F(UnderWine, ACopyNamedInCapitalsShowsDotExeAndUsesStoredValues) {
  store("TEST7", "MAIN_Width", "6000");
  store("TEST7", "MAIN_Height", "3000");
  auto program = copy("TEST7.EXE");
  program->start();
  const XWindow window = program->wait_for_window(title_for("TEST7"));
  EXPECT_EQ(window.client_size(), (Point{394, 175}));
  window.close(true);
  EXPECT_EQ(program->wait_for_exit(20s), 0);
  EXPECT_EQ(registry("TEST7", "MAIN_Width"), "6000");
  EXPECT_TRUE(registry("TEST7", "MAIN_Left").has_value());
}

TEST_F(UnderWine, AUnicodeNameHasItsOwnSection) {
  auto program = copy("тест.exe");
  program->start();
  const XWindow window = program->wait_for_window(title_for("тест"));
  window.close(true);
  EXPECT_EQ(program->wait_for_exit(20s), 0);
  EXPECT_EQ(registry("тест", "AlwaysOnTop_TICKBOX"), "1");
  // What a lossy conversion through an ANSI code page would have made of the name.
  EXPECT_EQ(registry("????", "AlwaysOnTop_TICKBOX"), std::nullopt);
}

// Moves the copy's frame by a known amount; the twips it should store for that.
Point move_and_expect(const XWindow& window) {
  const Point start = window.client_origin();
  window.move_outer_to({200, 300}, true);
  EXPECT_TRUE(wait_until([&] { return !(window.client_origin() == start); }));
  const Point moved = window.client_origin();
  return {(67 + moved.x - start.x) * 15, (67 + moved.y - start.y) * 15};
}

TEST_F(UnderWine, ACopyClosedWhileMinimisedStoresWhereItStoodAndReopensThere) {
  auto program = copy("MINIMISED.exe");
  program->start();
  const XWindow window = program->wait_for_window(title_for("MINIMISED"));
  ASSERT_TRUE(wait_until([&] { return window.frame_extents().size() == 4; }));
  const Point stored = move_and_expect(window);
  const Point moved = window.client_origin();
  window.minimize();
  ASSERT_TRUE(wait_until([&] { return window.has_wm_state("_NET_WM_STATE_HIDDEN"); }));
  window.close(true);
  ASSERT_EQ(program->wait_for_exit(20s), 0);
  EXPECT_EQ(registry("MINIMISED", "MAIN_Left"), std::to_string(stored.x));
  EXPECT_EQ(registry("MINIMISED", "MAIN_Top"), std::to_string(stored.y));

  program->start();
  const XWindow again = program->wait_for_window(title_for("MINIMISED"));
  EXPECT_TRUE(wait_until([&] { return again.client_origin() == moved; }))
      << "reopened at " << again.client_origin().x << "," << again.client_origin().y;
  again.close(true);
  EXPECT_EQ(program->wait_for_exit(20s), 0);
}

TEST_F(UnderWine, TheKeyboardFocusComesBackToExitWhenTheWindowIsActivatedAgain) {
  auto program = copy("REFOCUS.exe");
  program->start();
  const XWindow window = program->wait_for_window(title_for("REFOCUS"));
  ASSERT_TRUE(wait_until([&] { return active_window(session->display()) == window.id(); }));
  TestWindow other(session->display(), "OTHER");
  other.window().activate();
  ASSERT_TRUE(wait_until([&] { return active_window(session->display()) == other.id(); }));
  window.activate();
  ASSERT_TRUE(wait_until([&] { return active_window(session->display()) == window.id(); }));
  press_key(session->display(), "space");
  EXPECT_EQ(program->wait_for_exit(20s), 0);
  EXPECT_EQ(registry("REFOCUS", "AlwaysOnTop_TICKBOX"), "1");
}

TEST_F(UnderWine, TheEndOfTheSessionStoresLikeAClose) {
  auto program = copy("SHUTDOWN.exe");
  program->start();
  const XWindow window = program->wait_for_window(title_for("SHUTDOWN"));
  ASSERT_TRUE(wait_until([&] { return window.frame_extents().size() == 4; }));
  const Point stored = move_and_expect(window);
  EXPECT_EQ(registry("SHUTDOWN", "MAIN_Left"), std::nullopt) << "nothing is stored before the end";
  wine::run("wineboot --end-session --shutdown", session.get());
  EXPECT_TRUE(program->wait_for_exit(20s).has_value());
  EXPECT_EQ(registry("SHUTDOWN", "MAIN_Left"), std::to_string(stored.x));
  EXPECT_EQ(registry("SHUTDOWN", "MAIN_Top"), std::to_string(stored.y));
  EXPECT_EQ(registry("SHUTDOWN", "AlwaysOnTop_TICKBOX"), "1");
}

// A store that cannot be written on close: the report titled "HV_TEST_PROCESS" waits for the user,
// names the key, and the program ends with 1 once it is dismissed. Wine makes no lasting key under
// a volatile one, which here stands for a registry the user may not write; the volatile key is gone
// with the wineserver at the end of the test.
TEST_F(UnderWine, AStoreThatCannotBeWrittenIsReportedAndTheProgramEndsWithOne) {
  wine::run("wine reg delete 'HKCU\\Software\\HV_TEST_PROCESS' /f", session.get());
  ASSERT_EQ(wine::run("wine '" + (windows_program().parent_path() / "hv_volatile_key.exe").string() +
                          "' 'Software\\HV_TEST_PROCESS'",
                      session.get()),
            0);
  auto program = copy("LOCKED.exe");
  program->start();
  const XWindow window = program->wait_for_window(title_for("LOCKED"));
  ASSERT_TRUE(wait_until([&] { return window.frame_extents().size() == 4; }));
  click_at(session->display(), exit_button(window));
  const XWindow report = program->wait_for_window("HV_TEST_PROCESS");
  EXPECT_TRUE(program->running()) << "the program waits for the user";
  report.close(true);
  EXPECT_EQ(program->wait_for_exit(20s), 1);
  EXPECT_NE(program->stderr_text().find("HV_TEST_PROCESS\\LOCKED"), std::string::npos) << program->stderr_text();
}

TEST_F(UnderWine, OfTwoArmedCopiesTheOneBehindTakesTheTop) {
  auto first = copy("FIRST.exe");
  auto second = copy("SECOND.exe");
  first->start();
  const XWindow a = first->wait_for_window(title_for("FIRST"));
  second->start();
  const XWindow b = second->wait_for_window(title_for("SECOND"));
  for (const XWindow* front : {&a, &b}) {
    const XWindow* back = front == &a ? &b : &a;
    front->activate();
    ASSERT_TRUE(wait_until([&] { return active_window(session->display()) == front->id(); }));
    EXPECT_TRUE(wait_until(
        [&] { return back->has_wm_state("_NET_WM_STATE_ABOVE") && !front->has_wm_state("_NET_WM_STATE_ABOVE"); },
        3s));
  }
  a.close(true);
  b.close(true);
  EXPECT_EQ(first->wait_for_exit(20s), 0);
  EXPECT_EQ(second->wait_for_exit(20s), 0);
}

}  // namespace
}  // namespace hv::e2e
