#pragma once
// Syntax colouring of diff lines: one file's lines as lists of coloured
// tokens. The screens read only each token's text and foreground colour.

#include <cstdint>
#include <string>
#include <vector>

namespace highlight {

struct Rgba {
  std::uint8_t r = 0, g = 0, b = 0, a = 0xFF;
  friend bool operator==(const Rgba&, const Rgba&) = default;
};

enum FontStyle : std::uint8_t { kBold = 1, kUnderline = 2, kItalic = 4 };

struct Token {
  std::string text;
  Rgba foreground;
  Rgba background;
  std::uint8_t font_style = 0;  // FontStyle bits
  friend bool operator==(const Token&, const Token&) = default;
};

// One entry per input line, each the line's tokens left to right; their
// texts put together give the line.
struct HighlightedFile {
  std::vector<std::vector<Token>> lines;
  friend bool operator==(const HighlightedFile&, const HighlightedFile&) = default;
};

// One HighlightedFile per changed file of an open commit, at the same index.
struct HighlightCache {
  std::vector<HighlightedFile> files;
  friend bool operator==(const HighlightCache&, const HighlightCache&) = default;
};

}  // namespace highlight
