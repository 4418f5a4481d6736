// hv-settings: reads or writes one value of the per-copy settings through the store itself (its
// lock, temporary file and rename), so that tools such as hv-copies never edit the file while
// copies run.
//   hv-settings get SECTION KEY        prints the stored text; exit 1 when there is none
//   hv-settings set SECTION KEY VALUE

#include <cstdio>
#include <cstring>

#include "app/main_window_handlers.h"
#include "platform/linux/ini_file_store.h"

int main(int argc, char** argv) {
  using namespace hv::linux_backend;
  const bool get = argc == 4 && std::strcmp(argv[1], "get") == 0;
  const bool set = argc == 5 && std::strcmp(argv[1], "set") == 0;
  if (!get && !set) {
    std::fputs("usage: hv-settings get SECTION KEY | hv-settings set SECTION KEY VALUE\n", stderr);
    return 2;
  }
  try {
    IniFileStore store(config_home_from_environment());
    if (set) {
      store.SaveSetting(hv::kApplication, argv[2], argv[3], argv[4]);
      return 0;
    }
    const auto value = store.find(hv::kApplication, argv[2], argv[3]);
    if (!value) return 1;
    std::printf("%s\n", value->c_str());
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "hv-settings: %s\n", error.what());
    return 1;
  }
}
