#include "render/log_table.hpp"

#include <algorithm>
#include <string>
#include <utility>
#include <variant>

#include "render/spans.hpp"
#include "tui/style.hpp"
#include "tui/text.hpp"
#include "utils/dates.hpp"
#include "utils/text.hpp"

namespace render {
namespace {

using tui::Color;
using tui::Line;
using tui::Modifier;
using tui::Span;
using tui::Style;

constexpr std::size_t kMaxGraphCells = 16;
constexpr std::size_t kMaxAuthorWidth = 20;

constexpr Style kPunctuation{.fg = Color::Yellow, .add_modifier = Modifier::BOLD};
constexpr Style kHeadLabel{.fg = Color::Cyan, .add_modifier = Modifier::BOLD};

Style fg(Color c) { return Style{.fg = c}; }

void append(std::vector<Span>& to, std::vector<Span> spans) {
  for (Span& s : spans) to.push_back(std::move(s));
}

// A branch label takes the colour of the commit's own node, wherever it lies
// in the row, so it matches the lane the commit is drawn in.
Color label_color(const commit_graph::GraphRow& row) {
  for (const commit_graph::GraphCell& cell : row) {
    if (cell.glyph != U'●') continue;
    return cell.lane ? LANE_COLORS[*cell.lane % LANE_COLORS.size()] : LANE_COLORS[0];
  }
  return LANE_COLORS[0];
}

std::vector<Span> subject_spans(const repo::Commit& commit, const commit_graph::GraphRow& graph,
                                const LogRowContext& context) {
  const bool is_head = commit.id == context.head;
  const std::vector<std::string_view>* names = nullptr;
  if (context.labels) {
    if (auto it = context.labels->find(commit.id); it != context.labels->end()) names = &it->second;
  }
  std::vector<Span> out;
  if (is_head || names) {
    const Style label = Style{.fg = label_color(graph), .add_modifier = Modifier::BOLD};
    out.emplace_back("(", kPunctuation);
    if (is_head) {
      append(out, highlight_matches("HEAD", context.query, kHeadLabel, MATCH_STYLE));
      if (context.head_branch) {
        out.emplace_back(" → ", kPunctuation);
        append(out, highlight_matches(*context.head_branch, context.query, label, MATCH_STYLE));
      }
    }
    bool first = !is_head;
    if (names) {
      for (std::string_view name : *names) {
        // HEAD's own branch is already written after the arrow.
        if (context.head_branch && name == *context.head_branch) continue;
        if (!first) out.emplace_back(", ", kPunctuation);
        first = false;
        append(out, highlight_matches(name, context.query, label, MATCH_STYLE));
      }
    }
    out.emplace_back(") ", kPunctuation);
  }
  append(out, highlight_matches(commit.summary, context.query, Style{}, MATCH_STYLE));
  return out;
}

std::string index_text(std::size_t index, const LogRowContext& context) {
  const std::size_t width = context.index_width;
  if (index == context.selected) {
    std::string marker = "▶";
    if (width > 1) marker.append(width - 1, ' ');
    return marker;
  }
  const std::size_t distance = index > context.selected ? index - context.selected : context.selected - index;
  std::string digits = std::to_string(distance);
  if (digits.size() < width) digits.insert(0, width - digits.size(), ' ');
  return digits;
}

}  // namespace

BranchLabels branches_at_commit(const repo::BranchMap& branches) {
  BranchLabels labels;
  for (const auto& [branch, id] : branches) labels[id].push_back(branch.name);
  for (auto& [id, names] : labels) {
    std::stable_sort(names.begin(), names.end(), [](std::string_view a, std::string_view b) {
      const bool a_slash = a.find('/') != std::string_view::npos;
      const bool b_slash = b.find('/') != std::string_view::npos;
      if (a_slash != b_slash) return b_slash;
      return a < b;  // char_traits compares bytes as unsigned
    });
  }
  return labels;
}

LogColumnWidths log_column_widths(const repo::Repo& repo) {
  LogColumnWidths widths;
  const std::size_t count = repo.commits.size();
  widths.index = count < 10 ? 1 : count < 100 ? 2 : count < 1000 ? 3 : 4;
  if (!repo.graph.empty())
    widths.graph = static_cast<std::uint16_t>(std::min(repo.graph.widest(), kMaxGraphCells));
  // A loaded model knows its longest author; only one made by hand is measured.
  std::size_t author = 0;
  if (repo.longest_author) {
    author = *repo.longest_author;
  } else {
    for (const repo::Commit& commit : repo.commits) author = std::max(author, commit.author.size());
  }
  widths.author = static_cast<std::uint16_t>(std::min(author, kMaxAuthorWidth));
  return widths;
}

std::vector<tui::Constraint> log_constraints(const LogColumnWidths& widths) {
  using tui::Constraint;
  return {Constraint::length(0),
          Constraint::length(widths.index),
          Constraint::length(widths.graph),
          Constraint::fill(1),
          Constraint::length(12),
          Constraint::length(8),
          Constraint::length(widths.author),
          Constraint::length(7),
          Constraint::length(0)};
}

std::vector<Span> graph_cell_spans(const commit_graph::GraphRow& row) {
  std::vector<Span> spans;
  const std::size_t n = std::min(row.size(), kMaxGraphCells);
  spans.reserve(n);
  std::string glyph;
  for (std::size_t i = 0; i < n; ++i) {
    const commit_graph::GraphCell& cell = row[i];
    glyph.clear();
    utils::append_utf8(glyph, cell.glyph);
    spans.emplace_back(glyph, fg(cell.lane ? LANE_COLORS[*cell.lane % LANE_COLORS.size()] : Color::Gray));
  }
  return spans;
}

tui::Row log_row(std::size_t index, const repo::Commit& commit, const commit_graph::GraphRow& graph,
                 const LogRowContext& context) {
  const bool sel = index == context.selected;
  const Style strong = sel ? Style{.add_modifier = Modifier::BOLD} : fg(Color::Gray);
  const Style faint = fg(sel ? Color::Gray : Color::DarkGray);
  const std::string_view query = context.query;

  tui::Row row;
  row.cells.reserve(9);
  row.cells.emplace_back();
  row.cells.emplace_back(Span(index_text(index, context), fg(sel ? Color::Gray : Color::DarkGray)));
  row.cells.emplace_back(graph_cell_spans(graph));
  row.cells.emplace_back(subject_spans(commit, graph, context));
  row.cells.emplace_back(highlight_matches(utils::format_date(commit.time), query, strong, MATCH_STYLE));
  row.cells.push_back(
      Line(highlight_matches(utils::format_time(commit.time), query, faint, MATCH_STYLE)).right_aligned());
  row.cells.emplace_back(highlight_matches(commit.author, query, strong, MATCH_STYLE));
  row.cells.emplace_back(highlight_matches(commit.id.short_hex(), query, faint, MATCH_STYLE));
  row.cells.emplace_back();
  if (sel) row.style = Style{.bg = Color::DarkGray};
  return row;
}

void render_log_table(tui::Buffer& buffer, tui::Rect area, const state::State& state, const repo::Repo& repo,
                      const repo::Oid& head) {
  const LogColumnWidths widths = log_column_widths(repo);
  tui::Table table{.widths = log_constraints(widths), .column_spacing = 1};

  const std::size_t pairs = std::min(repo.commits.size(), repo.graph.size());
  if (state.scroll < pairs) {
    const BranchLabels labels = branches_at_commit(repo.branches);
    LogRowContext context{.selected = state.selected,
                          .head = head,
                          .head_branch = std::nullopt,
                          .labels = &labels,
                          .query = state.search_query,
                          .index_width = widths.index};
    if (const auto* branch = std::get_if<repo::HeadBranch>(&repo.head)) context.head_branch = branch->name;
    const std::size_t end = std::min(pairs, state.scroll + area.height);
    table.rows.reserve(end - state.scroll);
    for (std::size_t i = state.scroll; i < end; ++i) {
      table.rows.push_back(log_row(i, repo.commits[i], repo.graph[i], context));
    }
  }
  table.render(area, buffer);
}

}  // namespace render
