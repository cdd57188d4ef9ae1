#include "render/details_text.hpp"

#include <algorithm>
#include <string>

#include "utils/dates.hpp"
#include "render/details_diff_rows.hpp"
#include "render/spans.hpp"
#include "utils/utf8_chars.hpp"

namespace render {
namespace {

const tui::Style kDimStyle{.fg = tui::Color::DarkGray};
const tui::Style kBarStyle{
    .fg = tui::Color::White, .bg = tui::Color::DarkGray, .add_modifier = tui::Modifier::BOLD};

// Lines split at line feeds; a CR before a LF goes with it, and a final LF
// starts no empty line.
std::vector<std::string_view> message_lines(std::string_view message) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < message.size();) {
    const std::size_t lf = message.find('\n', start);
    if (lf == std::string_view::npos) {
      lines.push_back(message.substr(start));
      break;
    }
    std::size_t end = lf;
    if (end > start && message[end - 1] == '\r') --end;
    lines.push_back(message.substr(start, end - start));
    start = lf + 1;
  }
  return lines;
}

// The message line on the left, the right-hand text ending one column short
// of the width; a line too long for that keeps one space between the two.
tui::Line header_line(std::string_view message_line, const std::string& right, tui::Style base,
                      std::string_view query, std::uint16_t width) {
  std::vector<tui::Span> spans = highlight_matches(message_line, query, base, MATCH_STYLE);
  const std::size_t used = utils::count_chars(message_line) + utils::count_chars(right) + 1;
  const std::size_t gap = used < width ? width - used : 1;
  spans.emplace_back(std::string(gap, ' '));
  spans.emplace_back(right, kDimStyle);
  return tui::Line(std::move(spans));
}

tui::Line summary_line(const std::vector<repo::FileChange>& files) {
  std::size_t added = 0, removed = 0;
  for (const repo::FileChange& file : files) {
    added += file.additions;
    removed += file.deletions;
  }
  std::vector<tui::Span> spans;
  spans.emplace_back(
      std::to_string(files.size()) + (files.size() == 1 ? " file changed  " : " files changed  "), kBarStyle);
  if (added > 0) spans.emplace_back(signed_count('+', added), kBarStyle.with_fg(tui::Color::Green));
  if (added > 0 && removed > 0) spans.emplace_back(" ", tui::Style{.bg = tui::Color::DarkGray});
  if (removed > 0) spans.emplace_back(signed_count('-', removed), kBarStyle.with_fg(tui::Color::Red));
  return tui::Line(std::move(spans));
}

const std::vector<highlight::Token>* line_tokens(const highlight::HighlightedFile* tokens, std::size_t k) {
  return tokens && k < tokens->lines.size() ? &tokens->lines[k] : nullptr;
}

void append_file_block(DetailsText& text, std::size_t index, const repo::FileChange& file,
                       const highlight::HighlightedFile* tokens, std::string_view folded_query,
                       std::string_view query, std::uint16_t width) {
  text.sections.push_back(FileSection{file.path, text.lines.size(), index, {}});
  std::vector<std::size_t>& rows = text.sections.back().line_rows;
  text.lines.emplace_back(highlight_matches(file.path, query, kBarStyle, MATCH_STYLE));
  const std::size_t gutter = diff_gutter_width(file.hunks);
  std::size_t k = 0;  // the line's entry among the file's tokens
  for (std::size_t h = 0; h < file.hunks.size(); ++h) {
    if (h > 0) text.lines.emplace_back();
    for (const repo::DiffLine& line : file.hunks[h].lines) {
      rows.push_back(text.lines.size());
      append_diff_rows(text.lines, line, line_tokens(tokens, k), folded_query, gutter, width);
      ++k;
    }
  }
  text.lines.emplace_back();
}

}  // namespace

DetailsText details_lines(const repo::CommitDetails& details, const highlight::HighlightCache* cache,
                          std::string_view query, std::uint16_t width) {
  DetailsText text;

  const std::vector<std::string_view> message = message_lines(details.message);
  const std::string right[3] = {
      details.id.hex(),
      details.author + " <" + details.email + ">",
      utils::format_date(details.time) + " " + utils::format_time(details.time),
  };
  for (std::size_t j = 0; j < 3; ++j) {
    const tui::Style base = j == 0 ? tui::Style{.add_modifier = tui::Modifier::BOLD} : tui::Style{};
    text.lines.push_back(
        header_line(j < message.size() ? message[j] : std::string_view(), right[j], base, query, width));
  }
  for (std::size_t j = 3; j < message.size(); ++j)
    text.lines.emplace_back(highlight_matches(message[j], query, tui::Style{}, MATCH_STYLE));
  text.lines.emplace_back();

  text.lines.push_back(summary_line(details.files));
  std::vector<FileTreeNode> tree = build_file_tree(details.files);
  sort_tree(tree);
  render_file_tree(tree, "", text.lines, query, MATCH_STYLE);
  text.lines.emplace_back();

  const std::string folded_query = query.empty() ? std::string() : fold_case(query);
  for (std::size_t i = 0; i < details.files.size(); ++i) {
    const repo::FileChange& file = details.files[i];
    if (file.hunks.empty()) continue;
    const highlight::HighlightedFile* tokens = cache && i < cache->files.size() ? &cache->files[i] : nullptr;
    append_file_block(text, i, file, tokens, folded_query, query, width);
  }
  return text;
}

std::vector<std::size_t> details_match_lines(const repo::CommitDetails& details,
                                             const highlight::HighlightCache* cache, std::string_view query,
                                             std::uint16_t width) {
  if (query.empty()) return {};
  return match_lines_of(details_lines(details, cache, query, width));
}

bool relayout_lines(DetailsText& text, std::size_t section, const repo::FileChange& file,
                    const highlight::HighlightedFile* tokens, std::string_view query, std::uint16_t width,
                    std::size_t from, std::size_t to) {
  const FileSection& block = text.sections.at(section);
  // The block ends with an empty line, before the next block or the end.
  const std::size_t block_end =
      (section + 1 < text.sections.size() ? text.sections[section + 1].start_line : text.lines.size()) - 1;
  const std::string folded_query = query.empty() ? std::string() : fold_case(query);
  const std::size_t gutter = diff_gutter_width(file.hunks);
  std::vector<tui::Line> rows;
  std::size_t k = 0;
  for (std::size_t h = 0; h < file.hunks.size(); ++h) {
    const std::vector<repo::DiffLine>& lines = file.hunks[h].lines;
    for (std::size_t j = 0; j < lines.size(); ++j, ++k) {
      if (k >= to) return true;
      if (k < from) continue;
      if (k >= block.line_rows.size()) return false;
      // Up to the next line's rows, less the empty line between two hunks.
      const bool last_of_hunk = j + 1 == lines.size();
      const std::size_t end =
          k + 1 < block.line_rows.size() ? block.line_rows[k + 1] - (last_of_hunk ? 1 : 0) : block_end;
      rows.clear();
      append_diff_rows(rows, lines[j], line_tokens(tokens, k), folded_query, gutter, width);
      if (end < block.line_rows[k] || rows.size() != end - block.line_rows[k]) return false;
      std::move(rows.begin(), rows.end(),
                text.lines.begin() + static_cast<std::ptrdiff_t>(block.line_rows[k]));
    }
  }
  return true;
}

std::vector<std::size_t> match_lines_of(const DetailsText& text) {
  std::vector<std::size_t> found;
  for (std::size_t i = 0; i < text.lines.size(); ++i) {
    const auto& spans = text.lines[i].spans;
    if (std::any_of(spans.begin(), spans.end(), [](const tui::Span& s) { return s.style == MATCH_STYLE; }))
      found.push_back(i);
  }
  return found;
}

std::size_t details_content_height(const repo::CommitDetails& details, const highlight::HighlightCache* cache,
                                   std::string_view query, std::uint16_t width) {
  return details_lines(details, cache, query, width).lines.size();
}

}  // namespace render
