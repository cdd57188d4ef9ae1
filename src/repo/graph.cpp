#include "repo/graph.hpp"

#include "repo/text.hpp"

#include <algorithm>
#include <unordered_map>

namespace commit_graph {
namespace {

using repo::Oid;
using Lanes = std::vector<std::optional<Oid>>;

bool contains(const std::vector<std::size_t>& list, std::size_t i) {
  return std::find(list.begin(), list.end(), i) != list.end();
}

}  // namespace

std::vector<GraphRow> build(const std::vector<repo::Commit>& commits) {
  std::vector<GraphRow> rows;
  rows.reserve(commits.size());

  // First list position of every id, for the closing-lane test.
  std::unordered_map<Oid, std::size_t> first_position;
  first_position.reserve(commits.size());
  for (std::size_t i = 0; i < commits.size(); ++i) first_position.emplace(commits[i].id, i);

  Lanes lanes;
  std::vector<std::size_t> matching, merging, closing, opening, joining;
  for (const repo::Commit& c : commits) {
    matching.clear(), merging.clear(), closing.clear(), opening.clear(), joining.clear();

    for (std::size_t i = 0; i < lanes.size(); ++i)
      if (lanes[i] == c.id) matching.push_back(i);

    std::size_t col;
    if (!matching.empty()) {
      col = matching.front();
    } else {
        auto empty = std::find(lanes.begin(), lanes.end(), std::nullopt);
      if (empty != lanes.end()) {
        col = static_cast<std::size_t>(empty - lanes.begin());
        *empty = c.id;
      } else {
        col = lanes.size();
        lanes.push_back(c.id);
      }
    }
    merging.assign(matching.begin() + (matching.empty() ? 0 : 1), matching.end());

    for (std::size_t i = 0; i < lanes.size(); ++i) {
      if (i == col || contains(merging, i) || !lanes[i]) continue;
      auto pos = first_position.find(*lanes[i]);
      if (pos == first_position.end()) continue;
      const repo::Commit& waited = commits[pos->second];
      if (!waited.parent_ids.empty() && waited.parent_ids.front() == c.id) closing.push_back(i);
    }
    closing.insert(closing.end(), merging.begin(), merging.end());

    // Only merges need the working copy; most rows skip the allocation.
    Lanes working;
    if (c.parent_ids.size() > 1) working = lanes;
    std::vector<std::pair<std::size_t, Oid>> opened;
    for (std::size_t p = 1; p < c.parent_ids.size(); ++p) {
      const Oid& parent = c.parent_ids[p];
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

    GraphRow row;
    row.reserve(width);
    for (std::size_t i = 0; i < width; ++i) {
      const bool occupied = i < occupied_len && lanes[i].has_value();
      const bool inside = lo < i && i < hi;
      const auto lane = static_cast<std::uint32_t>(i);
      if (i == col)
        row.push_back({U'●', lane});
      else if (contains(closing, i))
        row.push_back({i < col ? U'╰' : U'╯', lane});
      else if (contains(opening, i))
        row.push_back({i < col ? U'╭' : U'╮', lane});
      else if (contains(joining, i))
        row.push_back({i < col ? U'├' : U'┤', lane});
      else if (inside && occupied)
        row.push_back({U'┼', lane});
      else if (inside)
        row.push_back({U'─', std::nullopt});
      else if (occupied)
        row.push_back({U'│', lane});
      else
        row.push_back({U' ', std::nullopt});
    }
    rows.push_back(std::move(row));

    for (std::size_t i : merging) lanes[i].reset();
    if (c.parent_ids.empty())
      lanes[col].reset();
    else
      lanes[col] = c.parent_ids.front();
    for (const auto& [index, parent] : opened) {
      if (lanes.size() <= index) lanes.resize(index + 1);
      lanes[index] = parent;
    }
    while (!lanes.empty() && !lanes.back()) lanes.pop_back();
  }
  return rows;
}

std::string row_text(const GraphRow& row) {
  std::string out;
  for (const GraphCell& cell : row) utils::append_utf8(out, cell.glyph);
  return out;
}

}  // namespace commit_graph
