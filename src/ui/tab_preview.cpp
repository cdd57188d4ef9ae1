#include <algorithm>

#include "ui/status_bar.hpp"
#include "repo/utf8_chars.hpp"

namespace render {

namespace {

// Bytes of the leading characters that `a` and `b` share, compared whole
// character by whole character.
std::size_t shared_prefix_bytes(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  while (i < a.size()) {
    const std::size_t n = utils::utf8_char_length(a, i);
    if (i + n > b.size() || a.substr(i, n) != b.substr(i, n)) break;
    i += n;
  }
  return i;
}

}  // namespace

std::optional<std::string> get_tab_preview(std::string_view typed,
                                           const std::vector<std::string>& candidates) {
  std::vector<std::string> matches = state::matching_candidates(typed, candidates);
  if (matches.empty()) return std::nullopt;
  std::stable_sort(matches.begin(), matches.end());
  const std::string_view first = matches.front();
  std::size_t common = first.size();
  for (std::size_t k = 1; k < matches.size(); ++k)
    common = std::min(common, shared_prefix_bytes(first, matches[k]));
  // Every match begins with the typed text, so both cuts fall on a character
  // boundary.
  if (common > typed.size()) return std::string(first.substr(typed.size(), common - typed.size()));
  if (first.size() > typed.size()) return std::string(first.substr(typed.size()));
  return std::nullopt;
}

}  // namespace render
