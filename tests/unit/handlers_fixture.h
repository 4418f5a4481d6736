#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "app/main_window_handlers.h"
#include "fake_platform.h"

namespace hv::testing {

class HandlersTest : public ::testing::Test {
 protected:
  HandlersTest() { form.bind(handlers); }

  // The entries of the log that start with prefix, in order.
  std::vector<std::string> calls_starting(std::string_view prefix) const {
    std::vector<std::string> out;
    std::copy_if(log.begin(), log.end(), std::back_inserter(out),
                 [&](const std::string& e) { return e.starts_with(prefix); });
    return out;
  }

  CallLog log;
  FakeForm form{log};
  FakeStore store{log};
  FakeProcess process;
  FakePlacement placement{log};
  TestProcessMain handlers{form, store, process, placement};
};

}  // namespace hv::testing
