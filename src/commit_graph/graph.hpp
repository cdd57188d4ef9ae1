#pragma once
// The lane layout of the commit graph: one row of cells per commit.

#include "commit_graph/oid.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace commit_graph {

struct GraphCell {
  char32_t glyph = U' ';
  std::optional<std::uint32_t> lane;  // selects the lane colour; absent for spaces and "─"
  friend bool operator==(const GraphCell&, const GraphCell&) = default;
};

using GraphRow = std::vector<GraphCell>;

// What the layout needs of one commit of the log: its id and its parents in
// order.
struct GraphNode {
  Oid id;
  std::span<const Oid> parents;
};

// Pure: the same commits always give the same rows, one per commit.
std::vector<GraphRow> build(const std::vector<GraphNode>& nodes);

// The rows of any list of records with an `id` and `parent_ids`.
template <class Commits>
std::vector<GraphRow> build_from(const Commits& commits) {
  std::vector<GraphNode> nodes;
  nodes.reserve(commits.size());
  for (const auto& c : commits) nodes.push_back({c.id, c.parent_ids});
  return build(nodes);
}

// The glyphs of a row with nothing between them.
std::string row_text(const GraphRow& row);

}  // namespace commit_graph
