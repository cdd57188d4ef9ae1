#include "action/commit_flow.hpp"

namespace action {

void commit_with_editor(state::State&, repo::Repo&, tui::Terminal&, bool) {}

}  // namespace action
