#include "app/action.hpp"

namespace action {

// Until the full dispatcher lands: move and quit.
bool Action::execute(state::State& state, repo::Repo& repo, tui::Terminal&) const {
  switch (kind) {
    case MoveDown:
    case Down:
      if (state.selected + 1 < repo.commits.size()) ++state.selected;
      return false;
    case MoveUp:
    case Up:
      if (state.selected > 0) --state.selected;
      return false;
    case Quit:
    case Escape:
    case Interrupt: return true;
    default: return false;
  }
}

}  // namespace action
