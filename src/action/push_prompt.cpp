#include "action/action.hpp"

namespace action {

void Action::execute_push_mode(state::State&, const repo::Repo&) const {}

}  // namespace action
