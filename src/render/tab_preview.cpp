#include <algorithm>

#include "render/status_bar.hpp"

namespace render {

std::optional<std::string> get_tab_preview(std::string_view typed,
                                           const std::vector<std::string>& candidates) {
  std::vector<std::string> matches = state::matching_candidates(typed, candidates);
  if (matches.empty()) return std::nullopt;
  std::stable_sort(matches.begin(), matches.end());
  const std::string_view first = matches.front();
  const std::size_t common = state::common_prefix(matches).size();
  // Every match begins with the typed text, so both cuts fall on a character
  // boundary.
  if (common > typed.size()) return std::string(first.substr(typed.size(), common - typed.size()));
  if (first.size() > typed.size()) return std::string(first.substr(typed.size()));
  return std::nullopt;
}

}  // namespace render
