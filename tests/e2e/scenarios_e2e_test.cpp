// Scenarios written once and run against both programs: built into the Linux suite, and into the
// Wine suite against the .exe (see subject.h). Under openbox.

#include <fstream>
#include <thread>

#include "e2e_fixture.h"
#include "subject.h"
#include "ui/artwork.h"
#include "window_areas.h"

namespace hv::e2e {
namespace {

using ui::ControlId;

class Scenario : public ::testing::Test {
 protected:
  void SetUp() override { session = std::make_unique<XSession>(Wm::Openbox); }
  void TearDown() override {
    if (kUnderWine) wine::run("wineserver -k");
  }

  // Starts a copy and waits until it is drawn (two reads a moment apart agree: Wine paints the
  // controls one by one) and has the keyboard.
  XWindow start(SubjectCopy& copy, const std::string& name) {
    copy.process().start();
    const XWindow window = copy.process().wait_for_window(title_for(name));
    std::vector<Rgb> before;
    EXPECT_TRUE(wait_until([&] {
      const Capture shot = window.capture();
      const std::vector<Rgb> now = shot.width == 730 ? shot.pixels : std::vector<Rgb>{};
      const bool settled = !now.empty() && now == before &&
                           count(shot, area_of(ControlId::APP_NAME_TEXTBOX, 3),
                                 [](Rgb c) { return near(c, kYellow, 10); }) > 50;
      before = now;
      if (!settled) std::this_thread::sleep_for(100ms);
      return settled;
    }));
    EXPECT_TRUE(wait_until([&] { return active_window(session->display()) == window.id(); }));
    return window;
  }
  static Point centre(const XWindow& window, ControlId id) {
    const Area a = area_of(id);
    const Point origin = window.client_origin();
    return {origin.x + a.x + a.w / 2, origin.y + a.y + a.h / 2};
  }
  void close(SubjectCopy& copy, const XWindow& window) {
    window.close(true);
    EXPECT_EQ(copy.process().wait_for_exit(20s), 0);
  }

  hv::testing::TempDir dir;
  std::unique_ptr<XSession> session;
};

// The program's one purpose: the name box shows the file's name. Read from its pixels: a short and
// a long name differ, and the same name shows the same.
TEST_F(Scenario, TheNameBoxShowsTheFilesName) {
  int run = 0;
  const auto name_box = [&](const std::string& name) {
    SubjectCopy copy(*session, dir.path() / std::to_string(++run), name);
    const XWindow window = start(copy, name);
    const auto box = pixels_of(window.capture(), area_of(ControlId::APP_NAME_TEXTBOX, 2));
    close(copy, window);
    return box;
  };
  const auto short_name = name_box("A");
  EXPECT_NE(name_box("A-MUCH-LONGER-NAME"), short_name);
  EXPECT_EQ(name_box("A"), short_name);
}

// Ticked, clear and greyed look different, only the ticked box arms the keeper, and restoring the
// default writes nothing at load. The window in front is a disarmed copy: under Wine the
// foreground follows Wine's own windows only.
TEST_F(Scenario, TheRestoredTickIsShownAndOnlyATickedBoxTakesTheTop) {
  SubjectCopy front(*session, dir.path() / "front", "FRONT");
  front.store("AlwaysOnTop_TICKBOX", "0");
  const XWindow in_front = start(front, "FRONT");
  std::vector<std::vector<Rgb>> boxes;
  for (const char* stored : {"", "0", "2"}) {
    const std::string name = std::string("TICK") + stored;
    SubjectCopy copy(*session, dir.path() / name, name);
    if (*stored) copy.store("AlwaysOnTop_TICKBOX", stored);
    const XWindow window = start(copy, name);
    if (!*stored) {
      EXPECT_EQ(copy.stored(), SubjectCopy::kNothingStored) << "a default start writes nothing";
    }
    const Area box = area_of(ControlId::AlwaysOnTop_TICKBOX);
    boxes.push_back(pixels_of(window.capture(), {box.x, box.y, box.h, box.h}));
    in_front.activate();
    ASSERT_TRUE(wait_until([&] { return active_window(session->display()) == in_front.id(); }));
    const bool took_top = wait_until([&] { return window.has_wm_state("_NET_WM_STATE_ABOVE"); }, 3s);
    EXPECT_EQ(took_top, !*stored) << "stored " << stored;
    close(copy, window);
    EXPECT_EQ(copy.setting("AlwaysOnTop_TICKBOX"), *stored ? stored : "1");
  }
  EXPECT_NE(boxes[0], boxes[1]) << "ticked and clear look alike";
  EXPECT_NE(boxes[0], boxes[2]) << "ticked and greyed look alike";
  EXPECT_NE(boxes[1], boxes[2]) << "clear and greyed look alike";
  close(front, in_front);
}

TEST_F(Scenario, LabelsAndTextBoxesShowTheirColours) {
  SubjectCopy copy(*session, dir.path(), "COLOURS");
  const XWindow window = start(copy, "COLOURS");
  const Capture shot = window.capture();
  for (ControlId id : {ControlId::HV_TITLE_1, ControlId::Label1, ControlId::CREATOR_TEXTBOX,
                       ControlId::VERSION_TEXTBOX, ControlId::FREEWARE_TEXTBOX}) {
    const Area a = area_of(id);
    EXPECT_GT(count(shot, a, [](Rgb c) { return c == kBlack; }), a.w * a.h / 2) << ui::control(id).name;
    EXPECT_GT(count(shot, a, [](Rgb c) { return near(c, kGreen); }), 30) << ui::control(id).name;
  }
  const Area name_label = area_of(ControlId::NAME_LABEL_TEXTBOX, 2);
  EXPECT_GT(count(shot, name_label, [](Rgb c) { return c == kYellow; }), name_label.w * name_label.h / 2);
  EXPECT_GT(count(shot, name_label, [](Rgb c) { return near(c, kBlack, 60); }), 30);
  const Area app_name = area_of(ControlId::APP_NAME_TEXTBOX, 2);
  EXPECT_GT(count(shot, app_name, [](Rgb c) { return c == kBlack; }), app_name.w * app_name.h / 2);
  EXPECT_GT(count(shot, app_name, [](Rgb c) { return near(c, kYellow); }), 30);
  close(copy, window);
}

TEST_F(Scenario, BothPicturesShowTheEmbeddedImageFillingTheirFrames) {
  SubjectCopy copy(*session, dir.path(), "PICTURES");
  const XWindow window = start(copy, "PICTURES");
  const Capture shot = window.capture();
  const ui::RgbImage picture = ui::thumbs_up_picture();
  for (ControlId id : {ControlId::THUMBS_UP_PIC_1, ControlId::THUMBS_UP_PIC_2}) {
    const Area inside = area_of(id, 2);
    ASSERT_EQ(inside.w, picture.width);
    ASSERT_EQ(inside.h, picture.height);
    int different = 0;
    for (int y = 0; y < picture.height; ++y) {
      for (int x = 0; x < picture.width; ++x) {
        const unsigned char* p = picture.pixels + (y * picture.width + x) * picture.channels;
        different += shot.at(inside.x + x, inside.y + y) == Rgb{p[0], p[1], p[2]} ? 0 : 1;
      }
    }
    EXPECT_EQ(different, 0) << ui::control(id).name;
  }
  close(copy, window);
}

TEST_F(Scenario, SpaceRightAfterStartActsAsExit) {
  SubjectCopy copy(*session, dir.path(), "SPACEBAR");
  start(copy, "SPACEBAR");
  press_key(session->display(), "space");
  EXPECT_EQ(copy.process().wait_for_exit(20s), 0);
  EXPECT_EQ(copy.setting("AlwaysOnTop_TICKBOX"), "1");
  EXPECT_TRUE(copy.setting("MAIN_Left").has_value());
}

TEST_F(Scenario, TabThenSpaceFlipsTheTickBoxAndStoresItAtOnce) {
  SubjectCopy copy(*session, dir.path(), "TABBER");
  const XWindow window = start(copy, "TABBER");
  press_key(session->display(), "Tab");
  press_key(session->display(), "space");
  EXPECT_TRUE(wait_until([&] { return copy.setting("AlwaysOnTop_TICKBOX") == "0"; }));
  EXPECT_TRUE(copy.process().running());
  close(copy, window);
}

TEST_F(Scenario, TabVisitsSevenControlsAndComesBackToExit) {
  SubjectCopy copy(*session, dir.path(), "ROUNDTRIP");
  start(copy, "ROUNDTRIP");
  // Six Tabs reach the last of the seven (the web-address box), where Space presses nothing;
  // the seventh comes back to EXIT.
  for (int i = 0; i < 6; ++i) press_key(session->display(), "Tab");
  press_key(session->display(), "space");
  EXPECT_FALSE(wait_until([&] { return !copy.process().running(); }, 1s)) << "Space pressed EXIT too early";
  press_key(session->display(), "Tab");
  press_key(session->display(), "space");
  EXPECT_EQ(copy.process().wait_for_exit(20s), 0);
  EXPECT_EQ(copy.setting("AlwaysOnTop_TICKBOX"), "1") << "the tick box kept its value";
}

TEST_F(Scenario, DoubleClickingTheCreditShowsTheContactAndWritesNothing) {
  SubjectCopy copy(*session, dir.path(), "CREDIT");
  const XWindow window = start(copy, "CREDIT");
  const Area credit = area_of(ControlId::CREATOR_TEXTBOX);
  const auto credit_row = [&] { return pixels_of(window.capture(), credit); };
  const auto before = credit_row();
  const std::string stored = copy.stored();

  click_at(session->display(), centre(window, ControlId::CREATOR_TEXTBOX));
  // A lone click is answered by nothing; longer than the double-click time (one second at most
  // on either platform) proves it, and keeps the first click from pairing with the next two.
  XSync(session->display(), False);
  EXPECT_FALSE(wait_until([&] { return credit_row() != before; }, 1200ms));

  click_at(session->display(), centre(window, ControlId::CREATOR_TEXTBOX), 1, 2);
  // The row then shows the contact address as each platform's text drawing renders it.
  const Capture contact = read_picture(kUnderWine ? HV_CONTACT_ROW_WINE : HV_CONTACT_ROW);
  ASSERT_EQ(contact.width, credit.w);
  EXPECT_TRUE(wait_until([&] { return credit_row() == contact.pixels; }));
  EXPECT_EQ(copy.stored(), stored);
  close(copy, window);
}

}  // namespace
}  // namespace hv::e2e
