#include "platform/linux/sd_bus_library.h"

#include <dlfcn.h>

namespace hv::linux_backend {

std::unique_ptr<SdBusLibrary> SdBusLibrary::load() {
  void* const handle = dlopen("libsystemd.so.0", RTLD_NOW | RTLD_LOCAL);
  if (!handle) return nullptr;
  std::unique_ptr<SdBusLibrary> library(new SdBusLibrary(handle));
  bool complete = true;
#define HV_SD_BUS_RESOLVE(name)                                                    \
  library->name = reinterpret_cast<decltype(&::name)>(dlsym(handle, #name));       \
  complete = complete && library->name != nullptr;
  HV_SD_BUS_FUNCTIONS(HV_SD_BUS_RESOLVE)
#undef HV_SD_BUS_RESOLVE
  if (!complete) return nullptr;
  return library;
}

SdBusLibrary::~SdBusLibrary() { dlclose(handle_); }

}  // namespace hv::linux_backend
