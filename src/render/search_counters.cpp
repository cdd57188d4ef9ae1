#include "render/search_counters.hpp"

#include <vector>

#include "render/details_text.hpp"
#include "repo/search.hpp"

namespace render {

namespace {

std::vector<std::size_t> details_matches(const state::State& state, const StatusBarContext& context) {
  return details_match_lines(state, context.details_width);
}

std::size_t count_log_matches(const state::State& state, const repo::Repo& repo, const repo::Oid& head) {
  const repo::LogSearch search(state.search_query, repo.branches, head);
  std::size_t n = 0;
  for (const repo::Commit& commit : repo.commits) n += search.matches(commit) ? 1 : 0;
  return n;
}

std::string counted(std::size_t m, std::string_view one, std::string_view many) {
  if (m == 0) return "no matches   ";
  if (m == 1) return "1 " + std::string(one) + "   ";
  return std::to_string(m) + " " + std::string(many) + "   ";
}

}  // namespace

std::string history_hint(std::optional<std::size_t> cursor, std::size_t entries) {
  if (!cursor) return entries == 0 ? "" : "↑ history   ";
  if (*cursor == 0) return entries > 1 ? "↓ history   " : "";
  if (*cursor + 1 < entries) return "↑↓ history   ";
  return "↑ history   ";
}

std::string position_text(std::size_t count, std::optional<std::size_t> place) {
  if (count == 0) return "[ no matches ]";
  if (place && *place < count)
    return "[ " + std::to_string(*place + 1) + " / " + std::to_string(count) + " ]";
  return "[ " + std::to_string(count) + " matches ]";
}

std::string search_counter(const state::State& state, const repo::Repo& repo,
                           const StatusBarContext& context) {
  const bool details = context.details_open && state.commit_details;
  if (context.active_query.empty())
    return details ? "" : history_hint(state.history_cursor, state.search_history.size());
  if (details) return counted(details_matches(state, context).size(), "match", "matches");
  return counted(count_log_matches(state, repo, context.head), "commit", "commits");
}

std::string match_position(const state::State& state, const repo::Repo& repo,
                           const StatusBarContext& context) {
  if (context.details_open && state.commit_details) {
    const std::size_t m = details_matches(state, context).size();
    // Only a match measured on this commit, query and width names a place
    // among these lines.
    const auto current = state::current_details_match(state, context.details_width);
    return position_text(m, current ? std::optional(current->index) : std::nullopt);
  }
  const repo::LogSearch search(state.search_query, repo.branches, context.head);
  std::size_t count = 0;
  std::optional<std::size_t> place;
  for (std::size_t i = 0; i < repo.commits.size(); ++i) {
    if (!search.matches(repo.commits[i])) continue;
    if (i == state.selected) place = count;
    ++count;
  }
  return position_text(count, place);
}

}  // namespace render
