#pragma once
// Pieces of the log view's handler shared between its files and open to
// tests.

#include "action/action.hpp"
#include "state/state.hpp"
#include "repo/repo.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace action {

// The count prefix as a number; nothing when it is empty or does not fit in
// 64 bits.
std::optional<std::uint64_t> parse_count(std::string_view digits);

// The match after (before) the reference line among the ascending match
// lines, wrapping; a match on the reference line itself never counts.
// Nothing when there are no match lines.
std::optional<state::DetailsMatch> step_details_match(const std::vector<std::size_t>& lines,
                                                      std::size_t reference, bool forward);

// The log view's commands on the selected commit and its entries into the
// other modes.
void execute_log_command(const Action& action, state::State& state, repo::Repo& repo);

}  // namespace action
