#pragma once
// Where the selection goes when the log is loaded again: a reload may add,
// drop or reorder rows, and a row number alone would then point at another
// commit, on which the next command (a branch to create, say) would act.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "repo/repo.hpp"
#include "state/state.hpp"

namespace viewport {

// The selected commit and its place on screen before a reload, and the same
// for the place the search prompt returns to.
struct SelectionAnchor {
  std::optional<repo::Oid> commit;  // absent when nothing is selected
  std::size_t selected = 0;
  std::size_t scroll = 0;
  std::optional<repo::Oid> saved_commit;
};

SelectionAnchor selection_anchor(const state::State& state, const repo::Repo& repo);

// After a reload: the anchored commit again when the log still holds it, on
// the same screen row as far as the window allows; otherwise the same row
// number, moved back inside a log that became shorter. The scroll never
// leaves rows of a log below the screen empty.
void keep_selection_after_reload(state::State& state, const repo::Repo& repo, const SelectionAnchor& anchor,
                                 std::uint16_t visible_rows);

// Only the last part: selection and scroll inside the log.
void clamp_selection(state::State& state, const repo::Repo& repo, std::uint16_t visible_rows);

}  // namespace viewport
