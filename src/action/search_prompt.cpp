#include "action/search_prompt.hpp"

#include <algorithm>

#include "action/action.hpp"
#include "action/details_panel.hpp"
#include "action/prompt_text.hpp"
#include "render/details_text.hpp"
#include "repo/search.hpp"
#include "viewport/viewport.hpp"

namespace action {

namespace {

bool any_commit_matches(const repo::Repo& repo, const std::string& query) {
  const repo::LogSearch search(query, repo.branches, repo.head_sha());
  return std::ranges::any_of(repo.commits, [&](const repo::Commit& c) { return search.matches(c); });
}

void cancel_search(state::State& state) {
  state.searching = false;
  state.history_cursor.reset();
  if (state.commit_details) {
    clear_details_search(state);
    return;
  }
  state.search_query.clear();
  if (state.saved_selection) state.selected = *state.saved_selection;
  if (state.saved_scroll) state.scroll = *state.saved_scroll;
  state.saved_selection.reset();
  state.saved_scroll.reset();
}

void confirm_search(state::State& state, const repo::Repo& repo, tui::Terminal& terminal) {
  state.searching = false;
  state.history_cursor.reset();
  if (state.commit_details) {
    const auto width = viewport::details_panel_width(viewport::terminal_size(terminal));
    // A query without a match is dropped, so the next / starts afresh.
    if (render::details_match_lines(state, width).empty()) state.details_query.clear();
    return;
  }
  if (any_commit_matches(repo, state.search_query)) {
    if (state.search_history.empty() || state.search_history.back() != state.search_query)
      state.search_history.push_back(state.search_query);
  } else {
    state.search_query.clear();
  }
  state.saved_selection.reset();
  state.saved_scroll.reset();
}

void history_back(state::State& state) {
  if (state.search_history.empty()) return;
  const std::size_t newest = state.search_history.size() - 1;
  state.history_cursor = !state.history_cursor        ? newest
                         : *state.history_cursor == 0 ? 0
                                                      : *state.history_cursor - 1;
  state.search_query = state.search_history[*state.history_cursor];
}

void history_forward(state::State& state) {
  if (!state.history_cursor) return;
  const std::size_t next = *state.history_cursor + 1;
  if (next >= state.search_history.size()) {
    state.history_cursor.reset();
    state.search_query.clear();
    return;
  }
  state.history_cursor = next;
  state.search_query = state.search_history[next];
}

}  // namespace

void open_search_prompt(state::State& state) {
  state.count_prefix.clear();
  state.searching = true;
  state.search_query.clear();
  state.saved_selection = state.selected;
  state.saved_scroll = state.scroll;
}

void Action::execute_search_mode(state::State& state, const repo::Repo& repo, tui::Terminal& terminal) const {
  std::string& text = state.commit_details ? state.details_query : state.search_query;
  switch (kind) {
    case Escape:
    case Interrupt:
      cancel_search(state);
      return;
    case Confirm:
      confirm_search(state, repo, terminal);
      return;
    // The history holds log searches only; recalling one while the details
    // search is shown would silently rewrite the hidden log query.
    case Up:
      if (!state.commit_details) history_back(state);
      return;
    case Down:
      if (!state.commit_details) history_forward(state);
      return;
    case Backspace:
      if (text.empty()) {
        cancel_search(state);
        return;
      }
      remove_last_char(text);
      state.history_cursor.reset();
      return;
    case Tab:
    case HalfPageDown:
    case HalfPageUp:
    case NoAction:
      return;
    default:
      break;
  }
  if (const auto c = typed_char()) {
    append_char(text, *c);
    state.history_cursor.reset();
  }
}

void find_next_match(state::State& state, const repo::Repo& repo) {
  if (state.search_query.empty()) return;
  const repo::LogSearch search(state.search_query, repo.branches, repo.head_sha());
  const std::size_t n = repo.commits.size();
  // A selection past the end stands where the end is.
  const std::size_t s = std::min(state.selected, n);
  for (std::size_t i = s + 1; i < n; ++i) {
    if (search.matches(repo.commits[i])) {
      state.selected = i;
      return;
    }
  }
  for (std::size_t i = 0; i < s; ++i) {
    if (search.matches(repo.commits[i])) {
      state.selected = i;
      return;
    }
  }
}

void find_previous_match(state::State& state, const repo::Repo& repo) {
  if (state.search_query.empty()) return;
  const repo::LogSearch search(state.search_query, repo.branches, repo.head_sha());
  const std::size_t n = repo.commits.size();
  const std::size_t s = std::min(state.selected, n);
  for (std::size_t i = s; i-- > 0;) {
    if (search.matches(repo.commits[i])) {
      state.selected = i;
      return;
    }
  }
  for (std::size_t i = n; i-- > s + 1;) {
    if (search.matches(repo.commits[i])) {
      state.selected = i;
      return;
    }
  }
}

}  // namespace action
