#include "action/action.hpp"
#include "action/rebase.hpp"

namespace action {

void Action::execute_rebase_in_progress_mode(state::State&, repo::Repo&) const {}
void Action::execute_rebase_branch_selection_mode(state::State&, const repo::Repo&) const {}
void Action::execute_rebase_target_mode(state::State&, repo::Repo&) const {}

void continue_rebase(state::State&, repo::Repo&) {}
void open_commit_view_for_conflicts(state::State&, repo::Repo&) {}
void jump_cursor_to_branch_tip(state::State&, const repo::Repo&, std::string_view) {}

}  // namespace action
