#pragma once
// A screen drawn into memory, read back as text. Rows are read as
// tui::Buffer::row_text joins them (a wide character once, its second cell
// adding nothing); columns are cells. Every reader takes the row first, then
// the columns [x0, x1).

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "tui/buffer.hpp"

namespace testing_support {

inline std::string without_trailing_blanks(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

// The symbols of cells [x0, x1) of row y, blanks kept; columns outside the
// buffer give nothing.
inline std::string raw_cells(const tui::Buffer& buf, int y, int x0, int x1) {
  std::string out;
  for (int x = std::max(x0, int{buf.area().x}); x < std::min(x1, int{buf.area().right()}); ++x)
    out += buf.at(x, y).symbol;
  return out;
}

// The same, trailing blanks dropped.
inline std::string cells(const tui::Buffer& buf, int y, int x0, int x1) {
  return without_trailing_blanks(raw_cells(buf, y, x0, x1));
}

// Row y, trailing blanks dropped.
inline std::string trimmed_row(const tui::Buffer& buf, int y) {
  return without_trailing_blanks(buf.row_text(y));
}

// Every row, top first, as row_text gives it.
inline std::vector<std::string> rows(const tui::Buffer& buf) {
  std::vector<std::string> out;
  for (int y = buf.area().y; y < buf.area().bottom(); ++y) out.push_back(buf.row_text(y));
  return out;
}

// Every row, trailing blanks dropped.
inline std::vector<std::string> trimmed_rows(const tui::Buffer& buf) {
  std::vector<std::string> out;
  for (int y = buf.area().y; y < buf.area().bottom(); ++y) out.push_back(trimmed_row(buf, y));
  return out;
}

// The whole screen as text: every row, each ended by a line feed.
inline std::string screen_text(const tui::Buffer& buf) {
  std::string out;
  for (int y = buf.area().y; y < buf.area().bottom(); ++y) out += buf.row_text(y) + "\n";
  return out;
}

inline bool screen_has(const tui::Buffer& buf, std::string_view text) {
  for (int y = buf.area().y; y < buf.area().bottom(); ++y)
    if (buf.row_text(y).find(text) != std::string::npos) return true;
  return false;
}

// The first column of row y from which the row reads the text; -1 when none
// does.
inline int column_of(const tui::Buffer& buf, int y, std::string_view text) {
  const std::string line = buf.row_text(y);
  std::size_t offset = 0;  // where the symbol of column x starts in the row's text
  for (int x = buf.area().x; x < buf.area().right(); ++x) {
    if (std::string_view(line).substr(offset).starts_with(text)) return x;
    offset += buf.at(x, y).symbol.size();
  }
  return -1;
}

// Whether cells [x0, x1) of row y are untouched: blank and unstyled.
inline bool blank(const tui::Buffer& buf, int y, int x0, int x1) {
  for (int x = x0; x < x1; ++x)
    if (!(buf.at(x, y) == tui::Cell{})) return false;
  return true;
}

}  // namespace testing_support
