#include "render/hotkeys.hpp"

#include <algorithm>

#include "tui/text.hpp"
#include "utils/utf8_chars.hpp"

namespace render {

namespace {

using tui::Color;

constexpr int kFirstColumnWidth = 14;
constexpr int kSecondColumnOffset = 18;
constexpr int kColumnGap = 3;

// The modes the panel counts as a prompt; the selections, confirmations,
// the rebase target and the rebase notice count as the log or the details.
bool prompt_open(const state::State& s) {
  return s.searching || s.creating_branch || s.deleting_branch || s.checking_out || s.entering_push_branch;
}

std::vector<HotkeyEntry> leaving_keys(const state::State& s) {
  const bool details = s.commit_details.has_value();
  if (prompt_open(s)) return {{"q", "quit", false}, {"^c", "cancel"}, {"esc", "cancel"}};
  if (details) {
    const char* esc = s.details_query.empty() ? "back" : "clear search";
    return {{"q", "back"}, {"^c", "back"}, {"esc", esc}};
  }
  const char* label = s.search_query.empty() ? "quit" : "clear search";
  return {{"q", label}, {"^c", label}, {"esc", label}};
}

void draw_entry(tui::Buffer& buffer, tui::Rect rect, const HotkeyEntry& entry, bool grey_keys) {
  const tui::Style dim = tui::Style{}.with_fg(Color::DarkGray);
  const tui::Style key = entry.enabled && !grey_keys ? tui::Style{}.with_fg(Color::White) : dim;
  const tui::Line line{tui::Span(entry.key, key), tui::Span(" ", dim), tui::Span(entry.label, dim)};
  line.render(rect, buffer, tui::Alignment::Left);
}

void draw_column(tui::Buffer& buffer, int x, int width, tui::Rect area,
                 const std::vector<HotkeyEntry>& column, bool grey_keys) {
  const std::size_t rows = std::min<std::size_t>(column.size(), area.height);
  for (std::size_t i = 0; i < rows; ++i) {
    const tui::Rect rect{static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(area.y + i),
                         static_cast<std::uint16_t>(width), 1};
    draw_entry(buffer, rect, column[i], grey_keys);
  }
}

}  // namespace

HotkeyFacts hotkey_facts(const state::State& state, const repo::Repo& repo, const repo::Oid& head) {
  HotkeyFacts facts;
  if (const repo::Commit* commit = state::selected_commit(state, repo)) {
    facts.has_commit = true;
    facts.is_head = commit->id == head;
    facts.parents = commit->parent_ids.size();
    facts.local_branches = !repo.local_branches_at(commit->id).empty();
    facts.on_remote = repo.commit_is_on_remote(state.selected);
  }
  if (state.panel_facts) {
    facts.has_changes = state.panel_facts->has_changes;
  } else {
    facts.has_changes = repo.has_changes();
  }
  if (facts.has_commit) facts.in_head_history = repo.is_ancestor_of_head_at(state.selected);
  if (state.panel_facts) {
    facts.has_remote = state.panel_facts->has_remote;
    facts.host_word = state.panel_facts->host_word;
  } else {
    facts.has_remote = repo.has_remote();
    facts.host_word = repo.remote_host_name().value_or("github");
  }
  return facts;
}

std::vector<std::vector<HotkeyEntry>> hotkey_columns(const state::State& s, const HotkeyFacts& f) {
  const bool details = s.commit_details.has_value();
  const std::string& query = details ? s.details_query : s.search_query;
  const bool on_commit = f.has_commit;
  return {
      leaving_keys(s),
      {{"j/k", "↑/↓"},
       {"^d/u", "½ page"},
       {"g", "top"},
       {"G", "bottom"},
       {"h", details ? "back" : "goto head", details || (on_commit && !f.is_head)}},
      {{"c", "checkout"},
       {"b", "create branch"},
       {"d", "delete branch", on_commit && f.local_branches},
       {"r", "rebase", on_commit && f.local_branches},
       {"m", "move branch", on_commit && f.local_branches}},
      {{"y", "copy sha"},
       {"o", "open in " + f.host_word, on_commit && f.on_remote},
       {"R", "revert", on_commit && f.in_head_history},
       {"p", "push", on_commit && f.local_branches && f.has_remote},
       {"f", "fetch", f.has_remote}},
      {{"/", "search"}, {"n", "next", !query.empty()}, {"N", "prev", !query.empty()}},
      {{"tab", "stage view", f.has_changes}, {"a", "amend", on_commit && f.is_head && f.parents == 1}},
  };
}

std::size_t hotkey_column_width(const std::vector<HotkeyEntry>& column) {
  std::size_t width = 0;
  for (const HotkeyEntry& e : column)
    width = std::max(width, utils::count_chars(e.key) + 1 + utils::count_chars(e.label));
  return width;
}

void render_hotkeys(tui::Buffer& buffer, tui::Rect area, const state::State& state, const repo::Repo& repo,
                    const repo::Oid& head) {
  const std::vector<std::vector<HotkeyEntry>> columns =
      hotkey_columns(state, hotkey_facts(state, repo, head));
  const int x = area.x;
  const int inner = std::max(0, int{area.width} - 2);
  const int end = x + 1 + inner;
  const bool grey_keys = prompt_open(state);

  const int first_width = std::min(inner, kFirstColumnWidth);
  if (first_width > 0) draw_column(buffer, x + 1, first_width, area, columns[0], false);

  int start = x + kSecondColumnOffset;
  for (std::size_t c = 1; c < columns.size(); ++c) {
    if (start >= end) break;
    const int width = static_cast<int>(hotkey_column_width(columns[c]));
    draw_column(buffer, start, std::min(width, end - start), area, columns[c], grey_keys);
    start += width + kColumnGap;
  }
}

}  // namespace render
