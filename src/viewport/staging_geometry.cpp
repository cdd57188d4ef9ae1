#include "viewport/staging_geometry.hpp"

#include <algorithm>

#include "utils/arithmetic.hpp"
#include "viewport/viewport.hpp"

namespace viewport {
namespace {

const repo::WorktreeFile* find_path(const std::vector<repo::WorktreeFile>& files, const std::string& path) {
  const auto it = std::ranges::find(files, path, &repo::WorktreeFile::path);
  return it == files.end() ? nullptr : &*it;
}

}  // namespace

const repo::WorktreeFile* unstaged_entry(const state::CommitViewState& view) {
  return view.selected_path ? find_path(view.unstaged, *view.selected_path) : nullptr;
}

const repo::WorktreeFile* staged_entry(const state::CommitViewState& view) {
  return view.selected_path ? find_path(view.staged, *view.selected_path) : nullptr;
}

std::optional<ShownFile> shown_file(const state::CommitViewState& view) {
  const repo::WorktreeFile* unstaged = unstaged_entry(view);
  const repo::WorktreeFile* staged = staged_entry(view);
  if (view.staged_focus && staged != nullptr) return ShownFile{staged, false};
  if (unstaged != nullptr) return ShownFile{unstaged, true};
  if (staged != nullptr) return ShownFile{staged, false};
  return std::nullopt;
}

bool shows_conflicts(const repo::WorktreeFile& file) {
  return file.kind == repo::ChangeKind::Conflicted && !file.conflict_sections.empty();
}

const std::vector<repo::Hunk>* get_viewed_hunks(const state::CommitViewState& view) {
  const auto shown = shown_file(view);
  if (!shown) return nullptr;
  return shown->from_unstaged ? &shown->file->unstaged_hunks : &shown->file->staged_hunks;
}

std::vector<std::size_t> get_hunk_start_lines(const std::vector<repo::Hunk>& hunks) {
  std::vector<std::size_t> starts;
  starts.reserve(hunks.size());
  std::size_t row = 0;
  for (const repo::Hunk& hunk : hunks) {
    starts.push_back(row);
    row += hunk.lines.size() + 1;
  }
  return starts;
}

std::size_t hunk_rows(const std::vector<repo::Hunk>& hunks) {
  std::size_t rows = 0;
  for (const repo::Hunk& hunk : hunks) rows += hunk.lines.size() + 1;
  return rows == 0 ? 0 : rows - 1;
}

std::size_t section_rows(const repo::ConflictSection& section) {
  return section.ours.size() + section.theirs.size() + 2;
}

std::vector<std::size_t> conflict_section_starts(const std::vector<repo::ConflictSection>& sections) {
  std::vector<std::size_t> starts;
  starts.reserve(sections.size());
  std::size_t row = 0;
  for (const repo::ConflictSection& section : sections) {
    starts.push_back(row);
    row += section_rows(section) + 1;
  }
  return starts;
}

std::size_t conflict_rows(const std::vector<repo::ConflictSection>& sections) {
  std::size_t rows = 0;
  for (const repo::ConflictSection& section : sections) rows += section_rows(section) + 1;
  return rows == 0 ? 0 : rows - 1;
}

std::size_t index_under_cursor(const std::vector<std::size_t>& starts, std::size_t scroll) {
  const auto after = std::upper_bound(starts.begin(), starts.end(), scroll);
  return after == starts.begin() ? 0 : static_cast<std::size_t>(after - starts.begin()) - 1;
}

std::size_t compute_max_scroll(const state::CommitViewState& view, std::size_t height) {
  if (!view.selected_path) return 0;
  if (const repo::WorktreeFile* unstaged = unstaged_entry(view); unstaged && shows_conflicts(*unstaged)) {
    const std::size_t rows = conflict_rows(unstaged->conflict_sections);
    return utils::saturating_sub(rows, height);
  }
  const std::vector<repo::Hunk>* hunks = get_viewed_hunks(view);
  if (hunks == nullptr || hunks->empty()) return 0;
  const std::size_t rows = hunk_rows(*hunks);
  const std::size_t last_start = rows - hunks->back().lines.size();
  return std::max(utils::saturating_sub(rows, height), last_start);
}

void keep_preview_scroll_after_resize(state::State& state, tui::Size before, tui::Size after) {
  if (!state.commit_view) return;
  state::CommitViewState& view = *state.commit_view;
  keep_within_bound_after_resize(view.diff_scroll, compute_max_scroll(view, diff_viewport_height(before)),
                                 compute_max_scroll(view, diff_viewport_height(after)));
}

std::optional<repo::Hunk> find_topmost_visible_hunk(const state::CommitViewState& view, bool unstaged) {
  const repo::WorktreeFile* entry = unstaged ? unstaged_entry(view) : staged_entry(view);
  if (entry == nullptr) return std::nullopt;
  const std::vector<repo::Hunk>& hunks = unstaged ? entry->unstaged_hunks : entry->staged_hunks;
  if (hunks.empty()) return std::nullopt;
  std::size_t start = 0;
  for (const repo::Hunk& hunk : hunks) {
    const std::size_t next = start + hunk.lines.size() + 1;
    if (view.diff_scroll < next) return hunk;
    start = next;
  }
  return hunks.back();
}

void keep_in_window(std::size_t index, std::size_t& top) {
  if (index < top)
    top = index;
  else if (index >= top + FILE_LIST_WINDOW)
    top = index - (FILE_LIST_WINDOW - 1);
}

void clamp_window(std::size_t length, std::size_t index, std::size_t& top) {
  top = std::min(top, length > FILE_LIST_WINDOW ? length - FILE_LIST_WINDOW : 0);
  keep_in_window(index, top);
}

void ensure_file_visible(state::CommitViewState& view) {
  if (view.staged_focus)
    keep_in_window(view.staged_index, view.staged_list_scroll);
  else
    keep_in_window(view.unstaged_index, view.unstaged_list_scroll);
}

std::size_t diff_viewport_height(std::optional<tui::Size> size) {
  if (!size) return 12;
  const std::size_t rows = std::size_t{size->height} * 60 / 100;
  return utils::saturating_sub(rows, 2);
}

std::size_t diff_viewport_height(tui::Terminal& terminal) {
  const auto size = terminal.size();
  return diff_viewport_height(size ? std::optional(*size) : std::nullopt);
}

}  // namespace viewport
