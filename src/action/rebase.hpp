#pragma once
// Rebasing a branch onto another and carrying it through its conflicts.

#include "repo/repo.hpp"
#include "state/state.hpp"

#include <string_view>

namespace action {

// c in the conflict view: continues the stopped rebase.
void continue_rebase(state::State& state, repo::Repo& repo);
// Opens the staging view on the conflicts of a stopped rebase.
void open_commit_view_for_conflicts(state::State& state, repo::Repo& repo);
// Selects the commit the branch points at.
void jump_cursor_to_branch_tip(state::State& state, const repo::Repo& repo, std::string_view branch);

}  // namespace action
