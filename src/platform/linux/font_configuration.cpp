#include "platform/linux/font_configuration.h"

#include <set>
#include <string>
#include <string_view>

namespace hv::linux_backend {
namespace {

// Where fonts and their caches are (Debian keeps the caches in /var/cache, Fedora in /usr/lib).
constexpr std::string_view kFolders = R"(
  <dir>/usr/share/fonts</dir>
  <dir>/usr/local/share/fonts</dir>
  <dir prefix="xdg">fonts</dir>)";

// The faces the window is drawn with, both the package's dependencies: "Arial" is the
// metric-compatible Liberation Sans (or Arimo, its twin), the toolkit's sans serif DejaVu Sans.
// Xft gives every font it opens a table as large as the font's whole repertoire: for DejaVu Sans,
// which draws the toolkit's Latin labels, some 5,700 characters and 50 KB in each copy. It is
// taken for Latin, Greek and Cyrillic only; names in other scripts are drawn from the fonts that
// have them (fallback_text.cpp).
constexpr std::string_view kRules = R"(
  <cachedir>/var/cache/fontconfig</cachedir>
  <cachedir>/usr/lib/fontconfig/cache</cachedir>
  <cachedir prefix="xdg">fontconfig</cachedir>
  <match target="pattern">
    <test name="family"><string>Arial</string></test>
    <edit name="family" mode="prepend" binding="strong"><string>Liberation Sans</string><string>Arimo</string></edit>
  </match>
  <match target="pattern">
    <test name="family"><string>sans</string></test>
    <edit name="family" mode="prepend" binding="strong"><string>DejaVu Sans</string><string>Liberation Sans</string></edit>
  </match>
  <match target="pattern">
    <test name="family"><string>sans-serif</string></test>
    <edit name="family" mode="prepend" binding="strong"><string>DejaVu Sans</string><string>Liberation Sans</string></edit>
  </match>
  <match target="font">
    <test name="family"><string>DejaVu Sans</string></test>
    <edit name="charset" mode="assign">
      <charset><range><int>32</int><int>126</int></range><range><int>160</int><int>591</int></range><range><int>880</int><int>1327</int></range></charset>
    </edit>
  </match>)";

constexpr const char* kFaces[] = {"Liberation Sans", "Arimo", "DejaVu Sans"};

FcConfig* g_every_font = nullptr;

FcConfig* configuration(std::string_view body) {
  const std::string text = std::string("<?xml version=\"1.0\"?>\n<fontconfig>") + std::string(body) + "\n</fontconfig>\n";
  FcConfig* config = FcConfigCreate();
  if (config && !FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(text.c_str()), FcFalse)) {
    FcConfigDestroy(config);
    return nullptr;
  }
  return config;
}

// The folders that hold the window's faces, among every font.
std::set<std::string> folders_of_the_faces(FcConfig* every) {
  std::set<std::string> folders;
  const FcFontSet* fonts = FcConfigGetFonts(every, FcSetSystem);
  for (int i = 0; fonts && i < fonts->nfont; ++i) {
    FcChar8 *family = nullptr, *file = nullptr;
    if (FcPatternGetString(fonts->fonts[i], FC_FAMILY, 0, &family) != FcResultMatch ||
        FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) != FcResultMatch) {
      continue;
    }
    for (const char* face : kFaces) {
      if (std::string_view(reinterpret_cast<const char*>(family)) == face) {
        const std::string path(reinterpret_cast<const char*>(file));
        folders.insert(path.substr(0, path.find_last_of('/')));
      }
    }
  }
  return folders;
}

}  // namespace

// Every font, from the system's folders and caches; null where they hold none.
FcConfig* every_font() {
  FcConfig* every = configuration(std::string(kFolders) + std::string(kRules));
  if (every && FcConfigBuildFonts(every) && FcConfigGetFonts(every, FcSetSystem)->nfont > 0) return every;
  if (every) FcConfigDestroy(every);
  return nullptr;
}

// Every font is read once, to find the faces' folders, and let go: a copy needs it again only for a
// name in a script its faces lack.
void use_program_font_configuration() {
  FcConfig* every = every_font();
  if (!every) return;
  FcConfig* faces = configuration(kRules);
  bool found = false;
  for (const std::string& folder : folders_of_the_faces(every)) {
    found = (faces && FcConfigAppFontAddDir(faces, reinterpret_cast<const FcChar8*>(folder.c_str()))) || found;
  }
  FcConfigSetCurrent(found ? faces : every);
  if (faces) FcConfigDestroy(faces);  // the library holds its own reference to the current configuration
  if (found) {
    FcConfigDestroy(every);
  } else {
    g_every_font = every;
  }
}

FcConfig* every_font_configuration() {
  if (!g_every_font) g_every_font = every_font();
  return g_every_font;
}

}  // namespace hv::linux_backend
