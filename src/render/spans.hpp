#pragma once
// The styles every screen shares, search-match marking, and the fixed left
// part of a diff row. Lengths and widths here count characters, not cells.

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "repo/diff.hpp"
#include "tui/style.hpp"
#include "tui/text.hpp"

namespace render {

// The details panel finds match lines by comparing with this style, all five
// parts, so nothing else may be drawn in it.
inline constexpr tui::Style MATCH_STYLE{.fg = tui::Color::Black, .bg = tui::Color::Yellow};
inline constexpr tui::Style CURRENT_MATCH_STYLE{.fg = tui::Color::Black, .bg = tui::Color::Cyan};

// Graph lanes and branch labels take entry (lane % 4).
inline constexpr std::array<tui::Color, 4> LANE_COLORS{tui::Color::Red, tui::Color::Blue, tui::Color::Magenta,
                                                       tui::Color::Green};

inline constexpr tui::Color DIFF_ADDED_BG = tui::Color::rgb(27, 71, 33);
inline constexpr tui::Color DIFF_REMOVED_BG = tui::Color::rgb(120, 25, 27);
inline constexpr tui::Color GUTTER_FG = tui::Color::rgb(191, 197, 210);

// The text cut into spans so that every occurrence of the query, left to
// right without overlap, is in the match style and the rest in the base
// style. Smart case: a query with both upper- and lower-case letters is
// matched byte for byte, any other against the lower-cased text, marking the
// text's own characters. Never empty: an empty text gives one empty span.
std::vector<tui::Span> highlight_matches(std::string_view text, std::string_view query, tui::Style base,
                                         tui::Style match);

// Digits of the largest old or new line number in the hunks, at least 2.
std::size_t diff_gutter_width(const std::vector<repo::Hunk>& hunks);

// Two spans: the line number right-aligned to the gutter and a space, then
// the origin character. A '-' line shows its old number, others their new one.
std::vector<tui::Span> diff_prefix_spans(const repo::DiffLine& line, std::size_t gutter,
                                         std::optional<tui::Color> background);

// With a background, pads the row with background-only spaces to the width.
void fill_diff_background(std::vector<tui::Span>& spans, std::optional<tui::Color> background,
                          std::size_t width);

}  // namespace render
