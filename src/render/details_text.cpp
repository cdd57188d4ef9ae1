#include "render/details_text.hpp"

#include <algorithm>
#include <optional>
#include <string>

#include "render/details_diff_rows.hpp"
#include "render/spans.hpp"
#include "utils/dates.hpp"
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

const highlight::HighlightedFile* file_tokens(const highlight::HighlightCache* cache, std::size_t file) {
  return cache && file < cache->files.size() ? &cache->files[file] : nullptr;
}

// The characters the line shows: its tokens' when it has them.
std::size_t shown_chars(const repo::DiffLine& line, const std::vector<highlight::Token>* tokens) {
  if (!tokens || tokens->empty()) return utils::count_chars(line.content);
  std::size_t chars = 0;
  for (const highlight::Token& token : *tokens) chars += utils::count_chars(token.text);
  return chars;
}

// The rows append_diff_rows gives a line of so many characters: one when it
// fits or the gutter leaves no room, else as many as its characters fill.
std::size_t rows_of(std::size_t chars, std::size_t gutter, std::uint16_t width) {
  const std::size_t avail = width >= gutter + 2 ? width - (gutter + 2) : 0;
  if (chars <= avail || gutter + 2 >= width) return 1;
  return (chars + avail - 1) / avail;
}

tui::Line path_row(std::string_view path, std::string_view query) {
  return tui::Line(highlight_matches(path, query, kBarStyle, MATCH_STYLE));
}

bool has_match(const tui::Line& line) {
  return std::any_of(line.spans.begin(), line.spans.end(),
                     [](const tui::Span& s) { return s.style == MATCH_STYLE; });
}

// The diff line of a block that row `i` belongs to, if any: its index among
// the file's lines, through all hunks, and the line itself.
struct LineAt {
  std::size_t k;
  const repo::DiffLine* line;
};

std::optional<LineAt> line_at(const FileSection& section, const repo::FileChange& file, std::size_t i) {
  const auto row = std::ranges::upper_bound(section.line_rows, i);
  if (row == section.line_rows.begin()) return std::nullopt;
  const auto k = static_cast<std::size_t>(row - section.line_rows.begin()) - 1;
  // The last hunk starting at or before the line; an empty hunk starts where the next one does.
  const auto hunk = std::ranges::upper_bound(section.hunk_starts, k);
  if (hunk == section.hunk_starts.begin()) return std::nullopt;
  const auto h = static_cast<std::size_t>(hunk - section.hunk_starts.begin()) - 1;
  const std::size_t j = k - section.hunk_starts[h];
  if (h >= file.hunks.size() || j >= file.hunks[h].lines.size()) return std::nullopt;
  return LineAt{k, &file.hunks[h].lines[j]};
}

}  // namespace

DetailsLayout lay_out_details(const repo::CommitDetails& details, const highlight::HighlightCache* cache,
                              std::string_view query, std::uint16_t width) {
  DetailsLayout layout;
  layout.query = query;
  layout.folded_query = query.empty() ? std::string() : fold_case(query);
  layout.width = width;
  std::vector<tui::Line>& head = layout.head;

  const std::vector<std::string_view> message = message_lines(details.message);
  const std::string right[3] = {
      details.id.hex(),
      details.author + " <" + details.email + ">",
      utils::format_date(details.time) + " " + utils::format_time(details.time),
  };
  for (std::size_t j = 0; j < 3; ++j) {
    const tui::Style base = j == 0 ? tui::Style{.add_modifier = tui::Modifier::BOLD} : tui::Style{};
    head.push_back(
        header_line(j < message.size() ? message[j] : std::string_view(), right[j], base, query, width));
  }
  for (std::size_t j = 3; j < message.size(); ++j)
    head.emplace_back(highlight_matches(message[j], query, tui::Style{}, MATCH_STYLE));
  head.emplace_back();

  head.push_back(summary_line(details.files));
  std::vector<FileTreeNode> tree = build_file_tree(details.files);
  sort_tree(tree);
  render_file_tree(tree, "", head, query, MATCH_STYLE);
  head.emplace_back();

  std::size_t row = head.size();
  for (std::size_t i = 0; i < details.files.size(); ++i) {
    const repo::FileChange& file = details.files[i];
    if (file.hunks.empty()) continue;
    const highlight::HighlightedFile* tokens = file_tokens(cache, i);
    FileSection section{file.path, row, i, {}, {}, diff_gutter_width(file.hunks)};
    std::size_t lines = 0;
    for (const repo::Hunk& hunk : file.hunks) lines += hunk.lines.size();
    section.line_rows.reserve(lines);
    section.hunk_starts.reserve(file.hunks.size());
    ++row;  // the path
    std::size_t k = 0;
    for (std::size_t h = 0; h < file.hunks.size(); ++h) {
      if (h > 0) ++row;
      section.hunk_starts.push_back(k);
      for (const repo::DiffLine& line : file.hunks[h].lines) {
        section.line_rows.push_back(row);
        row += rows_of(shown_chars(line, line_tokens(tokens, k)), section.gutter, width);
        ++k;
      }
    }
    ++row;  // the closing empty line
    layout.sections.push_back(std::move(section));
  }
  layout.rows = row;
  return layout;
}

void append_details_rows(std::vector<tui::Line>& out, const DetailsLayout& layout,
                         const repo::CommitDetails& details, const highlight::HighlightCache* cache,
                         std::size_t from, std::size_t to) {
  to = std::min(to, layout.rows);
  // The rows of the line last made, for the next rows of the same line.
  const repo::DiffLine* made = nullptr;
  std::size_t made_first = 0;
  std::vector<tui::Line> rows;
  for (std::size_t i = from; i < to; ++i) {
    if (i < layout.head.size()) {
      out.push_back(layout.head[i]);
      continue;
    }
    const auto section = std::ranges::upper_bound(layout.sections, i, {}, &FileSection::start_line);
    if (section == layout.sections.begin() || section[-1].file >= details.files.size()) {
      out.emplace_back();
      continue;
    }
    const FileSection& block = section[-1];
    const repo::FileChange& file = details.files[block.file];
    if (i == block.start_line) {
      out.push_back(path_row(block.path, layout.query));
      continue;
    }
    const std::optional<LineAt> at = line_at(block, file, i);
    if (!at) {
      out.emplace_back();
      continue;
    }
    if (made != at->line) {
      rows.clear();
      append_diff_rows(rows, *at->line, line_tokens(file_tokens(cache, block.file), at->k),
                       layout.folded_query, block.gutter, layout.width);
      made = at->line;
      made_first = block.line_rows[at->k];
    }
    // Past the line's rows: the empty line after its hunk.
    const std::size_t r = i - made_first;
    out.push_back(r < rows.size() ? rows[r] : tui::Line());
  }
}

tui::Line details_row(const DetailsLayout& layout, const repo::CommitDetails& details,
                      const highlight::HighlightCache* cache, std::size_t i) {
  std::vector<tui::Line> out;
  append_details_rows(out, layout, details, cache, i, i + 1);
  return out.empty() ? tui::Line() : std::move(out.front());
}

std::vector<std::size_t> details_match_rows(const DetailsLayout& layout, const repo::CommitDetails& details,
                                            const highlight::HighlightCache* cache) {
  std::vector<std::size_t> found;
  if (layout.query.empty()) return found;
  for (std::size_t i = 0; i < layout.head.size(); ++i)
    if (has_match(layout.head[i])) found.push_back(i);
  std::vector<tui::Line> rows;
  std::string text;
  for (const FileSection& block : layout.sections) {
    if (block.file >= details.files.size()) continue;
    if (has_match(path_row(block.path, layout.query))) found.push_back(block.start_line);
    const repo::FileChange& file = details.files[block.file];
    const highlight::HighlightedFile* tokens = file_tokens(cache, block.file);
    std::size_t k = 0;
    for (const repo::Hunk& hunk : file.hunks) {
      for (const repo::DiffLine& line : hunk.lines) {
        const std::vector<highlight::Token>* line_tokens_k = line_tokens(tokens, k);
        std::string_view shown = line.content;
        if (line_tokens_k && !line_tokens_k->empty()) {
          text.clear();
          for (const highlight::Token& token : *line_tokens_k) text += token.text;
          shown = text;
        }
        // A line whose text holds no match has no marks; only the others are laid out.
        if (k < block.line_rows.size() && fold_case(shown).find(layout.folded_query) != std::string::npos) {
          rows.clear();
          append_diff_rows(rows, line, line_tokens_k, layout.folded_query, block.gutter, layout.width);
          for (std::size_t r = 0; r < rows.size(); ++r)
            if (has_match(rows[r])) found.push_back(block.line_rows[k] + r);
        }
        ++k;
      }
    }
  }
  return found;
}

bool colours_keep_rows(const repo::FileChange& file, const highlight::HighlightedFile& tokens,
                       std::size_t from, std::size_t to) {
  std::size_t k = 0;
  for (const repo::Hunk& hunk : file.hunks)
    for (const repo::DiffLine& line : hunk.lines) {
      if (k >= to) return true;
      if (k >= from && k < tokens.lines.size() &&
          shown_chars(line, &tokens.lines[k]) != utils::count_chars(line.content))
        return false;
      ++k;
    }
  return true;
}

DetailsText details_lines(const repo::CommitDetails& details, const highlight::HighlightCache* cache,
                          std::string_view query, std::uint16_t width) {
  DetailsLayout layout = lay_out_details(details, cache, query, width);
  DetailsText text;
  text.lines.reserve(layout.rows);
  append_details_rows(text.lines, layout, details, cache, 0, layout.rows);
  text.sections = std::move(layout.sections);
  return text;
}

std::vector<std::size_t> details_match_lines(const repo::CommitDetails& details,
                                             const highlight::HighlightCache* cache, std::string_view query,
                                             std::uint16_t width) {
  if (query.empty()) return {};
  return match_lines_of(details_lines(details, cache, query, width));
}

std::vector<std::size_t> match_lines_of(const DetailsText& text) {
  std::vector<std::size_t> found;
  for (std::size_t i = 0; i < text.lines.size(); ++i)
    if (has_match(text.lines[i])) found.push_back(i);
  return found;
}

std::size_t details_content_height(const repo::CommitDetails& details, const highlight::HighlightCache* cache,
                                   std::string_view query, std::uint16_t width) {
  return details_lines(details, cache, query, width).lines.size();
}

}  // namespace render
