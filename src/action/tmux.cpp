#include "action/tmux.hpp"

#include <cstdlib>

#include "utils/process.hpp"

namespace action {

void select_tmux_pane(PaneDirection direction) {
  if (std::getenv("TMUX") == nullptr) return;
  const char* flag = direction == PaneDirection::Left    ? "-L"
                     : direction == PaneDirection::Right ? "-R"
                     : direction == PaneDirection::Down  ? "-D"
                                                         : "-U";
  (void)utils::run_process({"tmux", "select-pane", flag});
}

}  // namespace action
