#include "viewport/reload.hpp"

#include <algorithm>

#include "utils/arithmetic.hpp"

namespace viewport {
namespace {

// One selection and its scroll, moved to the commit's new row or kept in
// the log.
void place(std::size_t& selected, std::size_t& scroll, std::optional<std::size_t> found, std::size_t rows,
           std::uint16_t visible_rows) {
  if (found) {
    const std::size_t offset =
        selected >= scroll ? std::min<std::size_t>(selected - scroll, visible_rows ? visible_rows - 1 : 0)
                           : 0;
    selected = *found;
    scroll = selected >= offset ? selected - offset : 0;
  } else {
    selected = rows == 0 ? 0 : std::min(selected, rows - 1);
  }
  scroll = std::min({scroll, selected, utils::saturating_sub(rows, visible_rows)});
}

}  // namespace

SelectionAnchor selection_anchor(const state::State& state, const repo::Repo& repo) {
  SelectionAnchor anchor{std::nullopt, state.selected, state.scroll, std::nullopt};
  if (const repo::Commit* commit = state::selected_commit(state, repo)) anchor.commit = commit->id;
  if (state.saved_selection && *state.saved_selection < repo.commits.size())
    anchor.saved_commit = repo.commits[*state.saved_selection].id;
  return anchor;
}

void keep_selection_after_reload(state::State& state, const repo::Repo& repo, const SelectionAnchor& anchor,
                                 std::uint16_t visible_rows) {
  const std::size_t rows = repo.commits.size();
  place(state.selected, state.scroll,
        anchor.commit ? state::row_of(repo.commits, *anchor.commit, anchor.selected) : std::nullopt, rows,
        visible_rows);
  if (state.saved_selection) {
    std::size_t saved_scroll = state.saved_scroll.value_or(0);
    const auto found = anchor.saved_commit
                           ? state::row_of(repo.commits, *anchor.saved_commit, *state.saved_selection)
                           : std::nullopt;
    place(*state.saved_selection, saved_scroll, found, rows, visible_rows);
    if (state.saved_scroll) state.saved_scroll = saved_scroll;
  }
}

void clamp_selection(state::State& state, const repo::Repo& repo, std::uint16_t visible_rows) {
  place(state.selected, state.scroll, std::nullopt, repo.commits.size(), visible_rows);
}

}  // namespace viewport
