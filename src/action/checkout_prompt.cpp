#include "action/action.hpp"

namespace action {

void Action::execute_checkout_mode(state::State&, repo::Repo&) const {}

}  // namespace action
