#include "commit_graph/graph.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>

#include "utils/text.hpp"

namespace commit_graph {
namespace {

constexpr std::size_t kNowhere = std::numeric_limits<std::size_t>::max();

// The glyph of every cell code; the codes from kFirstWithLane on have a lane.
constexpr char32_t kGlyphs[] = {U' ', U'─', U'●', U'│', U'├', U'┤', U'┼', U'╭', U'╮', U'╯', U'╰'};
constexpr CellCode kSpace = 0, kHorizontal = 1, kNode = 2, kVertical = 3, kTeeRight = 4, kTeeLeft = 5,
                   kCross = 6, kDownRight = 7, kDownLeft = 8, kUpLeft = 9, kUpRight = 10;
constexpr CellCode kFirstWithLane = kNode;
constexpr CellCode kCodes = std::size(kGlyphs);

// One column. Besides the id it waits for, a lane keeps the list position
// of that commit and of the commit's first parent, found once when the lane
// is filled: the matching and closing tests of every row then compare
// positions instead of looking ids up again.
struct Lane {
  std::optional<Oid> id;
  std::size_t waits = kNowhere;   // first position of `id` in the list
  std::size_t closes = kNowhere;  // first position of that commit's first parent
};

using Lanes = std::vector<Lane>;

bool contains(const std::vector<std::size_t>& list, std::size_t i) {
  return std::find(list.begin(), list.end(), i) != list.end();
}

// The first list position of every id: an open-addressing table of
// positions (linear probing, at most half full), one allocation for the
// whole log instead of one node per commit.
class Positions {
 public:
  explicit Positions(const std::vector<GraphNode>& commits) : commits_(commits) {
    std::size_t size = 16;
    while (size < 2 * commits.size()) size *= 2;
    slots_.assign(size, kNowhere);
    mask_ = size - 1;
    for (std::size_t i = 0; i < commits.size(); ++i) {
      std::size_t s = slot_of(commits[i].id);
      while (slots_[s] != kNowhere && commits_[slots_[s]].id != commits[i].id) s = (s + 1) & mask_;
      if (slots_[s] == kNowhere) slots_[s] = i;
    }
  }

  std::size_t first(const Oid& id) const {
    for (std::size_t s = slot_of(id);; s = (s + 1) & mask_) {
      const std::size_t pos = slots_[s];
      if (pos == kNowhere || commits_[pos].id == id) return pos;
    }
  }

  Lane lane(const Oid& id) const {
    Lane lane{id, first(id), kNowhere};
    if (lane.waits != kNowhere) {
      const auto& parents = commits_[lane.waits].parents;
      if (!parents.empty()) lane.closes = first(parents.front());
    }
    return lane;
  }

 private:
  // Mixes all twenty bytes, so ids that differ late still spread out.
  std::size_t slot_of(const Oid& id) const {
    std::uint64_t a, b;
    std::uint32_t c;
    std::memcpy(&a, id.bytes.data(), 8);
    std::memcpy(&b, id.bytes.data() + 8, 8);
    std::memcpy(&c, id.bytes.data() + 16, 4);
    std::uint64_t h = a ^ std::rotl(b, 29) ^ (std::uint64_t{c} << 17);
    h *= 0x9E3779B97F4A7C15ull;
    h ^= h >> 32;
    return static_cast<std::size_t>(h) & mask_;
  }

  const std::vector<GraphNode>& commits_;
  std::vector<std::size_t> slots_;
  std::size_t mask_ = 0;
};

bool is_empty(const Lane& lane) { return !lane.id.has_value(); }

}  // namespace

CellCode cell_code(char32_t glyph) {
  for (CellCode code = 0; code < kCodes; ++code)
    if (kGlyphs[code] == glyph) return code;
  return kSpace;
}

GraphCell decode_cell(CellCode code, std::size_t column) {
  if (code >= kCodes) code = kSpace;
  if (code < kFirstWithLane) return {kGlyphs[code], std::nullopt};
  return {kGlyphs[code], static_cast<std::uint32_t>(column)};
}

Graph::Graph(const std::vector<std::vector<GraphCell>>& rows) {
  for (const auto& row : rows) push_back(row);
}

void Graph::reserve(std::size_t rows, std::size_t cells) {
  ends_.reserve(rows);
  codes_.reserve(cells);
}

void Graph::push_back(std::span<const CellCode> row) {
  codes_.insert(codes_.end(), row.begin(), row.end());
  ends_.push_back(codes_.size());
  widest_ = std::max(widest_, row.size());
}

void Graph::push_back(const std::vector<GraphCell>& row) {
  std::vector<CellCode> codes;
  codes.reserve(row.size());
  for (const GraphCell& cell : row) codes.push_back(cell_code(cell.glyph));
  push_back(codes);
}

Graph build(const std::vector<GraphNode>& commits) {
  Graph rows;
  rows.reserve(commits.size(), commits.size() * 4);
  const Positions positions(commits);

  Lanes lanes;
  std::vector<CellCode> row;
  std::vector<std::size_t> matching, merging, closing, opening, joining;
  for (const GraphNode& c : commits) {
    matching.clear(), merging.clear(), closing.clear(), opening.clear(), joining.clear();
    // Every id of the list has a position, so two ids are equal exactly
    // when their first positions are.
    const std::size_t here = positions.first(c.id);

    for (std::size_t i = 0; i < lanes.size(); ++i)
      if (lanes[i].waits == here) matching.push_back(i);

    std::size_t col;
    if (!matching.empty()) {
      col = matching.front();
    } else {
      auto empty = std::find_if(lanes.begin(), lanes.end(), is_empty);
      if (empty != lanes.end()) {
        col = static_cast<std::size_t>(empty - lanes.begin());
        *empty = positions.lane(c.id);
      } else {
        col = lanes.size();
        lanes.push_back(positions.lane(c.id));
      }
    }
    merging.assign(matching.begin() + (matching.empty() ? 0 : 1), matching.end());

    for (std::size_t i = 0; i < lanes.size(); ++i) {
      if (i == col || is_empty(lanes[i]) || lanes[i].closes != here || contains(merging, i)) continue;
      closing.push_back(i);
    }
    closing.insert(closing.end(), merging.begin(), merging.end());

    // Only merges need the working copy; most rows skip the allocation.
    std::vector<std::optional<Oid>> working;
    if (c.parents.size() > 1) {
      working.reserve(lanes.size() + c.parents.size());
      for (const Lane& lane : lanes) working.push_back(lane.id);
    }
    std::vector<std::pair<std::size_t, Oid>> opened;
    for (std::size_t p = 1; p < c.parents.size(); ++p) {
      const Oid& parent = c.parents[p];
      std::optional<std::size_t> held;
      for (std::size_t j = 0; j < working.size(); ++j)
        if (j != col && working[j] == parent) {
          held = j;
          break;
        }
      if (held) {
        joining.push_back(*held);
        continue;
      }
      auto empty = std::find(working.begin(), working.end(), std::nullopt);
      std::size_t j;
      if (empty != working.end()) {
        j = static_cast<std::size_t>(empty - working.begin());
        *empty = parent;
      } else {
        j = working.size();
        working.push_back(parent);
      }
      opening.push_back(j);
      opened.emplace_back(j, parent);
    }

    const std::size_t occupied_len = lanes.size();
    const std::size_t width = std::max(lanes.size(), working.size());
    std::size_t lo = col, hi = col;
    for (const auto* list : {&closing, &opening, &joining})
      for (std::size_t i : *list) lo = std::min(lo, i), hi = std::max(hi, i);

    row.clear();
    for (std::size_t i = 0; i < width; ++i) {
      const bool occupied = i < occupied_len && !is_empty(lanes[i]);
      const bool inside = lo < i && i < hi;
      if (i == col)
        row.push_back(kNode);
      else if (contains(closing, i))
        row.push_back(i < col ? kUpRight : kUpLeft);
      else if (contains(opening, i))
        row.push_back(i < col ? kDownRight : kDownLeft);
      else if (contains(joining, i))
        row.push_back(i < col ? kTeeRight : kTeeLeft);
      else if (inside && occupied)
        row.push_back(kCross);
      else if (inside)
        row.push_back(kHorizontal);
      else if (occupied)
        row.push_back(kVertical);
      else
        row.push_back(kSpace);
    }
    rows.push_back(std::span<const CellCode>(row));

    for (std::size_t i : merging) lanes[i] = Lane{};
    if (c.parents.empty())
      lanes[col] = Lane{};
    else
      lanes[col] = positions.lane(c.parents.front());
    for (const auto& [index, parent] : opened) {
      if (lanes.size() <= index) lanes.resize(index + 1);
      lanes[index] = positions.lane(parent);
    }
    while (!lanes.empty() && is_empty(lanes.back())) lanes.pop_back();
  }
  return rows;
}

std::string row_text(const GraphRow& row) {
  std::string out;
  out.reserve(row.size() * 3);  // every glyph but the space takes three bytes
  for (const CellCode code : row.codes()) utils::append_utf8(out, kGlyphs[code < kCodes ? code : kSpace]);
  return out;
}

}  // namespace commit_graph
