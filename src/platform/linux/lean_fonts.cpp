#include "platform/linux/lean_fonts.h"

#include <fontconfig/fontconfig.h>

namespace hv::linux_backend {
namespace {

// The system's font folders and caches, and the aliases this window relies on: "Arial" is the
// metric-compatible Liberation Sans where Arial itself is missing.
constexpr char kConfiguration[] = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts</dir>
  <dir>/usr/local/share/fonts</dir>
  <dir prefix="xdg">fonts</dir>
  <cachedir>/var/cache/fontconfig</cachedir>
  <cachedir prefix="xdg">fontconfig</cachedir>
  <alias binding="same">
    <family>Arial</family>
    <accept><family>Liberation Sans</family><family>Arimo</family></accept>
  </alias>
  <alias>
    <family>sans</family>
    <prefer><family>DejaVu Sans</family><family>Liberation Sans</family></prefer>
  </alias>
  <alias>
    <family>sans-serif</family>
    <prefer><family>DejaVu Sans</family><family>Liberation Sans</family></prefer>
  </alias>
</fontconfig>
)";

}  // namespace

void use_lean_font_configuration() {
  FcConfig* config = FcConfigCreate();
  if (!config) return;
  const bool loaded =
      FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kConfiguration),
                                     FcFalse) &&
      FcConfigBuildFonts(config);
  FcFontSet* fonts = loaded ? FcConfigGetFonts(config, FcSetSystem) : nullptr;
  if (!fonts || fonts->nfont == 0 || !FcConfigSetCurrent(config)) {
    FcConfigDestroy(config);
    return;
  }
  FcConfigDestroy(config);  // the library holds its own reference to the current configuration
}

}  // namespace hv::linux_backend
