#include "viewport/reload.hpp"

#include <algorithm>

namespace viewport {
namespace {

// Most reloads move a commit by a few rows (new commits on top), so the
// rows around the old place are tried before the whole log.
constexpr std::size_t kNearby = 64;

std::optional<std::size_t> find_commit(const repo::Repo& repo, const repo::Oid& id, std::size_t near) {
  const auto& commits = repo.commits;
  const std::size_t from = near > kNearby ? near - kNearby : 0;
  const std::size_t to = std::min(commits.size(), near + kNearby);
  for (std::size_t i = from; i < to; ++i)
    if (commits[i].id == id) return i;
  for (std::size_t i = 0; i < commits.size(); ++i)
    if (commits[i].id == id) return i;
  return std::nullopt;
}

std::size_t last_scroll(std::size_t rows, std::uint16_t visible_rows) {
  return rows > visible_rows ? rows - visible_rows : 0;
}

// One selection and its scroll, moved to the commit's new row or kept in
// the log.
void place(std::size_t& selected, std::size_t& scroll, std::optional<std::size_t> found, std::size_t rows,
           std::uint16_t visible_rows) {
  if (found) {
    const std::size_t offset =
        selected >= scroll ? std::min<std::size_t>(selected - scroll, visible_rows ? visible_rows - 1 : 0) : 0;
    selected = *found;
    scroll = selected >= offset ? selected - offset : 0;
  } else {
    selected = rows == 0 ? 0 : std::min(selected, rows - 1);
  }
  scroll = std::min({scroll, selected, last_scroll(rows, visible_rows)});
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
  place(state.selected, state.scroll, anchor.commit ? find_commit(repo, *anchor.commit, anchor.selected) : std::nullopt,
        rows, visible_rows);
  if (state.saved_selection) {
    std::size_t saved_scroll = state.saved_scroll.value_or(0);
    const auto found = anchor.saved_commit ? find_commit(repo, *anchor.saved_commit, *state.saved_selection)
                                           : std::nullopt;
    place(*state.saved_selection, saved_scroll, found, rows, visible_rows);
    if (state.saved_scroll) state.saved_scroll = saved_scroll;
  }
}

void clamp_selection(state::State& state, const repo::Repo& repo, std::uint16_t visible_rows) {
  place(state.selected, state.scroll, std::nullopt, repo.commits.size(), visible_rows);
}

}  // namespace viewport
