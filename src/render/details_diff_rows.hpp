#pragma once
// The rows of one diff line of the commit details: gutter, origin, syntax
// colours, search marks, wrapped at the text's width.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "highlight/highlight.hpp"
#include "repo/diff.hpp"
#include "tui/text.hpp"

namespace render {

// Appends the rows of the line. `tokens` are the line's syntax tokens, null
// or empty when it has none; `folded_query` is the lower-cased query, empty
// for no search. Widths count characters.
void append_diff_rows(std::vector<tui::Line>& out, const repo::DiffLine& line,
                      const std::vector<highlight::Token>* tokens, std::string_view folded_query,
                      std::size_t gutter, std::uint16_t width);

// The lower-case form the details search compares, whatever the query's
// letters.
std::string fold_case(std::string_view text);

// "+12", "-3": a count behind its sign.
std::string signed_count(char sign, std::size_t count);

}  // namespace render
