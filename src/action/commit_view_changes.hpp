#pragma once
// What the staging view's keys change (commit_view.cpp matches the keys):
// staging and unstaging a file or the hunk under the cursor, discarding
// after a question, taking a side of a conflict, editing the file, and
// committing or continuing a stopped rebase. Each takes the keys' preview
// height (viewport::diff_viewport_height) for the reload after it, or the
// terminal when it hands the terminal to the editor.

#include <cstddef>

#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/terminal.hpp"

namespace action {

// S: the selected file of the left list, whole, once no conflict is left in it.
void stage_selected_file(state::State& state, const repo::Repo& repo, std::size_t height);
// U: the selected file of the right list, whole.
void unstage_selected_file(state::State& state, const repo::Repo& repo, std::size_t height);
// s: the hunk under the cursor of the selected file of the left list.
void stage_hunk_under_cursor(state::State& state, const repo::Repo& repo, std::size_t height);
// u: the hunk under the cursor of the selected file of the right list.
void unstage_hunk_under_cursor(state::State& state, const repo::Repo& repo, std::size_t height);

// d: asks whether to discard the hunk under the cursor of the selected file
// of the left list (State.pending_discard).
void ask_to_discard_hunk(state::State& state);
// D: asks whether to discard the whole selected file of the left list, or to
// delete it when it is untracked.
void ask_to_discard_file(state::State& state);
// The answer to the question: a yes carries the discard out, a no only
// drops it.
void answer_discard(state::State& state, const repo::Repo& repo, std::size_t height, bool yes);

// 1 and 2: our (their) side of the conflict section under the cursor, past
// the last row the last one.
void take_conflict_side(state::State& state, const repo::Repo& repo, std::size_t height, bool ours);

// o: the selected file in the user's editor.
void edit_selected_file(state::State& state, const repo::Repo& repo, tui::Terminal& terminal);
// c: the commit (or the amend) through the editor, or the stopped rebase
// continued once nothing is left unstaged.
void commit_or_continue(state::State& state, repo::Repo& repo, tui::Terminal& terminal);

// Closing an amend view without amending: the entries the view changed go
// back to what they were when it opened. False, with the reason said, when
// they could not be put back; the copy stays for another try.
bool restore_index_after_amend(state::State& state, const repo::Repo& repo);

}  // namespace action
