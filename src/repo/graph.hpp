#pragma once
// The lane layout of the commit graph: one row of cells per commit.

#include "repo/commit.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace commit_graph {

struct GraphCell {
  char32_t glyph = U' ';
  std::optional<std::uint32_t> lane;  // selects the lane colour; absent for spaces and "─"
  friend bool operator==(const GraphCell&, const GraphCell&) = default;
};

using GraphRow = std::vector<GraphCell>;

// Pure: the same commits always give the same rows, one per commit.
std::vector<GraphRow> build(const std::vector<repo::Commit>& commits);

// The glyphs of a row with nothing between them.
std::string row_text(const GraphRow& row);

}  // namespace commit_graph
