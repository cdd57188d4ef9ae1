// The staging view's keys, Action::execute_commit_view_mode (declared with
// Action in action.hpp): scrolling the preview, moving between files and
// hunks, changing the focus and closing the view here; the keys that change
// the repository call commit_view_changes.hpp.

#include "action/action.hpp"
#include "action/commit_view_changes.hpp"
#include "action/commit_view_lists.hpp"
#include "action/rebase.hpp"
#include "utils/arithmetic.hpp"
#include "viewport/staging_geometry.hpp"

namespace action {
namespace {

void close_view(state::State& state, repo::Repo& repo) {
  if (state.rebase_in_progress) abort_rebase(state, repo);
  // An index that could not be put back keeps the view, and with it the
  // copy, open: the next close tries again.
  if (state.commit_view->amending && !restore_index_after_amend(state, repo)) return;
  state.commit_view.reset();
}

// The focused list's entry at its index becomes the selection; the windows
// stay where they are.
void reselect(state::State& state) {
  state::CommitViewState& view = *state.commit_view;
  const auto& files = view.staged_focus ? view.staged : view.unstaged;
  const std::size_t index = view.staged_focus ? view.staged_index : view.unstaged_index;
  view.selected_path = index < files.size() ? std::optional(files[index].path) : std::nullopt;
  view.diff_scroll = 0;
  update_staging_highlight(state);
}

void move_file(state::State& state, bool down) {
  state::CommitViewState& view = *state.commit_view;
  const auto& files = view.staged_focus ? view.staged : view.unstaged;
  std::size_t& index = view.staged_focus ? view.staged_index : view.unstaged_index;
  if (down ? files.empty() : index == 0) return;
  const std::size_t before = index;
  index = down ? std::min(index + 1, files.size() - 1) : index - 1;
  view.selected_path = index < files.size() ? std::optional(files[index].path) : std::nullopt;
  view.diff_scroll = 0;
  viewport::ensure_file_visible(view);
  if (index != before) update_staging_highlight(state);
}

// n and N: between section starts of a conflicted file, else between hunk
// starts, where n past the last hunk goes back to its start.
void step_start(state::CommitViewState& view, bool forward) {
  if (!view.selected_path) return;
  std::size_t& scroll = view.diff_scroll;
  if (const repo::WorktreeFile* unstaged = viewport::unstaged_entry(view);
      unstaged && viewport::shows_conflicts(*unstaged)) {
    const auto starts = viewport::conflict_section_starts(unstaged->conflict_sections);
    if (forward) {
      const auto next = std::ranges::upper_bound(starts, scroll);
      if (next != starts.end()) scroll = *next;
    } else {
      const auto prev = std::ranges::lower_bound(starts, scroll);
      if (prev != starts.begin()) scroll = *std::prev(prev);
    }
    return;
  }
  const std::vector<repo::Hunk>* hunks = viewport::get_viewed_hunks(view);
  if (hunks == nullptr || hunks->empty()) return;
  const auto starts = viewport::get_hunk_start_lines(*hunks);
  if (forward) {
    const auto next = std::ranges::upper_bound(starts, scroll);
    scroll = next != starts.end() ? *next : starts.back();
  } else {
    const auto prev = std::ranges::lower_bound(starts, scroll);
    scroll = prev != starts.begin() ? *std::prev(prev) : 0;
  }
}

}  // namespace

// The view takes every key while it is open, so nothing leaks through to
// the log behind it.
void Action::execute_commit_view_mode(state::State& state, repo::Repo& repo, tui::Terminal& terminal) const {
  if (!state.commit_view) return;
  const std::size_t height = viewport::diff_viewport_height(terminal);
  // The key after d or D: y discards, any other key only drops the question.
  if (state.pending_discard) {
    answer_discard(state, repo, height, kind == Yank);
    return;
  }
  state::CommitViewState& view = *state.commit_view;
  const auto max_scroll = [&] { return viewport::compute_max_scroll(view, height); };
  switch (kind) {
    case Escape:
    case Interrupt:
    case Quit:
    case Tab:
      close_view(state, repo);
      return;
    case MoveDown:
    case Down:
      view.diff_scroll = std::min(view.diff_scroll + 1, max_scroll());
      return;
    case MoveUp:
    case Up:
      view.diff_scroll = utils::saturating_sub(view.diff_scroll, 1);
      return;
    case HalfPageDown:
      view.diff_scroll = std::min(view.diff_scroll + height / 2, max_scroll());
      return;
    case HalfPageUp:
      view.diff_scroll = utils::saturating_sub(view.diff_scroll, height / 2);
      return;
    case GoTop:
      view.diff_scroll = 0;
      return;
    case GoBottom:
      view.diff_scroll = max_scroll();
      return;
    case NextMatch:
    case PrevMatch:
      step_start(view, kind == NextMatch);
      return;
    case GoHead:
    case OpenDetails:
      view.staged_focus = !view.staged_focus;
      reselect(state);
      return;
    case FocusLeft:
    case FocusRight:
      view.staged_focus = kind == FocusRight;
      reselect(state);
      return;
    case FocusDown:
    case FocusUp:
      move_file(state, kind == FocusDown);
      return;
    case StageAll:
      stage_selected_file(state, repo, height);
      return;
    case UnstageAll:
      unstage_selected_file(state, repo, height);
      return;
    case Delete:
      ask_to_discard_hunk(state);
      return;
    case Open:
      edit_selected_file(state, repo, terminal);
      return;
    case Checkout:
      commit_or_continue(state, repo, terminal);
      return;
    case Digit:
      switch (ch) {
        case U'1':
          take_conflict_side(state, repo, height, true);
          return;
        case U'2':
          take_conflict_side(state, repo, height, false);
          return;
        default:
          return;
      }
    case Char:
      switch (ch) {
        case U's':
          stage_hunk_under_cursor(state, repo, height);
          return;
        case U'u':
          unstage_hunk_under_cursor(state, repo, height);
          return;
        case U'D':
          ask_to_discard_file(state);
          return;
        default:
          return;
      }
    case Confirm:
    case Space:
    case Backspace:
    case StartSearch:
    case ShiftJ:
    case ShiftK:
    case Yank:
    case CreateBranch:
    case Rebase:
    case Revert:
    case Push:
    case MoveBranch:
    case Fetch:
    case NoAction:
      return;
  }
}

}  // namespace action
