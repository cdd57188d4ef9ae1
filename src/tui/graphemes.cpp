#include "tui/graphemes.hpp"

#include <utf8proc.h>

#include <algorithm>

namespace tui {

namespace {

char32_t decode_at(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  utf8proc_int32_t cp = 0;
  const utf8proc_ssize_t n = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(text.data() + pos),
                                              static_cast<utf8proc_ssize_t>(text.size() - pos), &cp);
  if (n <= 0) {
    ++pos;
    return 0xFFFD;
  }
  pos += static_cast<std::size_t>(n);
  return static_cast<char32_t>(cp);
}

void append(std::string& out, char32_t cp) {
  utf8proc_uint8_t bytes[4];
  const utf8proc_ssize_t n = utf8proc_encode_char(static_cast<utf8proc_int32_t>(cp), bytes);
  out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(n));
}

bool printable_ascii(unsigned char b) { return b >= 0x20 && b < 0x7F; }

// Characters that reorder or hide text: drawn as they are, they can make a row read as something
// it is not.
bool bidi_or_invisible(char32_t c) {
  return c == 0x061C || (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) ||
         (c >= 0x2060 && c <= 0x2064) || (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF;
}

}  // namespace

char32_t screen_char(char32_t c) {
  if (c == U'\t' || c == U'\n') return U' ';
  if (c < 0x20) return 0x2400 + c;
  if (c == 0x7F) return 0x2421;
  if (c >= 0x80 && c < 0xA0) return 0xFFFD;
  if (bidi_or_invisible(c)) return 0xFFFD;
  return c;
}

std::string sanitize(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const auto b = static_cast<unsigned char>(text[pos]);
    if (printable_ascii(b)) {
      out += static_cast<char>(b);
      ++pos;
      continue;
    }
    append(out, screen_char(decode_at(text, pos)));
  }
  return out;
}

bool GraphemeCursor::next(std::string& symbol, int& width) {
  if (pos_ >= text_.size()) return false;
  const auto b = static_cast<unsigned char>(text_[pos_]);
  // Printable ASCII followed by ASCII is a grapheme of its own.
  if (printable_ascii(b) &&
      (pos_ + 1 == text_.size() || static_cast<unsigned char>(text_[pos_ + 1]) < 0x80)) {
    symbol.assign(1, static_cast<char>(b));
    width = 1;
    ++pos_;
    return true;
  }
  std::size_t pos = pos_;
  const char32_t first = screen_char(decode_at(text_, pos));
  symbol.clear();
  append(symbol, first);
  utf8proc_int32_t state = 0;
  char32_t prev = first;
  while (pos < text_.size()) {
    std::size_t after = pos;
    const char32_t c = screen_char(decode_at(text_, after));
    if (utf8proc_grapheme_break_stateful(static_cast<utf8proc_int32_t>(prev),
                                         static_cast<utf8proc_int32_t>(c), &state)) {
      break;
    }
    if (symbol.size() + 4 <= MAX_SYMBOL_BYTES) append(symbol, c);
    prev = c;
    pos = after;
  }
  pos_ = pos;
  width = std::clamp(utf8proc_charwidth(static_cast<utf8proc_int32_t>(first)), 0, 2);
  return true;
}

std::size_t display_width(std::string_view text) {
  if (std::all_of(text.begin(), text.end(),
                  [](char c) { return printable_ascii(static_cast<unsigned char>(c)); })) {
    return text.size();
  }
  GraphemeCursor cursor(text);
  std::string symbol;
  int width = 0;
  std::size_t total = 0;
  while (cursor.next(symbol, width)) total += static_cast<std::size_t>(width);
  return total;
}

}  // namespace tui
