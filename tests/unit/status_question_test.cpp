#include <gtest/gtest.h>

#include <string>

#include "platform/linux/status_question.h"

namespace hv::linux_backend::status_question {
namespace {

using namespace std::string_literals;

// A reply as dbus-daemon writes one: REPLY_SERIAL, DESTINATION, SIGNATURE and SENDER, then the body.
std::string reply(char type, std::uint32_t serial, const std::string& signature, const std::string& body) {
  std::string fields = "\x05\x01u\x00"s + std::string(reinterpret_cast<const char*>(&serial), 4);
  fields += "\x06\x01s\x00\x05\x00\x00\x00:1.42\x00"s;
  while (fields.size() % 8) fields.push_back('\0');
  fields += "\x08\x01g\x00"s + static_cast<char>(signature.size()) + signature + '\0';
  const auto u32 = [](std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  std::string message = "l"s + type + "\x01\x01"s + u32(static_cast<std::uint32_t>(body.size())) + u32(7) +
                        u32(static_cast<std::uint32_t>(fields.size())) + fields;
  while (message.size() % 8) message.push_back('\0');
  return message + body;
}

TEST(StatusQuestion, AsksWithoutStartingALauncherAndReadsTheAnswer) {
  const std::string asked = get_status(2, "IsEnabled");
  EXPECT_EQ(asked.substr(0, 4), "l\x01\x02\x01"s);  // a method call that starts no service
  ASSERT_EQ(message_length(asked), asked.size());
  for (const char* part : {"org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Get", "IsEnabled"}) {
    EXPECT_NE(asked.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(hello(1).substr(0, 4), "l\x01\x00\x01"s);
  EXPECT_EQ(authentication(1000), "\0AUTH EXTERNAL 31303030\r\n"s);
  EXPECT_TRUE(accepted("OK 1234deadbeef"));
  EXPECT_FALSE(accepted("REJECTED EXTERNAL"));

  const std::string on = reply('\x02', 2, "v", "\x01" "b\x00\x00\x01\x00\x00\x00"s);
  ASSERT_EQ(message_length(on), on.size());
  const auto yes = read_reply(on);
  ASSERT_TRUE(yes);
  EXPECT_EQ(yes->reply_serial, 2u);
  EXPECT_FALSE(yes->error);
  EXPECT_EQ(yes->value, true);
  EXPECT_EQ(read_reply(reply('\x02', 3, "v", "\x01" "b\x00\x00\x00\x00\x00\x00"s))->value, false);

  const auto refused = read_reply(reply('\x03', 2, "s", "\x04\x00\x00\x00nope\x00"s));
  ASSERT_TRUE(refused);
  EXPECT_TRUE(refused->error);
  EXPECT_FALSE(refused->value);
}

// Whatever comes back is only read within its own bytes, and nothing odd counts as a yes.
TEST(StatusQuestion, OddOrHostileBytesAreNoAnswer) {
  const std::string good = reply('\x02', 2, "v", "\x01" "b\x00\x00\x01\x00\x00\x00"s);
  for (std::size_t cut = 0; cut < good.size(); ++cut) EXPECT_FALSE(read_reply(good.substr(0, cut))) << cut;
  EXPECT_FALSE(message_length("B\x02\x01\x01\xff\xff\xff\xff\x00\x00\x00\x07\xff\xff\xff\xff"s));
  EXPECT_FALSE(message_length("x\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x07\x00\x00\x00\x00"s));
  EXPECT_FALSE(read_reply(reply('\x04', 2, "v", "\x01" "b\x00\x00\x01\x00\x00\x00"s)));  // a signal
  EXPECT_FALSE(read_reply(reply('\x02', 2, "v", "\x01" "b\x00\x00\x07\x00\x00\x00"s))->value);  // no boolean
  EXPECT_FALSE(read_reply(reply('\x02', 2, "v", "\x01" "s\x00\x00\x01\x00\x00\x00"s))->value);
  std::string lying = good;
  lying[good.find(":1.42") - 4] = '\x7f';  // a string longer than the message
  EXPECT_FALSE(read_reply(lying));
}

}  // namespace
}  // namespace hv::linux_backend::status_question
