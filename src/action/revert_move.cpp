#include "action/action.hpp"

namespace action {

void Action::execute_revert_confirmation_mode(state::State&, repo::Repo&) const {}
void Action::execute_move_branch_selection_mode(state::State&, const repo::Repo&) const {}
void Action::execute_move_target_mode(state::State&, std::size_t) const {}
void Action::execute_move_confirmation_mode(state::State&, repo::Repo&) const {}

}  // namespace action
