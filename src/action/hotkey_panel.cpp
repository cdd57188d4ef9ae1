#include "action/hotkey_panel.hpp"

namespace action {

void ask_panel_facts(state::State& state, const repo::Repo& repo, state::Clock::time_point now) {
  state.panel_facts = state::PanelFacts{repo.has_changes(), repo.has_remote(),
                                        repo.remote_host_name().value_or("github"), now};
}

void toggle_hotkeys(state::State& state, const repo::Repo& repo, state::Clock::time_point now) {
  state.show_hotkeys = !state.show_hotkeys;
  if (state.show_hotkeys)
    ask_panel_facts(state, repo, now);
  else
    state.panel_facts.reset();
}

bool keep_panel_facts(state::State& state, const repo::Repo& repo, state::Clock::time_point now) {
  if (!state.show_hotkeys) return false;
  if (state.panel_facts && now - state.panel_facts->asked < PANEL_FACTS_AGE) return false;
  const std::optional<state::PanelFacts> before = state.panel_facts;
  ask_panel_facts(state, repo, now);
  const state::PanelFacts& after = *state.panel_facts;
  return !before || before->has_changes != after.has_changes || before->has_remote != after.has_remote ||
         before->host_word != after.host_word;
}

}  // namespace action
