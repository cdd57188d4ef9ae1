#pragma once
// The staging view: diff preview above the unstaged and staged file lists,
// the status message as a toast and the discard dialog over them.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/buffer.hpp"
#include "tui/rect.hpp"

namespace render {

// The whole view. `now` decides whether the status message still shows.
void render_commit_view(tui::Buffer& buffer, tui::Rect area, const state::CommitViewState& view,
                        const state::State& state, const repo::Repo& repo,
                        state::Clock::time_point now = state::Clock::now());

// One bordered list of files with its title, a 5-row window from `scroll`
// and an optional hint row; the selected row is marked only while focused.
void render_file_list_panel(tui::Buffer& buffer, tui::Rect area, std::string_view title,
                            const std::vector<repo::WorktreeFile>& files, std::size_t selected,
                            std::size_t scroll, bool focused, std::optional<std::string_view> hint,
                            const std::map<std::string, std::size_t>* resolved);

}  // namespace render
