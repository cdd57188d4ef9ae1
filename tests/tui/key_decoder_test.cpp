#include "tui/key_decoder.hpp"

#include <gtest/gtest.h>

namespace {

using tui::KeyCode;
using tui::KeyEvent;
using tui::KeyModifiers;

constexpr auto NONE = KeyModifiers::NONE;
constexpr auto SHIFT = KeyModifiers::SHIFT;
constexpr auto CTRL = KeyModifiers::CONTROL;
constexpr auto ALT = KeyModifiers::ALT;

KeyEvent ch(char32_t c, KeyModifiers m = NONE) { return KeyEvent::character(c, m); }
KeyEvent k(KeyCode c, KeyModifiers m = NONE) { return KeyEvent::key(c, m); }
KeyEvent f(uint8_t n, KeyModifiers m = NONE) { return KeyEvent::function(n, m); }

// Decodes a whole byte string as if nothing more followed it.
std::vector<KeyEvent> decode_all(std::string_view bytes) {
  std::vector<KeyEvent> out;
  while (!bytes.empty()) {
    auto d = tui::decode_key(bytes, false);
    if (!d) d = tui::decode_key(bytes, true);
    EXPECT_GE(d->length, 1u);
    if (d->key) out.push_back(*d->key);
    bytes.remove_prefix(std::min(d->length, bytes.size()));
  }
  return out;
}

TEST(KeyDecoder, DecodesWhatTerminalsSend) {
  struct Case {
    std::string bytes;
    std::vector<KeyEvent> keys;
  };
  const Case cases[] = {
      {"a", {ch(U'a')}},
      {"G", {ch(U'G', SHIFT)}},
      {"/", {ch(U'/')}},
      {"é", {ch(U'é')}},
      {"漢", {ch(U'漢')}},
      {"😀", {ch(U'😀')}},
      {"jk", {ch(U'j'), ch(U'k')}},
      {"\r", {k(KeyCode::Enter)}},
      {"\t", {k(KeyCode::Tab)}},
      {"\x7f", {k(KeyCode::Backspace)}},
      {"\x08", {ch(U'h', CTRL)}},
      {"\n", {ch(U'j', CTRL)}},
      {"\x0b", {ch(U'k', CTRL)}},
      {"\x0c", {ch(U'l', CTRL)}},
      {"\x03", {ch(U'c', CTRL)}},
      {"\x04", {ch(U'd', CTRL)}},
      {"\x15", {ch(U'u', CTRL)}},
      {"\x01", {ch(U'a', CTRL)}},
      {"\x1a", {ch(U'z', CTRL)}},
      {std::string("\0", 1), {ch(U' ', CTRL)}},
      {"\x1c\x1f", {ch(U'4', CTRL), ch(U'7', CTRL)}},
      {"\x1b", {k(KeyCode::Esc)}},
      {"\x1b\x1b", {k(KeyCode::Esc), k(KeyCode::Esc)}},
      {"\x1b[A", {k(KeyCode::Up)}},
      {"\x1b[B", {k(KeyCode::Down)}},
      {"\x1b[C", {k(KeyCode::Right)}},
      {"\x1b[D", {k(KeyCode::Left)}},
      {"\x1b[H", {k(KeyCode::Home)}},
      {"\x1b[F", {k(KeyCode::End)}},
      {"\x1bOA", {k(KeyCode::Up)}},
      {"\x1bOH", {k(KeyCode::Home)}},
      {"\x1bOF", {k(KeyCode::End)}},
      {"\x1b[1~", {k(KeyCode::Home)}},
      {"\x1b[2~", {k(KeyCode::Insert)}},
      {"\x1b[3~", {k(KeyCode::Delete)}},
      {"\x1b[4~", {k(KeyCode::End)}},
      {"\x1b[5~", {k(KeyCode::PageUp)}},
      {"\x1b[6~", {k(KeyCode::PageDown)}},
      {"\x1b[7~\x1b[8~", {k(KeyCode::Home), k(KeyCode::End)}},
      {"\x1b[Z", {k(KeyCode::BackTab, SHIFT)}},
      {"\x1bOP\x1bOQ\x1bOR\x1bOS", {f(1), f(2), f(3), f(4)}},
      {"\x1b[11~\x1b[15~\x1b[17~\x1b[21~\x1b[23~\x1b[24~", {f(1), f(5), f(6), f(10), f(11), f(12)}},
      {"\x1b[[A\x1b[[E", {f(1), f(5)}},
      {"\x1b[1;5A", {k(KeyCode::Up, CTRL)}},
      {"\x1b[1;3C", {k(KeyCode::Right, ALT)}},
      {"\x1b[1;2P", {f(1, SHIFT)}},
      {"\x1b[3;5~", {k(KeyCode::Delete, CTRL)}},
      {"\x1b[1;7H", {k(KeyCode::Home, CTRL | ALT)}},
      {"\x1bx", {ch(U'x', ALT)}},
      {"\x1bJ", {ch(U'J', ALT | SHIFT)}},
      {"\x1b\x03", {ch(U'c', CTRL | ALT)}},
      {"\x1b\r", {k(KeyCode::Enter, ALT)}},
      {"\x1b\x7f", {k(KeyCode::Backspace, ALT)}},
      {"\x1bé", {ch(U'é', ALT)}},
      {"\x1b[", {ch(U'[', ALT)}},
      {"\x1bO", {ch(U'O', ALT | SHIFT)}},
      // What we never asked for is dropped whole, and what follows still counts.
      {"\x1b[200~x", {ch(U'x')}},
      {"\x1b[?1;2cq", {ch(U'q')}},
      {"\x1b[<0;3;4Mq", {ch(U'q')}},
      {"\x1b[99~q", {ch(U'q')}},
      {"\x1bOzq", {ch(U'q')}},
      {"\xff"
       "a",
       {ch(U'a')}},
      {"\xe6\xbc"
       "a",
       {ch(U'a')}},
      {"\xe6\xbc", {}},
      {"\x1b[1;5", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    EXPECT_EQ(decode_all(c.bytes), c.keys);
  }
}

TEST(KeyDecoder, WaitsForTheRestOfASequence) {
  const std::string_view prefixes[] = {"\x1b",   "\x1b[", "\x1b[1;",  "\x1b[1;5", "\x1bO",
                                       "\x1b[[", "\xe6",  "\xe6\xbc", "\x1b\xe6"};
  for (std::string_view p : prefixes) {
    SCOPED_TRACE(testing::PrintToString(std::string(p)));
    EXPECT_FALSE(tui::decode_key(p, false).has_value());
    ASSERT_TRUE(tui::decode_key(p, true).has_value());
  }
  // A sequence that never ends is given up on instead of waited for.
  const std::string noise = "\x1b[" + std::string(80, '1');
  const auto d = tui::decode_key(noise, false);
  ASSERT_TRUE(d.has_value());
  EXPECT_FALSE(d->key.has_value());
  EXPECT_EQ(d->length, noise.size());
  // A complete key is not held back by what follows it.
  const auto up = tui::decode_key("\x1b[Aj", false);
  ASSERT_TRUE(up.has_value());
  EXPECT_EQ(up->key, k(KeyCode::Up));
  EXPECT_EQ(up->length, 3u);
}

}  // namespace

namespace {

TEST(KeyDecoder, APasteStartsAPastedBlockNotAKey) {
  const auto start = tui::decode_key("\x1b[200~b\rd", false);
  ASSERT_TRUE(start.has_value());
  EXPECT_TRUE(start->paste);
  EXPECT_FALSE(start->key.has_value());
  EXPECT_EQ(start->length, tui::PASTE_START.size());
  EXPECT_FALSE(tui::decode_key("\x1b[200", false).has_value()) << "may still become a paste";
  const auto other = tui::decode_key("\x1b[201~", false);
  ASSERT_TRUE(other.has_value());
  EXPECT_FALSE(other->paste) << "an end marker outside a paste is only dropped";
}

TEST(KeyDecoder, ScansAPasteToItsEndMarker) {
  struct Case {
    std::string bytes;
    std::size_t length;
    bool ended;
    std::size_t text_length;
  };
  const Case cases[] = {
      {"", 0, false, 0},
      {"two\nlines", 9, false, 9},
      {"text\x1b[201~jk", 10, true, 4},
      {"\x1b[201~", 6, true, 0},
      {"text\x1b[20", 4, false, 4},  // the end marker may be arriving
      {"text\x1b", 4, false, 4},
      {"text\x1b[A", 7, false, 7},  // a sequence inside the paste is pasted text
      {"\x1b[2\x1b[201~", 9, true, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    const tui::PasteScan scan = tui::scan_paste(c.bytes);
    EXPECT_EQ(scan.length, c.length);
    EXPECT_EQ(scan.ended, c.ended);
    EXPECT_EQ(scan.text_length, c.text_length);
  }
}

}  // namespace
