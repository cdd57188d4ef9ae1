#pragma once
// The open commit's details laid out as lines at a given width: header,
// changed-file summary, file tree and per-file diffs; and the measurements
// the key handlers take of it.

#include "repo/diff.hpp"
#include "ui/highlight.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace render {

// Ascending indices of the details lines that hold a match of the query.
std::vector<std::size_t> details_match_lines(const repo::CommitDetails& details,
                                             const highlight::HighlightCache* cache, std::string_view query,
                                             std::uint16_t width);
// The number of lines of the details text.
std::size_t details_content_height(const repo::CommitDetails& details, const highlight::HighlightCache* cache,
                                   std::string_view query, std::uint16_t width);

}  // namespace render
