#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "../unit/temp_dir.h"
#include "x_session.h"

namespace hv::e2e {

inline std::string title_for(const std::string& name) {
  return "HALVERD - TEST PROCESS - " + name + ".exe";
}

// The EXIT button's centre on the screen, from the window's client origin.
inline Point exit_button(const XWindow& window) {
  const Point origin = window.client_origin();
  return {origin.x + 272 + 185 / 2, origin.y + 224 + 33 / 2};
}

// One private X server per test, with the window manager the test names.
class ProgramTest : public ::testing::TestWithParam<Wm> {
 protected:
  void SetUp() override { session = std::make_unique<XSession>(GetParam()); }

  bool has_wm() const { return GetParam() != Wm::Bare; }
  std::unique_ptr<ProgramCopy> copy(const std::string& file_name,
                                    ProgramCopy::Link link = ProgramCopy::Link::HardLink) {
    return std::make_unique<ProgramCopy>(*session, dir.path(), file_name, link);
  }

  hv::testing::TempDir dir;
  std::unique_ptr<XSession> session;
};

inline std::string param_name(const ::testing::TestParamInfo<Wm>& info) {
  return wm_name(info.param);
}

}  // namespace hv::e2e
