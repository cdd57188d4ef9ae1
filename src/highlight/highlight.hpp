#pragma once
// Syntax colouring of diff lines: one file's lines as lists of coloured
// tokens. The screens read only each token's text and foreground colour.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "repo/diff.hpp"

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

// Where a run of lines stopped, so that it can go on from there.
struct RunState;

// One entry per input line, each the line's tokens left to right; their
// texts put together give the line. A file coloured only as far as it has
// been read holds entries for its first lines only.
struct HighlightedFile {
  std::vector<std::vector<Token>> lines;
  // Set by continue_hunks. It follows from the lines coloured, so it takes
  // no part in comparisons.
  std::shared_ptr<const RunState> stopped;
  friend bool operator==(const HighlightedFile& a, const HighlightedFile& b) { return a.lines == b.lines; }
};

// One HighlightedFile per changed file of an open commit, at the same index.
struct HighlightCache {
  std::vector<HighlightedFile> files;
  friend bool operator==(const HighlightCache&, const HighlightCache&) = default;
};

// The (ours, theirs) colouring of one conflict section.
using ConflictHighlight = std::pair<HighlightedFile, HighlightedFile>;

// What names a file's syntax: the text after the path's last '.', the whole
// path when it has none, the empty text when it ends in '.'. Directory parts
// stay, so "docs.d/README" gives "d/README".
std::string file_extension(std::string_view path);

// Process-wide set-up of the highlighting library: no syntax or theme file
// from the user's data directories, none of its warnings on the screen, and
// the built-in definitions loaded once, never to change. Call it on the main
// thread before any other thread starts; the first Highlighter does it too
// when it has not been done.
void prepare_process();

// Colours lines with the built-in syntax definitions and our theme. Made for
// one request and dropped after it; nothing of a request carries over to the
// next. Main thread only.
class Highlighter {
 public:
  Highlighter();
  ~Highlighter();
  Highlighter(const Highlighter&) = delete;
  Highlighter& operator=(const Highlighter&) = delete;

  // One entry per line; one highlighting state runs through all lines of
  // the call and no further.
  HighlightedFile highlight_lines(const std::vector<std::string>& lines, std::string_view extension) const;
  // Every line of every hunk, in order, as one run of text.
  HighlightedFile highlight_hunks(const std::vector<repo::Hunk>& hunks, std::string_view path) const;
  // One entry per changed file, empty for a file without hunks.
  HighlightCache highlight_commit(const repo::CommitDetails& details) const;
  // Colours further lines of the hunks of a file that `file` holds the first
  // lines of, until it holds `count` of them (or all there are), the run
  // going on from where it stopped: the lines come out as highlight_hunks
  // gives them.
  void continue_hunks(const std::vector<repo::Hunk>& hunks, std::string_view path, std::size_t count,
                      HighlightedFile& file) const;
  // Each side of each section on its own, from a fresh state.
  std::vector<ConflictHighlight> highlight_conflicts(const std::vector<repo::ConflictSection>& sections,
                                                     std::string_view path) const;

  // The name of the syntax the extension selects; empty for plain text.
  std::string syntax_name(std::string_view extension) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace highlight
