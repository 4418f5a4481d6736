// The Linux program at the screen density the desktop sets (Xft.dpi): every size in twips at
// 1440 / dpi a pixel.

#include <X11/Xatom.h>

#include <cmath>

#include "e2e_fixture.h"
#include "ui/artwork.h"
#include "ui/controls.h"

namespace hv::e2e {
namespace {

using ui::ControlId;

long px(int twips, int dpi) { return std::lround(twips * dpi / 1440.0); }

class Density : public ProgramTest {
 protected:
  // Wide enough for the window at 192 dpi.
  void SetUp() override { session = std::make_unique<XSession>(GetParam(), "1920x1080"); }
  // What a desktop does for a dense screen: Xft.dpi in the root window's resources.
  void set_dpi(int dpi) {
    const std::string resources = "Xft.dpi:\t" + std::to_string(dpi) + "\n";
    XChangeProperty(session->display(), session->root(), XA_RESOURCE_MANAGER, XA_STRING, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(resources.data()),
                    static_cast<int>(resources.size()));
    XSync(session->display(), False);
  }
  XWindow start(ProgramCopy& program, const std::string& name, int dpi) {
    set_dpi(dpi);
    program.start();
    const XWindow window = program.wait_for_window(title_for(name));
    EXPECT_TRUE(wait_until([&] { return window.frame_extents().size() == 4; }));
    return window;
  }
  // Rows of a label's area that hold its green text, once the label is drawn.
  static int text_rows(const XWindow& window, int dpi) {
    const ui::TwipsRect& r = ui::control(ControlId::HV_TITLE_1).rect;
    int rows = 0;
    wait_until([&] {
      const Capture shot = window.capture();
      rows = 0;
      for (long y = px(r.top, dpi); y < px(r.top + r.height, dpi) && shot.width > 0; ++y) {
        for (long x = px(r.left, dpi); x < px(r.left + r.width, dpi); ++x) {
          if (shot.at(x, y).g > 200 && shot.at(x, y).r < 100) {
            ++rows;
            break;
          }
        }
      }
      return rows > 0;
    });
    return rows;
  }
};

TEST_P(Density, EverySizeAndStoredPositionFollowsTheScreensDensity) {
  auto reference = copy("AT-96");
  const XWindow at_96 = start(*reference, "AT-96", 96);
  const int text_at_96 = text_rows(at_96, 96);
  at_96.close(true);
  ASSERT_EQ(reference->wait_for_exit(), 0);

  for (const int dpi : {120, 144, 192}) {
    SCOPED_TRACE("at " + std::to_string(dpi) + " dpi");
    const std::string name = "AT-" + std::to_string(dpi);
    auto program = copy(name);
    const XWindow window = start(*program, name, dpi);
    EXPECT_EQ(window.client_size(), (Point{px(10950, dpi), px(4035, dpi)}));
    EXPECT_NEAR(text_rows(window, dpi), text_at_96 * dpi / 96.0, 2.0);

    // The picture box at its twips size: the sunken rings at its edges, the picture inside.
    const ui::TwipsRect& box = ui::control(ControlId::THUMBS_UP_PIC_1).rect;
    const long left = px(box.left, dpi), top = px(box.top, dpi);
    const long right = px(box.left, dpi) + px(box.width, dpi) - 1;
    const long bottom = px(box.top, dpi) + px(box.height, dpi) - 1;
    const long border = std::lround(2 * dpi / 96.0);
    const Capture shot = window.capture();
    EXPECT_EQ(shot.at(left, top), (Rgb{138, 138, 138})) << "the dark ring at the top-left corner";
    EXPECT_EQ(shot.at(right, bottom), (Rgb{245, 245, 245})) << "the light ring at the bottom-right";
    EXPECT_NE(shot.at(left - 1, top), (Rgb{138, 138, 138})) << "the box starts where its twips say";
    EXPECT_EQ(shot.at(left + border - 1, top + border - 1), (Rgb{0, 0, 0})) << "the inner ring";
    const ui::RgbImage picture = ui::thumbs_up_picture();
    const auto pixel_of_picture = [&](int x, int y) {
      const unsigned char* p = picture.pixels + (y * picture.width + x) * picture.channels;
      return Rgb{p[0], p[1], p[2]};
    };
    EXPECT_EQ(shot.at(left + border, top + border), pixel_of_picture(0, 0));
    EXPECT_EQ(shot.at(right - border, bottom - border),
              pixel_of_picture(picture.width - 1, picture.height - 1));

    window.move_outer_to({200, 300}, true);
    ASSERT_TRUE(wait_until([&] { return window.outer_origin() == Point{200, 300}; }));
    window.close(true);
    ASSERT_EQ(program->wait_for_exit(), 0);
    EXPECT_EQ(program->setting(name, "MAIN_Left"), std::to_string(200 * 1440 / dpi));
    EXPECT_EQ(program->setting(name, "MAIN_Top"), std::to_string(300 * 1440 / dpi));
    const XWindow again = start(*program, name, dpi);
    EXPECT_TRUE(wait_until([&] { return again.outer_origin() == Point{200, 300}; }));
    again.close(true);
    EXPECT_EQ(program->wait_for_exit(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(UnderOpenbox, Density, ::testing::Values(Wm::Openbox), param_name);

}  // namespace
}  // namespace hv::e2e
