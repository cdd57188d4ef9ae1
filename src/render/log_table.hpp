#pragma once
// The log: one table row per visible commit with its graph, labels, summary,
// date, time, author and short id.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/buffer.hpp"
#include "tui/rect.hpp"
#include "tui/widgets.hpp"

namespace render {

// Branch names by the commit they point at. Each list has the names without
// a '/' first, then the others, each group in byte order, so the map's own
// order never shows. The views point into the branch map's keys.
using BranchLabels = std::unordered_map<repo::Oid, std::vector<std::string_view>>;
BranchLabels branches_at_commit(const repo::BranchMap& branches);

// Widths of the three columns that depend on the loaded log: taken over all
// loaded commits and graph rows, so they stay put while scrolling.
struct LogColumnWidths {
  std::uint16_t index = 1;
  std::uint16_t graph = 1;
  std::uint16_t author = 0;
};
LogColumnWidths log_column_widths(const repo::Repo& repo);

// The nine columns with those widths.
std::vector<tui::Constraint> log_constraints(const LogColumnWidths& widths);

// One span per cell, at most 16, coloured by lane.
std::vector<tui::Span> graph_cell_spans(const commit_graph::GraphRow& row);

// What every row of one frame shares.
struct LogRowContext {
  // May lie past the end of the log: then no row is selected, and the
  // distances still count from it.
  std::size_t selected = 0;
  repo::Oid head;
  std::optional<std::string_view> head_branch;
  const BranchLabels* labels = nullptr;
  std::string_view query;
  std::uint16_t index_width = 1;
};

// One table row of nine cells for the commit at absolute position `index`.
tui::Row log_row(std::size_t index, const repo::Commit& commit, const commit_graph::GraphRow& graph,
                 const LogRowContext& context);

// The visible part of the log from `State.scroll` on, filling the area.
void render_log_table(tui::Buffer& buffer, tui::Rect area, const state::State& state, const repo::Repo& repo,
                      const repo::Oid& head);

}  // namespace render
