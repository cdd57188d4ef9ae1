#include "utils/text.hpp"

#include <gtest/gtest.h>

namespace {

TEST(Utf8, LossyDecodingReplacesEachMaximalSubpart) {
  const std::string R = "\xEF\xBF\xBD";
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"plain", "plain"},
      {"caf\xC3\xA9", "caf\xC3\xA9"},
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},  // four bytes
      {"\xFF\xFF", R + R},
      {"\xE2\x82", R},                      // truncated three-byte sequence
      {"a\xE2\x82z", "a" + R + "z"},        // truncated in the middle
      {"\xC0\xAF", R + R},                  // overlong: neither byte can start a sequence
      {"\xED\xA0\x80", R + R + R},          // surrogate
      {"\xF4\x90\x80\x80", R + R + R + R},  // above U+10FFFF
      {"\xF0\x9F\x98", R},
      {"\x80", R},
      {"\xC3", R},
      {"\xE0\x80\x80", R + R + R},
  };
  for (const auto& [in, want] : cases) {
    SCOPED_TRACE(testing::PrintToString(in));
    EXPECT_EQ(utils::decode_lossy(in), want);
    EXPECT_EQ(utils::is_valid_utf8(in), in == want);
  }
}

TEST(Utf8, OrEmptyDropsInvalidText) {
  EXPECT_EQ(utils::utf8_or_empty("ok"), "ok");
  EXPECT_EQ(utils::utf8_or_empty("bad\xFF"), "");
  EXPECT_EQ(utils::utf8_or_empty(nullptr), "");
}

TEST(Utf8, EncodesCodePoints) {
  EXPECT_EQ(utils::utf8_encode(U'a'), "a");
  EXPECT_EQ(utils::utf8_encode(U'é'), "\xC3\xA9");
  EXPECT_EQ(utils::utf8_encode(U'●'), "\xE2\x97\x8F");
  EXPECT_EQ(utils::utf8_encode(U'😀'), "\xF0\x9F\x98\x80");
}

TEST(OsError, NamesTheErrorAndItsNumber) {
  EXPECT_EQ(utils::os_error_text(2), "No such file or directory (os error 2)");
}

}  // namespace

namespace {

TEST(Text, TrimsUnicodeSpaceAtTheEndOnly) {
  const std::pair<std::string, std::string> cases[] = {
      {"  a b \t\r", "  a b"}, {"a\u00a0\u3000", "a"}, {" \t ", ""}, {"", ""}, {"x\u00e9", "x\u00e9"},
  };
  for (const auto& [in, want] : cases) EXPECT_EQ(utils::trim_unicode_space_end(in), want) << in;
}

}  // namespace
