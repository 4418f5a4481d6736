#include "e2e_fixture.h"

#include <fstream>

namespace hv::e2e {
namespace {

namespace fs = std::filesystem;

// The unit suite proves the 1000 ms interval; here a tick only has to come, on a busy machine too.
constexpr auto kWithinATick = 3s;
constexpr char kAbove[] = "_NET_WM_STATE_ABOVE";

bool stands_above(Display* display, Window upper, Window lower) {
  const auto order = stacking_order(display);
  const auto u = std::find(order.begin(), order.end(), upper);
  const auto l = std::find(order.begin(), order.end(), lower);
  return u != order.end() && l != order.end() && u > l;
}

class Keeper : public ProgramTest {
 protected:
  void store_tick(const ProgramCopy& program, const std::string& section, int tick) {
    fs::create_directories(program.settings_file().parent_path());
    std::ofstream(program.settings_file(), std::ios::app)
        << "[" << section << "]\nAlwaysOnTop_TICKBOX=" << tick << "\n";
  }
  XWindow start(ProgramCopy& program, const std::string& name) {
    program.start();
    const XWindow window = program.wait_for_window(title_for(name));
    EXPECT_TRUE(wait_until([&] { return window.frame_extents().size() == 4; }));
    return window;
  }
  // Puts a window in the above band and in front, as a user's own always-on-top tool would be.
  void bring_forward(const XWindow& other) {
    request_above(session->display(), other.id(), true);
    ASSERT_TRUE(wait_until([&] { return other.has_wm_state(kAbove); }));
    other.activate();
    ASSERT_TRUE(wait_until([&] { return active_window(session->display()) == other.id(); }));
  }
};

TEST_P(Keeper, AnArmedCopyTakesTheTopFromTheForegroundWindowWithoutTakingTheKeyboard) {
  auto program = copy("ARMED");
  const XWindow armed = start(*program, "ARMED");
  TestWindow other(session->display(), "OTHER");
  bring_forward(other.window());

  EXPECT_TRUE(wait_until(
      [&] {
        return !other.window().has_wm_state(kAbove) && armed.has_wm_state(kAbove) &&
               stands_above(session->display(), armed.id(), other.id());
      },
      kWithinATick));
  EXPECT_EQ(active_window(session->display()), other.id());
  armed.close(true);
  EXPECT_EQ(program->wait_for_exit(), 0);
}

TEST_P(Keeper, ADisarmedCopyLeavesOtherWindowsAlone) {
  auto program = copy("CLEAR");
  store_tick(*program, "CLEAR", 0);
  const XWindow clear = start(*program, "CLEAR");
  TestWindow other(session->display(), "OTHER");
  bring_forward(other.window());
  // Three ticks' worth of watching: the other window keeps its place in the band throughout.
  EXPECT_FALSE(wait_until([&] { return !other.window().has_wm_state(kAbove); }, 3s));
  EXPECT_FALSE(clear.has_wm_state(kAbove));
  clear.close(true);
  EXPECT_EQ(program->wait_for_exit(), 0);
}

TEST_P(Keeper, TwoArmedCopiesTakeTurnsWithoutError) {
  auto first = copy("FIRST");
  auto second = copy("SECOND");
  const XWindow a = start(*first, "FIRST");
  const XWindow b = start(*second, "SECOND");
  for (const XWindow* front : {&a, &b, &a}) {
    const XWindow* back = front == &a ? &b : &a;
    front->activate();
    ASSERT_TRUE(wait_until([&] { return active_window(session->display()) == front->id(); }));
    EXPECT_TRUE(wait_until(
        [&] {
          return back->has_wm_state(kAbove) && !front->has_wm_state(kAbove) &&
                 stands_above(session->display(), back->id(), front->id());
        },
        kWithinATick));
  }
  a.close(true);
  b.close(true);
  EXPECT_EQ(first->wait_for_exit(), 0);
  EXPECT_EQ(second->wait_for_exit(), 0);
  EXPECT_EQ(first->stderr_text() + second->stderr_text(), "");
}

TEST_P(Keeper, UntickingIsStoredAtOnceButTheKeeperGoesOnUntilClose) {
  auto program = copy("UNTICK");
  const XWindow armed = start(*program, "UNTICK");
  ASSERT_TRUE(wait_until([&] { return armed.outer_origin() == Point{67, 67}; }));
  const Point origin = armed.client_origin();
  click_at(session->display(), {origin.x + 320 + 8, origin.y + 80 + 8});  // the tick box
  EXPECT_TRUE(wait_until([&] { return program->setting("UNTICK", "AlwaysOnTop_TICKBOX") == "0"; }));

  TestWindow other(session->display(), "OTHER");
  bring_forward(other.window());
  EXPECT_TRUE(wait_until([&] { return !other.window().has_wm_state(kAbove); }, kWithinATick));
  armed.close(true);
  EXPECT_EQ(program->wait_for_exit(), 0);
  EXPECT_EQ(program->setting("UNTICK", "AlwaysOnTop_TICKBOX"), "0");
}

TEST_P(Keeper, AGreyedTickBoxClickedGoesClearAndIsStoredAtOnce) {
  auto program = copy("GREYED");
  store_tick(*program, "GREYED", 2);
  const XWindow window = start(*program, "GREYED");
  ASSERT_TRUE(wait_until([&] { return window.outer_origin() == Point{67, 67}; }));
  EXPECT_EQ(program->setting("GREYED", "AlwaysOnTop_TICKBOX"), "2");
  const Point origin = window.client_origin();
  click_at(session->display(), {origin.x + 320 + 8, origin.y + 80 + 8});
  EXPECT_TRUE(wait_until([&] { return program->setting("GREYED", "AlwaysOnTop_TICKBOX") == "0"; }));
  click_at(session->display(), {origin.x + 320 + 8, origin.y + 80 + 8});
  EXPECT_TRUE(wait_until([&] { return program->setting("GREYED", "AlwaysOnTop_TICKBOX") == "1"; }));
  window.close(true);
  EXPECT_EQ(program->wait_for_exit(), 0);
}

INSTANTIATE_TEST_SUITE_P(UnderEachWindowManager, Keeper,
                         ::testing::Values(Wm::Openbox, Wm::Icewm), param_name);

using BareKeeper = ProgramTest;

// With no window manager there is no foreground and no band: the copy still raises itself.
TEST_P(BareKeeper, AnArmedCopyRaisesItselfAboveNewerWindows) {
  auto program = copy("ALONE");
  program->start();
  const XWindow armed = program->wait_for_window(title_for("ALONE"));
  TestWindow other(session->display(), "OTHER");
  XRaiseWindow(session->display(), other.id());
  XSync(session->display(), False);
  const auto on_top = [&] {
    Window root = None, parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    XQueryTree(session->display(), session->root(), &root, &parent, &children, &count);
    const bool ours = count > 0 && children[count - 1] == armed.id();
    if (children) XFree(children);
    return ours;
  };
  EXPECT_TRUE(wait_until(on_top, kWithinATick));
  armed.close(false);
  EXPECT_EQ(program->wait_for_exit(), 0);
  EXPECT_EQ(program->stderr_text(), "");
}

INSTANTIATE_TEST_SUITE_P(WithoutWindowManager, BareKeeper, ::testing::Values(Wm::Bare), param_name);

}  // namespace
}  // namespace hv::e2e
