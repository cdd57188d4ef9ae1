#include "render/commit_view.hpp"

namespace render {

// Not drawn yet: nothing opens the staging view so far.
void render_commit_view(tui::Buffer&, tui::Rect, const state::CommitViewState&, const state::State&,
                        const repo::Repo&) {}

}  // namespace render
