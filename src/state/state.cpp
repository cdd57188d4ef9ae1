#include "state/state.hpp"

#include <algorithm>

#include "utils/utf8_chars.hpp"

namespace state {

State State::create(const repo::Repo& repo) {
  State s;
  s.selected = row_of(repo.commits, repo.head_sha()).value_or(0);
  return s;
}

Mode mode_of(const State& state) {
  if (state.commit_view) return Mode::CommitView;
  if (state.searching) return Mode::Search;
  if (state.creating_branch) return Mode::CreateBranch;
  if (state.deleting_branch) return Mode::DeleteBranch;
  if (state.checking_out) return Mode::Checkout;
  if (state.rebase_in_progress) return Mode::RebaseInProgress;
  if (state.selecting_rebase_branch) return Mode::RebaseBranchSelection;
  if (state.entering_rebase_target) return Mode::RebaseTarget;
  if (state.confirming_revert) return Mode::RevertConfirmation;
  if (state.entering_push_branch) return Mode::Push;
  if (state.selecting_move_branch) return Mode::MoveBranchSelection;
  if (state.selecting_move_target) return Mode::MoveTarget;
  if (state.confirming_move) return Mode::MoveConfirmation;
  return Mode::Log;
}

const repo::Commit* selected_commit(const State& state, const repo::Repo& repo) {
  return state.selected < repo.commits.size() ? &repo.commits[state.selected] : nullptr;
}

std::optional<std::size_t> row_of(const std::vector<repo::Commit>& commits, const repo::Oid& id,
                                  std::size_t near) {
  // Far enough for the new commits a reload usually brings on top.
  constexpr std::size_t kNearby = 64;
  const std::size_t from = near > kNearby ? near - kNearby : 0;
  const std::size_t to = std::min(commits.size(), near + kNearby);
  for (std::size_t i = from; i < to; ++i)
    if (commits[i].id == id) return i;
  for (std::size_t i = 0; i < commits.size(); ++i)
    if (commits[i].id == id) return i;
  return std::nullopt;
}

std::optional<DetailsMatch> current_details_match(const State& state, std::uint16_t width) {
  if (!state.details_match_line || !state.details_match_index || !state.details_match_key ||
      !state.commit_details)
    return std::nullopt;
  const DetailsMatchKey& key = *state.details_match_key;
  if (key.commit != state.commit_details->id || key.query != state.details_query || key.width != width)
    return std::nullopt;
  return DetailsMatch{*state.details_match_line, *state.details_match_index};
}

void set_details_match(State& state, std::optional<DetailsMatch> match, std::uint16_t width) {
  if (!match || !state.commit_details) {
    state.details_match_line.reset();
    state.details_match_index.reset();
    state.details_match_key.reset();
    return;
  }
  state.details_match_line = match->line;
  state.details_match_index = match->index;
  state.details_match_key = DetailsMatchKey{state.commit_details->id, state.details_query, width};
}

std::vector<std::string> matching_candidates(std::string_view text,
                                             const std::vector<std::string>& candidates) {
  std::vector<std::string> out;
  for (const std::string& c : candidates)
    if (std::string_view(c).starts_with(text)) out.push_back(c);
  return out;
}

std::vector<std::string> all_branch_names(const repo::Repo& repo) {
  std::vector<std::string> names;
  names.reserve(repo.branches.size());
  for (const auto& [branch, tip] : repo.branches) names.push_back(branch.name);
  return names;
}

std::string_view common_prefix(const std::vector<std::string>& matches) {
  const std::string& first = matches.front();
  std::size_t end = 0;
  while (end < first.size()) {
    const std::size_t length = utils::utf8_char_length(first, end);
    const bool shared = std::ranges::all_of(matches, [&](const std::string& m) {
      return m.size() >= end + length && m.compare(end, length, first, end, length) == 0;
    });
    if (!shared) break;
    end += length;
  }
  return std::string_view(first).substr(0, end);
}

}  // namespace state
