#pragma once
// The hotkey panel's side of the handlers: showing and hiding it, and
// keeping the facts it shows that do not depend on the selected commit.

#include "repo/repo.hpp"
#include "state/state.hpp"

namespace action {

// How old those facts may grow while the panel stays open.
inline constexpr auto PANEL_FACTS_AGE = std::chrono::seconds(1);

// ? in the log: shows or hides the panel, asking its facts when it opens.
void toggle_hotkeys(state::State& state, const repo::Repo& repo,
                    state::Clock::time_point now = state::Clock::now());

// Asks the facts now (the work tree's changes, the remote, its host).
void ask_panel_facts(state::State& state, const repo::Repo& repo, state::Clock::time_point now);

// While the panel is shown, asks the facts when they were never asked or
// have grown old; true when the answer differs from what was shown.
bool keep_panel_facts(state::State& state, const repo::Repo& repo, state::Clock::time_point now);

}  // namespace action
