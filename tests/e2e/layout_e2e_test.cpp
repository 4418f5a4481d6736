#include "e2e_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "window_areas.h"

namespace hv::e2e {
namespace {

using ui::ControlId;
namespace fs = std::filesystem;

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

INSTANTIATE_TEST_SUITE_P(UnderOpenbox, Layout, ::testing::Values(Wm::Openbox), param_name);

}  // namespace
}  // namespace hv::e2e
