#include "ui/details_text.hpp"

namespace render {

std::vector<std::size_t> details_match_lines(const repo::CommitDetails&, const highlight::HighlightCache*,
                                             std::string_view, std::uint16_t) {
  return {};
}

std::size_t details_content_height(const repo::CommitDetails&, const highlight::HighlightCache*, std::string_view,
                                   std::uint16_t) {
  return 0;
}

}  // namespace render
