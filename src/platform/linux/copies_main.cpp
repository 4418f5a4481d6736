// hv-copies on Linux: starts, lists and politely stops named copies of the program.

#include <iostream>

#include "copies/copies_tool.h"
#include "platform/linux/linux_copies_system.h"

int main(int argc, char** argv) {
  try {
    hv::linux_backend::LinuxCopiesSystem system;
    return hv::copies::run_copies_tool({argv + 1, argv + argc}, system, std::cout, std::cerr);
  } catch (const std::exception& error) {  // no settings folder to be found
    std::cerr << "hv-copies: " << error.what() << '\n';
    return 1;
  }
}
