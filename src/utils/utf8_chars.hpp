#pragma once
// Walking UTF-8 text one character at a time. A byte that does not start a
// well-formed sequence counts as one character of its own, as the letter-case
// mapping treats it, so positions found in a lower-cased copy map back.

#include <cstddef>
#include <string_view>

namespace utils {

inline constexpr char32_t kNotUtf8 = 0xFFFFFFFF;

// The code point at byte i (kNotUtf8 for an ill-formed byte); `length` gets
// the number of bytes it takes, at least 1.
inline char32_t decode_utf8_at(std::string_view s, std::size_t i, std::size_t& length) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  length = 1;
  if (b0 < 0x80) return b0;
  std::size_t need;
  char32_t cp;
  char32_t min;
  if ((b0 & 0xE0) == 0xC0) {
    need = 1, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    need = 2, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    need = 3, cp = b0 & 0x07, min = 0x10000;
  } else {
    return kNotUtf8;
  }
  if (i + need >= s.size()) return kNotUtf8;
  for (std::size_t k = 1; k <= need; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return kNotUtf8;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kNotUtf8;
  length = need + 1;
  return cp;
}

inline std::size_t utf8_char_length(std::string_view s, std::size_t i) {
  std::size_t length;
  decode_utf8_at(s, i, length);
  return length;
}

inline std::size_t count_chars(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < s.size(); i += utf8_char_length(s, i)) ++n;
  return n;
}

}  // namespace utils
