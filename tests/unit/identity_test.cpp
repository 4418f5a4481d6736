#include <gtest/gtest.h>

#include "app/identity.h"

namespace hv {
namespace {

TEST(ExecutableName, IsTheBaseNameWithoutItsLastExtension) {
  EXPECT_EQ(executable_name_from_path("/opt/hv/HV-TEST-PROCESS-V1"), "HV-TEST-PROCESS-V1");
  EXPECT_EQ(executable_name_from_path("./TEST7.EXE"), "TEST7");
  EXPECT_EQ(executable_name_from_path("C:\\Tools\\COPY-2.exe"), "COPY-2");
  EXPECT_EQ(executable_name_from_path("copy.v2.bin"), "copy.v2");
  EXPECT_EQ(executable_name_from_path(".hidden"), ".hidden");
  EXPECT_EQ(executable_name_from_path("тест.exe"), "тест");
  EXPECT_EQ(executable_name_from_path("plain"), "plain");
}

}  // namespace
}  // namespace hv
