#pragma once
// The laid-out details text as plain data, and the one layout the UI state
// keeps of it so that a frame, the status bar's counter and the search keys
// share a layout instead of each making its own. Data only: the screen makes
// the layout.

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
  std::size_t file = 0;                // its index among the details' files
  std::vector<std::size_t> line_rows;  // by diff line, counted through all hunks
  friend bool operator==(const FileSection&, const FileSection&) = default;
};

struct DetailsText {
  std::vector<tui::Line> lines;
  std::vector<FileSection> sections;
  friend bool operator==(const DetailsText&, const DetailsText&) = default;
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
// since are laid out again in place; anything else makes a new layout.
struct DetailsLayoutCache {
  DetailsLayoutKey key;
  std::shared_ptr<DetailsText> text;
  std::optional<std::vector<std::size_t>> match_lines;
};

}  // namespace state
