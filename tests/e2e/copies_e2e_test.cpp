#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <regex>

#include "e2e_fixture.h"

namespace hv::e2e {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string output;  // stdout and stderr together
};

class HvCopies : public ProgramTest {
 protected:
  Outcome run(const std::string& arguments, bool with_display = true) {
    const std::string command =
        (with_display ? "DISPLAY=" + session->name() : std::string("DISPLAY=")) +
        " XDG_CONFIG_HOME=" + (dir.path() / "config").string() + " HV_PROGRAM=" +
        program_under_test().string() + " " + HV_COPIES_SCRIPT + " " + arguments + " 2>&1";
    Outcome outcome;
    FILE* pipe = ::popen(command.c_str(), "r");
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) outcome.output += buffer;
    const int status = ::pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
  }
  static int lines(const std::string& text, const std::regex& pattern) {
    return static_cast<int>(std::distance(
        std::sregex_iterator(text.begin(), text.end(), pattern), std::sregex_iterator()));
  }
};

TEST_P(HvCopies, StartsListsAndPolitelyStopsNamedCopies) {
  const Outcome started = run("start 5 HVC " + (dir.path() / "copies").string());
  ASSERT_EQ(started.status, 0) << started.output;
  EXPECT_EQ(lines(started.output, std::regex("^HVC-[1-5] [0-9]+$", std::regex::multiline)), 5)
      << started.output;
  for (int i = 1; i <= 5; ++i) {
    const std::string title = title_for("HVC-" + std::to_string(i));
    ASSERT_TRUE(wait_until([&] { return find_window_by_title(session->display(), title).has_value(); }));
  }
  const Outcome listed = run("list HVC");
  EXPECT_EQ(lines(listed.output, std::regex("^HVC-[1-5] [0-9]+$", std::regex::multiline)), 5)
      << listed.output;

  const Outcome stopped = run("stop HVC");
  EXPECT_EQ(stopped.status, 0) << stopped.output;
  EXPECT_EQ(run("list HVC").output, "");
  ProgramCopy reader(*session, dir.path(), "reader");
  for (int i = 1; i <= 5; ++i) {
    EXPECT_TRUE(reader.setting("HVC-" + std::to_string(i), "MAIN_Left").has_value()) << i;
  }
}

TEST_P(HvCopies, SaysClearlyWhatIsWrong) {
  const Outcome no_display = run("start 2", false);
  EXPECT_EQ(no_display.status, 1);
  EXPECT_NE(no_display.output.find("no display"), std::string::npos) << no_display.output;
  const Outcome not_a_number = run("start many");
  EXPECT_EQ(not_a_number.status, 1);
  EXPECT_NE(not_a_number.output.find("N must be a whole number"), std::string::npos);
  const fs::path file = dir.path() / "a-file";
  std::ofstream(file) << "x";
  const Outcome bad_dir = run("start 1 HVC " + file.string());
  EXPECT_EQ(bad_dir.status, 1);
  EXPECT_NE(bad_dir.output.find(file.string()), std::string::npos) << bad_dir.output;
  EXPECT_EQ(run("frobnicate").status, 2);
}

INSTANTIATE_TEST_SUITE_P(UnderOpenbox, HvCopies, ::testing::Values(Wm::Openbox), param_name);

}  // namespace
}  // namespace hv::e2e
