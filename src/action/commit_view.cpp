#include "action/action.hpp"
#include "action/commit_view.hpp"

namespace action {

// The view takes every key while it is open, so nothing leaks through to
// the log behind it.
void Action::execute_commit_view_mode(state::State&, repo::Repo&, tui::Terminal&) const {}

void refresh_commit_view(state::State&, const repo::Repo&) {}

void update_staging_highlight(state::State&) {}

}  // namespace action
