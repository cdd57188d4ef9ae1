#pragma once
// The texts the status bar counts search matches with: the live counter of
// the search prompt (or its history hint) and the position among the matches
// once the prompt is closed.

#include <cstddef>
#include <optional>
#include <string>

#include "render/status_bar.hpp"
#include "repo/repo.hpp"
#include "state/state.hpp"

namespace render {

// Which hint the search prompt gives for stepping through the history with
// an empty query in the log.
std::string history_hint(std::optional<std::size_t> cursor, std::size_t entries);

// "[ n / m ]" with the 0-based place of the current match among `count`
// matches, "[ m matches ]" when it has none (or one out of range), "[ no
// matches ]" when there are none.
std::string position_text(std::size_t count, std::optional<std::size_t> place);

// The search prompt's counter, ending in three blanks when not empty.
std::string search_counter(const state::State& state, const repo::Repo& repo,
                           const StatusBarContext& context);

// "[ n / m ]", "[ m matches ]" or "[ no matches ]" for the active query.
std::string match_position(const state::State& state, const repo::Repo& repo,
                           const StatusBarContext& context);

}  // namespace render
