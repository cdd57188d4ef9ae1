#pragma once
// Rebasing a branch onto another and carrying it through its conflicts: r in
// the log starts it, then the branch choice (when several local branches
// are at the commit), the target prompt, the git run, and the staging view
// over the conflicts of a stopped rebase. The keys of the branch choice, the
// target prompt and the stopped rebase (Action::execute_rebase_*_mode) are
// declared with Action (action.hpp) and defined in rebase.cpp.

#include <string_view>

#include "repo/repo.hpp"
#include "state/state.hpp"

namespace action {

// r in the log: starts rebasing one of the local branches at the selected
// commit, with the branch choice when there are several.
void start_rebase(state::State& state, const repo::Repo& repo);

// c in the conflict view: continues the stopped rebase.
void continue_rebase(state::State& state, repo::Repo& repo);
// Aborts the stopped rebase, whatever git makes of it, and ends the road.
void abort_rebase(state::State& state, repo::Repo& repo);
// Opens the staging view on the conflicts of a stopped rebase.
void open_commit_view_for_conflicts(state::State& state, repo::Repo& repo);
// Selects the commit the branch points at.
void jump_cursor_to_branch_tip(state::State& state, const repo::Repo& repo, std::string_view branch);

}  // namespace action
