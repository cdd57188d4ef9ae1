#pragma once
// tmux, when the program runs inside it: moving to a neighbouring pane.

namespace action {

enum class PaneDirection { Left, Right, Down, Up };

// Runs "tmux select-pane" towards the pane in that direction when TMUX is
// set (to anything, even empty); outside tmux it does nothing. tmux's own
// outcome is none of our business: its output is dropped and a failure to
// run it changes nothing.
void select_tmux_pane(PaneDirection direction);

}  // namespace action
