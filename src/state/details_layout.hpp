#pragma once
// The laid-out details text as plain data, and the one layout the UI state
// keeps of it so that a frame, the status bar's counter and the search keys
// share a layout instead of each making its own. Data only: the screen makes
// the layout.
//
// The layout the state keeps holds the rows of the header and the file tree,
// and for the diffs only where each diff line's rows start: a commit of
// millions of lines would otherwise hold a styled row of owned texts for
// each of them. The screen makes a diff row from the details when it is
// drawn or searched.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "commit_graph/oid.hpp"
#include "tui/text.hpp"

namespace state {

// Where a file's block starts in the details text: the index of its header
// line; and where the rows of each of its diff lines start, so that a line
// coloured later can be laid out again in its place.
struct FileSection {
  std::string path;
  std::size_t start_line = 0;
  std::size_t file = 0;                  // its index among the details' files
  std::vector<std::size_t> line_rows;    // by diff line, counted through all hunks
  std::vector<std::size_t> hunk_starts;  // by hunk, the index of its first diff line
  std::size_t gutter = 0;                // the width of the line numbers
  friend bool operator==(const FileSection&, const FileSection&) = default;
};

struct DetailsText {
  std::vector<tui::Line> lines;
  std::vector<FileSection> sections;
  friend bool operator==(const DetailsText&, const DetailsText&) = default;
};

// The details text with only its header and file tree as rows; the rows of
// the file blocks are made when asked for (render::details_row). A block:
// its path, the rows of its diff lines with an empty row between two hunks,
// an empty row.
struct DetailsLayout {
  std::vector<tui::Line> head;
  std::vector<FileSection> sections;
  std::size_t rows = 0;
  std::string query;
  std::string folded_query;  // as the search compares it, empty for no search
  std::uint16_t width = 0;
  friend bool operator==(const DetailsLayout&, const DetailsLayout&) = default;
};

// Everything a layout depends on. A commit's details never change, so its
// id stands for them; the shape of the details is kept as well, so details
// made by hand under one id cannot share a layout. A file's colours are
// those of its first lines, as far as they have been coloured, so how many
// lines of each file are coloured stands for the highlighting.
struct DetailsLayoutKey {
  commit_graph::Oid commit;
  std::uint64_t shape = 0;
  bool highlighted = false;
  std::vector<std::size_t> coloured;  // lines coloured, by file; empty when not highlighted
  std::string query;
  std::uint16_t width = 0;
  friend bool operator==(const DetailsLayoutKey&, const DetailsLayoutKey&) = default;
};

// The last layout made, with its match lines once asked for. Lines coloured
// since keep it, as colours never change the rows a line takes; anything
// else makes a new layout.
struct DetailsLayoutCache {
  DetailsLayoutKey key;
  std::shared_ptr<DetailsLayout> text;
  std::optional<std::vector<std::size_t>> match_lines;
};

}  // namespace state
