#pragma once
// Editing the one-line text of a prompt.

#include <string>

#include "utils/text.hpp"
#include "utils/utf8_chars.hpp"

namespace action {

inline void append_char(std::string& text, char32_t c) { utils::append_utf8(text, c); }

// Removes the last character. A byte that is not part of a well-formed
// sequence goes on its own, so text that is not UTF-8 still shrinks.
inline void remove_last_char(std::string& text) {
  if (text.empty()) return;
  std::size_t start = text.size() - 1;
  const std::size_t floor = text.size() >= 4 ? text.size() - 4 : 0;
  while (start > floor && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
  std::size_t length = 0;
  utils::decode_utf8_at(text, start, length);
  if (start + length != text.size()) start = text.size() - 1;
  text.erase(start);
}

}  // namespace action
