#include "e2e_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "ui/artwork.h"
#include "ui/controls.h"

namespace hv::e2e {
namespace {

using ui::ControlId;
namespace fs = std::filesystem;

struct Area {
  int x, y, w, h;
};

Area area_of(ControlId id, int inset = 0) {
  const ui::TwipsRect& r = ui::control(id).rect;
  return {r.left / 15 + inset, r.top / 15 + inset, r.width / 15 - 2 * inset,
          r.height / 15 - 2 * inset};
}

// How many pixels of an area match a test.
template <class Test>
int count(const Capture& shot, Area a, Test test) {
  int n = 0;
  for (int y = a.y; y < a.y + a.h; ++y)
    for (int x = a.x; x < a.x + a.w; ++x) n += test(shot.at(x, y)) ? 1 : 0;
  return n;
}

bool near(Rgb c, Rgb want, int tolerance = 40) {
  return std::abs(c.r - want.r) <= tolerance && std::abs(c.g - want.g) <= tolerance &&
         std::abs(c.b - want.b) <= tolerance;
}

constexpr Rgb kBlack{0, 0, 0}, kGreen{0, 255, 0}, kYellow{255, 255, 0};

class Layout : public ProgramTest {
 protected:
  // Starts a copy and waits until its labels are drawn.
  XWindow start(ProgramCopy& program, const std::string& name) {
    program.start();
    const XWindow window = program.wait_for_window(title_for(name));
    EXPECT_TRUE(wait_until([&] { return window.outer_origin() == Point{67, 67}; }));
    EXPECT_TRUE(wait_until([&] {
      const Capture shot = window.capture();
      return shot.width == 730 && count(shot, area_of(ControlId::APP_NAME_TEXTBOX, 3),
                                        [](Rgb c) { return near(c, kYellow, 10); }) > 50;
    }));
    return window;
  }
  static Point centre(const XWindow& window, ControlId id) {
    const Area a = area_of(id);
    const Point origin = window.client_origin();
    return {origin.x + a.x + a.w / 2, origin.y + a.y + a.h / 2};
  }
};

// A picture file's pixels, through ImageMagick's convert.
Capture read_picture(const std::string& path) {
  Capture out;
  FILE* pipe = ::popen(("convert '" + path + "' -depth 8 ppm:-").c_str(), "r");
  if (!pipe) return out;
  int max = 0;
  if (std::fscanf(pipe, "P6 %d %d %d", &out.width, &out.height, &max) == 3 && std::fgetc(pipe) != EOF) {
    for (int i = 0; i < out.width * out.height; ++i) {
      const int r = std::fgetc(pipe), g = std::fgetc(pipe), b = std::fgetc(pipe);
      out.pixels.push_back({r, g, b});
    }
  }
  ::pclose(pipe);
  return out;
}

// What a user sees at start, frame and title included, is the picture README shows.
TEST_P(Layout, AtStartTheWindowLooksExactlyLikeTheReadmeScreenshot) {
  const Capture expected = read_picture(HV_SCREENSHOT);
  ASSERT_GT(expected.width, 700);
  auto program = copy("HV-TEST-PROCESS-V1");
  const XWindow window = start(*program, "HV-TEST-PROCESS-V1");
  ASSERT_TRUE(wait_until([&] { return active_window(session->display()) == window.id(); }));
  int different = 0;
  EXPECT_TRUE(wait_until([&] {
    const Capture shot = capture_area(session->display(), session->root(), window.outer_origin(),
                                      {expected.width, expected.height});
    different = 0;
    for (std::size_t i = 0; i < expected.pixels.size() && i < shot.pixels.size(); ++i) {
      different += shot.pixels[i] == expected.pixels[i] ? 0 : 1;
    }
    return shot.pixels.size() == expected.pixels.size() && different == 0;
  }, 3s)) << different << " pixels differ from " << HV_SCREENSHOT;
  window.close(true);
  EXPECT_EQ(program->wait_for_exit(), 0);
}

// Focusing the name box offers the name as the primary selection, for a middle-click paste.
TEST_P(Layout, TheNameBoxOffersTheNameForPasting) {
  auto program = copy("PASTE-ME");
  const XWindow window = start(*program, "PASTE-ME");
  ASSERT_TRUE(wait_until([&] { return active_window(session->display()) == window.id(); }));
  press_key(session->display(), "Tab");
  press_key(session->display(), "Tab");  // EXIT, the tick box, then the name box
  Display* display = session->display();
  const Atom primary = XInternAtom(display, "PRIMARY", False);
  ASSERT_TRUE(wait_until([&] { return XGetSelectionOwner(display, primary) != None; }));
  TestWindow reader(display, "READER");
  const Atom into = XInternAtom(display, "HV_PASTED", False);
  XConvertSelection(display, primary, XInternAtom(display, "UTF8_STRING", False), into, reader.id(), CurrentTime);
  XFlush(display);
  std::string pasted;
  EXPECT_TRUE(wait_until([&] {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, reader.id(), into, 0, 1024, False, AnyPropertyType, &type, &format,
                           &count, &remaining, &data) == Success && data) {
      pasted.assign(reinterpret_cast<char*>(data), count);
      XFree(data);
    }
    return !pasted.empty();
  }));
  EXPECT_EQ(pasted, "PASTE-ME.exe");
  window.close(true);
  EXPECT_EQ(program->wait_for_exit(), 0);
}

TEST_P(Layout, LabelsAndTextBoxesShowTheirColours) {
  auto program = copy("COLOURS");
  const XWindow window = start(*program, "COLOURS");
  const Capture shot = window.capture();
  for (ControlId id : {ControlId::HV_TITLE_1, ControlId::Label1, ControlId::CREATOR_TEXTBOX,
                       ControlId::VERSION_TEXTBOX, ControlId::FREEWARE_TEXTBOX}) {
    const Area a = area_of(id);
    const int all = a.w * a.h;
    EXPECT_GT(count(shot, a, [](Rgb c) { return c == kBlack; }), all / 2) << ui::control(id).name;
    EXPECT_GT(count(shot, a, [](Rgb c) { return near(c, kGreen); }), 30) << ui::control(id).name;
  }
  const Area name_label = area_of(ControlId::NAME_LABEL_TEXTBOX, 2);
  EXPECT_GT(count(shot, name_label, [](Rgb c) { return c == kYellow; }), name_label.w * name_label.h / 2);
  EXPECT_GT(count(shot, name_label, [](Rgb c) { return near(c, kBlack, 60); }), 30);
  const Area app_name = area_of(ControlId::APP_NAME_TEXTBOX, 2);
  EXPECT_GT(count(shot, app_name, [](Rgb c) { return c == kBlack; }), app_name.w * app_name.h / 2);
  EXPECT_GT(count(shot, app_name, [](Rgb c) { return near(c, kYellow); }), 30);
  window.close(true);
  EXPECT_EQ(program->wait_for_exit(), 0);
}

TEST_P(Layout, BothPicturesShowTheEmbeddedImageFillingTheirFrames) {
  auto program = copy("PICTURES");
  const XWindow window = start(*program, "PICTURES");
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
  window.close(true);
  EXPECT_EQ(program->wait_for_exit(), 0);
}

// Ticked, clear and greyed look different, and only the restored default writes nothing at load.
TEST_P(Layout, TheRestoredTickIsShownTickedClearOrGreyed) {
  std::vector<std::vector<Rgb>> boxes;
  for (const char* stored : {"", "0", "2"}) {
    const std::string name = std::string("TICK") + stored;
    auto program = copy(name);
    if (*stored) {
      fs::create_directories(program->settings_file().parent_path());
      std::ofstream(program->settings_file()) << "[" << name << "]\nAlwaysOnTop_TICKBOX=" << stored << "\n";
    }
    const XWindow window = start(*program, name);
    if (!*stored) {
      EXPECT_FALSE(fs::exists(program->settings_file())) << "a default start writes nothing";
    }
    const Capture shot = window.capture();
    const Area box = area_of(ControlId::AlwaysOnTop_TICKBOX);
    std::vector<Rgb> square;
    for (int y = box.y; y < box.y + box.h; ++y)
      for (int x = box.x; x < box.x + box.h; ++x) square.push_back(shot.at(x, y));
    boxes.push_back(square);
    window.close(true);
    EXPECT_EQ(program->wait_for_exit(), 0);
    EXPECT_EQ(program->setting(name, "AlwaysOnTop_TICKBOX"), *stored ? stored : "1");
  }
  EXPECT_NE(boxes[0], boxes[1]) << "ticked and clear look alike";
  EXPECT_NE(boxes[0], boxes[2]) << "ticked and greyed look alike";
  EXPECT_NE(boxes[1], boxes[2]) << "clear and greyed look alike";
}

TEST_P(Layout, SpaceRightAfterStartActsAsExit) {
  auto program = copy("SPACEBAR");
  const XWindow window = start(*program, "SPACEBAR");
  ASSERT_TRUE(wait_until([&] { return active_window(session->display()) == window.id(); }));
  press_key(session->display(), "space");
  EXPECT_EQ(program->wait_for_exit(), 0);
  EXPECT_EQ(program->setting("SPACEBAR", "MAIN_Left"), "1000");
}

TEST_P(Layout, TabThenSpaceFlipsTheTickBoxAndStoresItAtOnce) {
  auto program = copy("TABBER");
  const XWindow window = start(*program, "TABBER");
  ASSERT_TRUE(wait_until([&] { return active_window(session->display()) == window.id(); }));
  press_key(session->display(), "Tab");
  press_key(session->display(), "space");
  EXPECT_TRUE(wait_until([&] { return program->setting("TABBER", "AlwaysOnTop_TICKBOX") == "0"; }));
  EXPECT_TRUE(program->running());
  window.close(true);
  EXPECT_EQ(program->wait_for_exit(), 0);
}

TEST_P(Layout, TabVisitsSevenControlsAndComesBackToExit) {
  auto program = copy("ROUNDTRIP");
  const XWindow window = start(*program, "ROUNDTRIP");
  ASSERT_TRUE(wait_until([&] { return active_window(session->display()) == window.id(); }));
  for (int i = 0; i < 7; ++i) press_key(session->display(), "Tab");
  press_key(session->display(), "space");
  EXPECT_EQ(program->wait_for_exit(), 0);
  EXPECT_EQ(program->setting("ROUNDTRIP", "AlwaysOnTop_TICKBOX"), "1") << "the tick box kept its value";
}

TEST_P(Layout, DoubleClickingTheCreditShowsTheContactAndWritesNothing) {
  auto program = copy("CREDIT");
  const XWindow window = start(*program, "CREDIT");
  const Area credit = area_of(ControlId::CREATOR_TEXTBOX);
  const auto credit_row = [&] {
    const Capture shot = window.capture();
    std::vector<Rgb> row;
    for (int y = credit.y; y < credit.y + credit.h; ++y)
      for (int x = credit.x; x < credit.x + credit.w; ++x) row.push_back(shot.at(x, y));
    return row;
  };
  const auto settings_bytes = [&] {
    std::ifstream in(program->settings_file(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const auto before = credit_row();
  const std::string stored = settings_bytes();

  click_at(session->display(), centre(window, ControlId::CREATOR_TEXTBOX));
  // A lone click is answered by nothing; longer than the toolkit's double-click time (one second
  // at most) proves it, and keeps the first click from pairing with the next two.
  XSync(session->display(), False);
  EXPECT_FALSE(wait_until([&] { return credit_row() != before; }, 1200ms));

  click_at(session->display(), centre(window, ControlId::CREATOR_TEXTBOX), 1, 2);
  // The row then shows the contact address, as a rendering of it in the label's font shows it.
  const Capture contact = read_picture(HV_CONTACT_ROW);
  ASSERT_EQ(contact.width, credit.w);
  EXPECT_TRUE(wait_until([&] { return credit_row() == contact.pixels; }));
  EXPECT_EQ(settings_bytes(), stored);
  window.close(true);
  EXPECT_EQ(program->wait_for_exit(), 0);
}

INSTANTIATE_TEST_SUITE_P(UnderOpenbox, Layout, ::testing::Values(Wm::Openbox), param_name);

}  // namespace
}  // namespace hv::e2e
