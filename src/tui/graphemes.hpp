#pragma once
// Cutting text into terminal cells: graphemes, their display widths, and the filter that keeps
// control characters of content away from the terminal.
//
// The filter, applied to every code point before it can reach a cell: TAB and LF become a space;
// CR, the other C0 characters and DEL become their Control Pictures glyph (U+2400 + code, DEL
// U+2421); C1 characters, ill-formed UTF-8, and the characters that reorder text or draw nothing
// (bidirectional controls U+202A to U+202E, U+2066 to U+2069 and U+061C; U+200B to U+200F,
// U+2060 to U+2064 and U+FEFF) become U+FFFD. Each of these takes one cell. Callers
// keep their character and byte arithmetic on the original text; only what is drawn changes.

#include <cstddef>
#include <string>
#include <string_view>

namespace tui {

// The code point a content code point is drawn as.
char32_t screen_char(char32_t c);

// The whole text passed through the filter: for the window title, and for repository text that
// goes to standard output or standard error.
std::string sanitize(std::string_view text);

// Walks a text grapheme by grapheme, already filtered.
class GraphemeCursor {
 public:
  explicit GraphemeCursor(std::string_view text) : text_(text) {}

  // The next grapheme and its width in cells: 1 or 2, or 0 for marks that have no base of their
  // own (they belong to the cell before). False at the end of the text.
  bool next(std::string& symbol, int& width);

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// Cells the text takes when drawn.
std::size_t display_width(std::string_view text);

// Longest cell content kept: further marks stacked on one grapheme are dropped.
inline constexpr std::size_t MAX_SYMBOL_BYTES = 64;

}  // namespace tui
