// The keeper's placement requests against windows that are gone, on a real X server.

#include "e2e_fixture.h"
#include "platform/linux/x11_placement.h"
#include "platform/linux/x11_session.h"

namespace hv::e2e {
namespace {

int g_reported_errors = 0;
int count_error(Display*, XErrorEvent*) { return ++g_reported_errors, 0; }

using PlacementFaults = ProgramTest;

TEST_P(PlacementFaults, AWindowVanishingBetweenTheTwoStepsIsNoErrorAThousandTimes) {
  Display* display = session->display();
  XSetErrorHandler(count_error);  // stands for the toolkit's handler, which prints every error
  g_reported_errors = 0;
  const linux_backend::X11Session x11(display);
  linux_backend::X11Placement placement(x11);
  for (int i = 0; i < 1000; ++i) {
    const Window gone = XCreateSimpleWindow(display, session->root(), 0, 0, 10, 10, 0, 0, 0);
    XDestroyWindow(display, gone);
    placement.SetWindowPos(gone, kHwndNoTopmost, 0, 0, 0, 0, kSwpNoSize | kSwpNoMove);
    placement.SetWindowPos(gone, kHwndTopmost, 0, 0, 0, 0, kSwpNoSize | kSwpNoMove);
  }
  XSync(display, False);
  EXPECT_EQ(g_reported_errors, 0);
  // With no window in front the keeper passes the null handle: it fails and sends nothing.
  const unsigned long sent = NextRequest(display);
  EXPECT_FALSE(placement.SetWindowPos(kNoWindow, kHwndNoTopmost, 0, 0, 0, 0, kSwpNoSize | kSwpNoMove));
  EXPECT_EQ(NextRequest(display), sent);
  // Outside the keeper's requests, errors are still the toolkit's to report.
  XRaiseWindow(display, 0x7ffffff0);
  XSync(display, False);
  EXPECT_EQ(g_reported_errors, 1);
}

INSTANTIATE_TEST_SUITE_P(WithoutAndWithWindowManager, PlacementFaults,
                         ::testing::Values(Wm::Bare, Wm::Openbox), param_name);

}  // namespace
}  // namespace hv::e2e
