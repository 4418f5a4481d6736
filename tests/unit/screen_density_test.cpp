#include <gtest/gtest.h>

#include "platform/linux/screen_density.h"

namespace hv::linux_backend {
namespace {

TEST(ScreenDensity, XftDpiIsReadFromTheResourcesWithoutTheLocale) {
  const std::pair<const char*, int> cases[] = {
      {nullptr, 96},
      {"", 96},
      {"Xft.dpi:\t192\n", 192},
      {"Xft.antialias:\t1\nXft.dpi:\t144\nXft.hinting:\t1\n", 144},
      {"  Xft.dpi : 120.4 ", 120},
      {"Xft.dpi:\t143.5", 144},
      {"Xft.dpi:\t192\nXft.dpi:\t120\n", 120},   // the later line wins
      {"Xft.dpi:\t96,5", 96},                    // a comma is no decimal separator here
      {"Xft.dpi:\tlarge", 96},
      {"Xft.dpi:\t0", 96},
      {"Xft.dpi:\t100000", 96},
      {"Xft.dpiX:\t200\nxft.dpi:\t200", 96},
  };
  for (const auto& [resources, dpi] : cases) {
    EXPECT_EQ(dpi_from_resources(resources), dpi) << (resources ? resources : "(none)");
  }
}

}  // namespace
}  // namespace hv::linux_backend
