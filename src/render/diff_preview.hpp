#pragma once
// What the staging view's diff preview holds: the hunk rows of the shown
// file, each hunk marked with its keys and the selected hunk's keys kept in
// view on a sticky row, or the conflict view of a conflicted file.

#include "repo/conflict_context.hpp"
#include "repo/diff.hpp"
#include "state/state.hpp"
#include "tui/buffer.hpp"
#include "tui/rect.hpp"

namespace render {

// The shown file into the inside of the preview: its conflict sections when
// it has any, its hunks of the list it was found in otherwise.
void render_diff_preview(tui::Buffer& buffer, tui::Rect inner, const repo::WorktreeFile& file,
                         bool from_unstaged, const repo::ConflictContext& context,
                         const state::CommitViewState& view);

void render_hunk_rows(tui::Buffer& buffer, tui::Rect inner, const repo::WorktreeFile& file,
                      bool from_unstaged, const state::CommitViewState& view);

void render_conflict_view(tui::Buffer& buffer, tui::Rect inner, const repo::WorktreeFile& file,
                          const repo::ConflictContext& context, const state::CommitViewState& view);

}  // namespace render
