// libFuzzer target for the settings file's text and the number conversions: no crash, no sanitizer
// report, and setting one key changes the bytes of that one line only.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "settings/conversions.h"
#include "settings/ini_text.h"
#include "settings/section_name.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

bool one_line(const std::string& text) { return text.find_first_of(std::string("\r\n\0", 3)) == std::string::npos; }

void fuzz_conversions(const std::string& text) {
  if (const auto value = hv::text_to_single(text)) {
    check(std::isfinite(*value));
    for (char separator : {'.', ','}) {
      const std::string written = hv::single_to_text(*value, separator);
      const auto back = hv::text_to_single(written);
      check(back.has_value());
      check(std::fabs(*back - *value) <= std::fabs(*value) * 1e-6f);
    }
  }
  if (const auto tick = hv::text_to_int16(text)) check(hv::text_to_int16(hv::int16_to_text(*tick)) == tick);
}

// Everything outside one line stays: the old text less a part of one line is the new text less
// what was written there.
void check_local_edit(const std::string& before, const std::string& after) {
  std::size_t prefix = 0;
  while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
         before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix]) {
    ++suffix;
  }
  const std::string removed = before.substr(prefix, before.size() - prefix - suffix);
  check(removed.find('\n') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string section = input.ConsumeRandomLengthString(300);
  const std::string other_section = input.ConsumeRandomLengthString(64);
  static const char* const kKeys[] = {"MAIN_Left", "MAIN_Top", "MAIN_Width", "MAIN_Height",
                                      "AlwaysOnTop_TICKBOX"};
  const std::string key = kKeys[input.ConsumeIntegralInRange<int>(0, 4)];
  const std::string other_key = kKeys[input.ConsumeIntegralInRange<int>(0, 4)];
  const std::string value = input.ConsumeRandomLengthString(64);
  const std::string text = input.ConsumeRemainingBytesAsString();

  check(hv::decode_section_name(hv::encode_section_name(section)) == section);
  fuzz_conversions(value);
  const auto old_other = hv::ini_find_value(text, other_section, other_key);
  (void)hv::ini_find_value(text, section, key);

  std::string written;
  try {
    written = hv::ini_with_value(text, section, key, value);
  } catch (const std::invalid_argument&) {
    check(!one_line(value));
    return 0;
  }
  check(one_line(value));
  const auto read_back = hv::ini_find_value(written, section, key);
  check(read_back.has_value());
  check(*read_back == value);
  if (other_section != section) check(hv::ini_find_value(written, other_section, other_key) == old_other);
  check_local_edit(text, written);
  return 0;
}
