#pragma once
// Where every row of the staging view's diff preview lies, which hunk or
// conflict section is under the cursor, how far the preview scrolls, and how
// the 5-row windows of the file lists follow their selections. The keys and
// the screen both go by these rules, so the hunk the screen marks is the one
// the keys act on.

#include <cstddef>
#include <optional>
#include <vector>

#include "repo/diff.hpp"
#include "state/state.hpp"
#include "tui/rect.hpp"
#include "tui/terminal.hpp"

namespace viewport {

// Rows of each file list's window.
inline constexpr std::size_t FILE_LIST_WINDOW = 5;

// The selected path's entry in the unstaged (staged) list; null when the
// list does not hold it or no path is selected.
const repo::WorktreeFile* unstaged_entry(const state::CommitViewState& view);
const repo::WorktreeFile* staged_entry(const state::CommitViewState& view);

// The entry the preview shows: the selected path as found in the focused
// list first, else in the other list.
struct ShownFile {
  const repo::WorktreeFile* file = nullptr;
  bool from_unstaged = true;
};
std::optional<ShownFile> shown_file(const state::CommitViewState& view);

// A conflicted file with at least one complete section is shown as its
// sections rather than as hunks.
bool shows_conflicts(const repo::WorktreeFile& file);

// The hunks of the shown entry on its own side; null when nothing is shown.
const std::vector<repo::Hunk>* get_viewed_hunks(const state::CommitViewState& view);

// Hunks follow each other with one blank row between two of them.
std::vector<std::size_t> get_hunk_start_lines(const std::vector<repo::Hunk>& hunks);
std::size_t hunk_rows(const std::vector<repo::Hunk>& hunks);

// A section is a header row, its ours lines, a header row, its theirs lines;
// sections too are one blank row apart.
std::size_t section_rows(const repo::ConflictSection& section);
std::vector<std::size_t> conflict_section_starts(const std::vector<repo::ConflictSection>& sections);
std::size_t conflict_rows(const std::vector<repo::ConflictSection>& sections);

// The last of the ascending starts at or above the scroll position (the
// blank row after a hunk belongs to it; past the end, the last); 0 for none.
std::size_t index_under_cursor(const std::vector<std::size_t>& starts, std::size_t scroll);

// The greatest diff scroll the keys may reach; the last hunk's first row can
// always be brought to the top.
std::size_t compute_max_scroll(const state::CommitViewState& view, std::size_t height);

// After the terminal changed size: a preview scrolled to its end at the old size ends where G
// would take it at the new size. The file lists' windows do not depend on the size.
void keep_preview_scroll_after_resize(state::State& state, tui::Size before, tui::Size after);

// A copy of the hunk under the cursor in the selected path's unstaged
// (staged) entry, on that entry's own side.
std::optional<repo::Hunk> find_topmost_visible_hunk(const state::CommitViewState& view, bool unstaged);

// Moves a window top just enough that the index lies inside the window.
void keep_in_window(std::size_t index, std::size_t& top);
// The same for the focused list; the other list's window stays.
void ensure_file_visible(state::CommitViewState& view);
// For a list of this length (not empty) and an index inside it: the window
// no lower than the list's last full window, and holding the index.
void clamp_window(std::size_t length, std::size_t index, std::size_t& top);

// The preview height the keys page by: 60% of the rows less 2, never below
// 0; 12 when the size cannot be read. It is not the drawn preview's height.
std::size_t diff_viewport_height(std::optional<tui::Size> size);
std::size_t diff_viewport_height(tui::Terminal& terminal);

}  // namespace viewport
