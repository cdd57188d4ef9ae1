#include "render/details_diff_rows.hpp"

#include <optional>
#include <string>

#include "render/spans.hpp"
#include "utils/letter_case.hpp"
#include "utils/utf8_chars.hpp"

namespace render {
namespace {

// A token's text as it goes into the rows.
struct Piece {
  std::string_view text;
  std::size_t chars;
  tui::Style style;
};

// Bytes of the first `chars` characters; a cut never falls inside one.
std::size_t bytes_of_chars(std::string_view text, std::size_t chars) {
  std::size_t i = 0;
  for (; chars > 0 && i < text.size(); --chars) i += utils::utf8_char_length(text, i);
  return i;
}

}  // namespace

std::string fold_case(std::string_view text) { return utils::to_lower(text); }

std::string signed_count(char sign, std::size_t count) {
  std::string text(1, sign);
  text += std::to_string(count);
  return text;
}

void append_diff_rows(std::vector<tui::Line>& out, const repo::DiffLine& line,
                      const std::vector<highlight::Token>* tokens, std::string_view folded_query,
                      std::size_t gutter, std::uint16_t width) {
  const std::optional<tui::Color> background = line.origin == '+'   ? std::optional(DIFF_ADDED_BG)
                                               : line.origin == '-' ? std::optional(DIFF_REMOVED_BG)
                                                                    : std::nullopt;
  std::vector<Piece> pieces;
  if (tokens && !tokens->empty()) {
    pieces.reserve(tokens->size());
    for (const highlight::Token& token : *tokens) {
      const tui::Color fg = tui::Color::rgb(token.foreground.r, token.foreground.g, token.foreground.b);
      pieces.push_back({token.text, utils::count_chars(token.text), tui::Style{.fg = fg, .bg = background}});
    }
  } else if (!line.content.empty()) {
    // Without colours the line still shows, as one plain token.
    pieces.push_back({line.content, utils::count_chars(line.content), tui::Style{.bg = background}});
  }

  if (!folded_query.empty() && !pieces.empty()) {
    std::string text;
    for (const Piece& piece : pieces) text += piece.text;
    // Marks go on whole tokens; a match across two tokens marks neither.
    if (fold_case(text).find(folded_query) != std::string::npos)
      for (Piece& piece : pieces)
        if (fold_case(piece.text).find(folded_query) != std::string::npos) piece.style = MATCH_STYLE;
  }

  std::size_t total = 0;
  for (const Piece& piece : pieces) total += piece.chars;
  const std::size_t avail = width >= gutter + 2 ? width - (gutter + 2) : 0;

  std::vector<tui::Span> row = diff_prefix_spans(line, gutter, background);
  if (total <= avail || gutter + 2 >= width) {
    for (const Piece& piece : pieces) row.emplace_back(piece.text, piece.style);
    fill_diff_background(row, background, width);
    out.emplace_back(std::move(row));
    return;
  }

  const std::string indent(gutter + 2, ' ');
  const tui::Style indent_style{.bg = background};
  auto close_row = [&] {
    fill_diff_background(row, background, width);
    out.emplace_back(std::move(row));
    row.clear();
    row.emplace_back(indent, indent_style);
  };
  std::size_t col = 0;  // characters of token text in the current row
  for (const Piece& piece : pieces) {
    std::string_view rest = piece.text;
    std::size_t rest_chars = piece.chars;
    for (;;) {
      if (col >= avail) {
        close_row();
        col = 0;
      }
      if (rest_chars <= avail - col) {
        if (!rest.empty()) row.emplace_back(rest, piece.style);
        col += rest_chars;
        break;
      }
      const std::size_t take = avail - col;
      const std::size_t bytes = bytes_of_chars(rest, take);
      row.emplace_back(rest.substr(0, bytes), piece.style);
      rest.remove_prefix(bytes);
      rest_chars -= take;
      close_row();
      col = 0;
    }
  }
  // A row left with nothing but its indent is not shown.
  if (col > 0) {
    fill_diff_background(row, background, width);
    out.emplace_back(std::move(row));
  }
}

}  // namespace render
