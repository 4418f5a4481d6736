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

// The program's one purpose: the name box shows the file's name. Read from its pixels: a short and
// a long name differ, and the same name shows the same.
TEST_F(UnderWine, TheNameBoxShowsTheFilesName) {
  const auto name_box = [&](const std::string& name) {
    auto program = copy(name + ".exe");
    program->start();
    const XWindow window = program->wait_for_window(title_for(name));
    std::vector<Rgb> box, before;
    // APP_NAME_TEXTBOX at 136,168, 465 x 33 pixels; read until two reads a moment apart agree.
    wait_until([&] {
      before = box;
      const Capture shot = window.capture();
      box.clear();
      for (int y = 170; y < 199 && shot.width == 730; ++y)
        for (int x = 138; x < 599; ++x) box.push_back(shot.at(x, y));
      std::this_thread::sleep_for(200ms);
      return !box.empty() && box == before &&
             std::count(box.begin(), box.end(), Rgb{255, 255, 0}) > 30;
    });
    window.close(true);
    EXPECT_EQ(program->wait_for_exit(20s), 0);
    return box;
  };
  const auto short_name = name_box("A");
  const auto long_name = name_box("A-MUCH-LONGER-NAME");
  EXPECT_GT(std::count(short_name.begin(), short_name.end(), Rgb{255, 255, 0}), 30) << "yellow text";
  EXPECT_NE(short_name, long_name);
  EXPECT_EQ(name_box("A"), short_name);
}

// Ticked, clear and greyed look different; only the ticked box arms the keeper. The window in
// front is a disarmed copy: Wine follows the foreground among its own windows only.
TEST_F(UnderWine, TheRestoredTickIsShownAndOnlyATickedBoxTakesTheTop) {
  store("WFRONT", "AlwaysOnTop_TICKBOX", "0");
  auto front = copy("WFRONT.exe");
  front->start();
  const XWindow in_front = front->wait_for_window(title_for("WFRONT"));
  std::vector<std::vector<Rgb>> boxes;
  for (const char* stored : {"", "0", "2"}) {
    const std::string name = std::string("WTICK") + stored;
    if (*stored) store(name, "AlwaysOnTop_TICKBOX", stored);
    auto program = copy(name + ".exe");
    program->start();
    const XWindow window = program->wait_for_window(title_for(name));
    ASSERT_TRUE(wait_until([&] { return window.frame_extents().size() == 4; }));
    // The box as it is drawn, while the copy is still in front of the other: Wine paints the
    // controls one by one, so the square is read until two reads a moment apart agree.
    const auto read_square = [&] {
      const Capture shot = window.capture();
      std::vector<Rgb> square;
      for (int y = 80; y < 97 && shot.width == 730; ++y)
        for (int x = 320; x < 337; ++x) square.push_back(shot.at(x, y));
      return square;
    };
    std::vector<Rgb> square;
    ASSERT_TRUE(wait_until([&] {
      const std::vector<Rgb> before = read_square();
      std::this_thread::sleep_for(250ms);
      square = read_square();
      return !square.empty() && square == before &&
             std::any_of(square.begin(), square.end(), [](Rgb c) { return c != Rgb{}; });
    }));
    in_front.activate();
    ASSERT_TRUE(wait_until([&] { return active_window(session->display()) == in_front.id(); }));
    const bool took_top = wait_until([&] { return window.has_wm_state("_NET_WM_STATE_ABOVE"); }, 3s);
    EXPECT_EQ(took_top, !*stored) << "stored " << stored;
    boxes.push_back(square);
    window.close(true);
    EXPECT_EQ(program->wait_for_exit(20s), 0);
    EXPECT_EQ(registry(name, "AlwaysOnTop_TICKBOX"), *stored ? stored : "1");
  }
  EXPECT_NE(boxes[0], boxes[1]) << "ticked and clear look alike";
  EXPECT_NE(boxes[0], boxes[2]) << "ticked and greyed look alike";
  EXPECT_NE(boxes[1], boxes[2]) << "clear and greyed look alike";
  in_front.close(true);
  EXPECT_EQ(front->wait_for_exit(20s), 0);
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
