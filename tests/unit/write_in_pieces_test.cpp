// Text written to an output that takes part of a write or refuses a large one: a console with a
// 64 KB buffer, a pipe that takes what fits.

#include <gtest/gtest.h>

#include <string>

#include "platform/write_in_pieces.h"

namespace hv {
namespace {

// A console that refuses any write over its buffer and takes at most `takes` units of one it
// accepts; what it took, in order, and every piece it was offered.
struct Console {
  std::size_t buffer, takes;
  std::u16string shown;
  std::vector<std::u16string> offered;
  bool write(const char16_t* text, std::size_t count, std::size_t& written) {
    offered.emplace_back(text, count);
    if (count > buffer) return false;
    written = count < takes ? count : takes;
    shown.append(text, written);
    return true;
  }
};

// 100,000 characters of a `list` in three scripts, with characters outside the basic plane (two
// units each) where pieces end.
std::u16string long_listing() {
  std::u16string text;
  for (int line = 0; text.size() < 100000; ++line) {
    text += u"HV-" + std::u16string(line % 7 + 1, u'测') + u"-进程 \U0001F600\U0001F600 Ωμέγα 12345\r\n";
  }
  return text;
}

TEST(WriteInPieces, AListingLargerThanTheConsolesBufferReachesItInFullAndWhole) {
  const std::u16string text = long_listing();
  ASSERT_GT(text.size(), 100000u);
  for (const auto& [buffer, takes] : {std::pair<std::size_t, std::size_t>{32767, 32767}, {32767, 1000}, {5000, 3}, {2, 2}}) {
    SCOPED_TRACE("a buffer of " + std::to_string(buffer) + " units taking " + std::to_string(takes));
    Console console{buffer, takes, {}, {}};
    ASSERT_TRUE(write_in_pieces(text.data(), text.size(), [&](const char16_t* piece, std::size_t count, std::size_t& written) {
      return console.write(piece, count, written);
    }));
    EXPECT_TRUE(console.shown == text) << "lost or reordered text";
    for (const std::u16string& piece : console.offered) {
      if (piece.size() > 1) {
        EXPECT_FALSE(piece.back() >= 0xD800 && piece.back() <= 0xDBFF) << "a pair split";
      }
    }
  }
}

TEST(WriteInPieces, AnOutputThatTakesNothingIsAFailureNotALoop) {
  const std::string text(70000, 'x');
  int calls = 0;
  EXPECT_FALSE(write_in_pieces(text.data(), text.size(), [&](const char*, std::size_t, std::size_t& written) {
    ++calls, written = 0;
    return true;
  }));
  EXPECT_LT(calls, 20);
  EXPECT_FALSE(write_in_pieces(text.data(), text.size(), [](const char*, std::size_t, std::size_t&) { return false; }));
}

}  // namespace
}  // namespace hv
