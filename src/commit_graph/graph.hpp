#pragma once
// The lane layout of the commit graph: one row of cells per commit.

#include "commit_graph/oid.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
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

// A cell is stored as one byte: the layout only ever puts a cell in its own
// column's lane, so the glyph alone says whether it has a lane, and the
// column says which. A long log then costs a byte per cell instead of twelve.
using CellCode = std::uint8_t;

// The byte of a glyph; anything that is not one of the layout's glyphs is
// stored as a space.
CellCode cell_code(char32_t glyph);
// The cell a byte stands for in this column.
GraphCell decode_cell(CellCode code, std::size_t column);

// Walks the positions of what `Source` points at, each value made by `Read`
// as it is read (a cell from its byte, a row from its graph).
template <class Source, class Value, Value (*Read)(const Source*, std::size_t)>
class ReadingIterator {
 public:
  using iterator_category = std::input_iterator_tag;  // its values are made as they are read
  using iterator_concept = std::forward_iterator_tag;
  using value_type = Value;
  using difference_type = std::ptrdiff_t;
  using pointer = void;
  using reference = Value;

  ReadingIterator() = default;
  ReadingIterator(const Source* source, std::size_t at) : source_(source), at_(at) {}
  Value operator*() const { return Read(source_, at_); }
  ReadingIterator& operator++() { return ++at_, *this; }
  ReadingIterator operator++(int) { ReadingIterator old = *this; ++at_; return old; }
  friend bool operator==(const ReadingIterator& a, const ReadingIterator& b) { return a.at_ == b.at_; }

 private:
  const Source* source_ = nullptr;
  std::size_t at_ = 0;
};

inline GraphCell read_cell(const CellCode* codes, std::size_t column) { return decode_cell(codes[column], column); }

// One row, read in place from its graph: the cells of one commit, leftmost
// first. It points into the graph, which must outlive it.
class GraphRow {
 public:
  using iterator = ReadingIterator<CellCode, GraphCell, read_cell>;

  GraphRow() = default;
  explicit GraphRow(std::span<const CellCode> codes) : codes_(codes) {}

  std::size_t size() const { return codes_.size(); }
  bool empty() const { return codes_.empty(); }
  GraphCell operator[](std::size_t column) const { return decode_cell(codes_[column], column); }
  iterator begin() const { return {codes_.data(), 0}; }
  iterator end() const { return {codes_.data(), codes_.size()}; }
  std::span<const CellCode> codes() const { return codes_; }

  friend bool operator==(const GraphRow& a, const GraphRow& b) {
    return std::equal(a.codes_.begin(), a.codes_.end(), b.codes_.begin(), b.codes_.end());
  }

 private:
  std::span<const CellCode> codes_;
};

// Every row of one log in one buffer, a byte per cell.
class Graph {
  static GraphRow read_row(const Graph* graph, std::size_t row) { return (*graph)[row]; }

 public:
  using iterator = ReadingIterator<Graph, GraphRow, read_row>;

  Graph() = default;
  // Rows given cell by cell (hand-made graphs); a cell's lane is its column.
  explicit Graph(const std::vector<std::vector<GraphCell>>& rows);

  std::size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }
  GraphRow operator[](std::size_t row) const {
    const std::size_t start = row == 0 ? 0 : ends_[row - 1];
    return GraphRow(std::span<const CellCode>(codes_.data() + start, ends_[row] - start));
  }
  iterator begin() const { return {this, 0}; }
  iterator end() const { return {this, size()}; }
  // The number of cells of the widest row; 0 without rows.
  std::size_t widest() const { return widest_; }

  void reserve(std::size_t rows, std::size_t cells);
  void push_back(std::span<const CellCode> row);
  void push_back(const std::vector<GraphCell>& row);

  friend bool operator==(const Graph&, const Graph&) = default;

 private:
  std::vector<CellCode> codes_;
  std::vector<std::size_t> ends_;  // where each row's cells end in codes_
  std::size_t widest_ = 0;
};

// What the layout needs of one commit of the log: its id and its parents in
// order.
struct GraphNode {
  Oid id;
  std::span<const Oid> parents;
};

// Pure: the same commits always give the same rows, one per commit.
Graph build(const std::vector<GraphNode>& nodes);

// The rows of any list of records with an `id` and `parent_ids`.
template <class Commits>
Graph build_from(const Commits& commits) {
  std::vector<GraphNode> nodes;
  nodes.reserve(commits.size());
  for (const auto& c : commits) nodes.push_back({c.id, c.parent_ids});
  return build(nodes);
}

// The glyphs of a row with nothing between them.
std::string row_text(const GraphRow& row);

}  // namespace commit_graph
