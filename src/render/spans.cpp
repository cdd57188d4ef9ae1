#include "render/spans.hpp"

#include <algorithm>
#include <string>

#include "utils/letter_case.hpp"
#include "utils/utf8_chars.hpp"

namespace render {
namespace {

struct Range {
  std::size_t begin, end;  // bytes of the text
};

bool is_ascii(std::string_view s) {
  return std::none_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

void find_exact(std::string_view text, std::string_view query, std::vector<Range>& out) {
  for (std::size_t at = text.find(query); at != std::string_view::npos;
       at = text.find(query, at + query.size()))
    out.push_back({at, at + query.size()});
}

// Lower-casing may change a character's length (İ becomes two code points),
// so a match in the lower-cased copy is mapped back through the offset at
// which each of the text's characters starts in that copy.
void find_folded(std::string_view text, std::string_view query, std::vector<Range>& out) {
  const std::string needle = utils::to_lower(query);
  if (is_ascii(text)) {
    std::string folded(text);
    for (char& c : folded)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    find_exact(folded, needle, out);
    return;
  }
  // byte_at[k] and folded_at[k]: where character k starts in the text and in
  // the lower-cased copy; one entry more for the end.
  std::vector<std::size_t> byte_at, folded_at;
  std::size_t folded_size = 0;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = utils::utf8_char_length(text, i);
    byte_at.push_back(i);
    folded_at.push_back(folded_size);
    // The lengths do not depend on context: the one contextual mapping, of
    // the capital sigma, has two forms of the same length.
    folded_size += length == 1 ? 1 : utils::to_lower(text.substr(i, length)).size();
    i += length;
  }
  byte_at.push_back(text.size());
  folded_at.push_back(folded_size);
  const std::string folded = utils::to_lower(text);
  if (folded.size() != folded_size) return;  // cannot happen; never mark the wrong characters

  for (std::size_t from = 0;;) {
    const std::size_t at = folded.find(needle, from);
    if (at == std::string::npos) break;
    const std::size_t end = at + needle.size();
    // The characters whose lower-case forms overlap [at, end).
    const auto first = std::upper_bound(folded_at.begin(), folded_at.end(), at) - folded_at.begin() - 1;
    const auto last = std::lower_bound(folded_at.begin(), folded_at.end(), end) - folded_at.begin();
    out.push_back({byte_at[first], byte_at[last]});
    // Resume after the last marked character, so no character is marked twice.
    from = folded_at[last];
  }
}

}  // namespace

std::vector<tui::Span> highlight_matches(std::string_view text, std::string_view query, tui::Style base,
                                         tui::Style match) {
  std::vector<tui::Span> spans;
  if (query.empty() || text.empty()) {
    spans.emplace_back(text, base);
    return spans;
  }
  std::vector<Range> found;
  if (utils::has_mixed_case(query))
    find_exact(text, query, found);
  else
    find_folded(text, query, found);

  std::size_t done = 0;
  for (const Range& r : found) {
    if (r.begin > done) spans.emplace_back(text.substr(done, r.begin - done), base);
    spans.emplace_back(text.substr(r.begin, r.end - r.begin), match);
    done = r.end;
  }
  if (done < text.size()) spans.emplace_back(text.substr(done), base);
  return spans;
}

std::size_t diff_gutter_width(const std::vector<repo::Hunk>& hunks) {
  std::uint32_t largest = 0;
  for (const repo::Hunk& hunk : hunks)
    for (const repo::DiffLine& line : hunk.lines)
      largest = std::max({largest, line.old_lineno.value_or(0), line.new_lineno.value_or(0)});
  std::size_t digits = 1;
  for (std::uint32_t n = largest; n >= 10; n /= 10) ++digits;
  return std::max<std::size_t>(digits, 2);
}

std::vector<tui::Span> diff_prefix_spans(const repo::DiffLine& line, std::size_t gutter,
                                         std::optional<tui::Color> background) {
  const std::optional<std::uint32_t> number = line.origin == '-' ? line.old_lineno : line.new_lineno;
  const std::string digits = number ? std::to_string(*number) : std::string();
  std::string text(gutter > digits.size() ? gutter - digits.size() : 0, ' ');
  text += digits;
  text += ' ';

  const tui::Color origin_fg = line.origin == '+'   ? tui::Color::Green
                               : line.origin == '-' ? tui::Color::Red
                                                    : tui::Color::DarkGray;
  std::vector<tui::Span> spans;
  spans.reserve(2);
  spans.emplace_back(std::move(text),
                     tui::Style{.fg = background ? GUTTER_FG : tui::Color::DarkGray, .bg = background});
  spans.emplace_back(std::string(1, line.origin), tui::Style{.fg = origin_fg, .bg = background});
  return spans;
}

void fill_diff_background(std::vector<tui::Span>& spans, std::optional<tui::Color> background,
                          std::size_t width) {
  if (!background) return;
  std::size_t chars = 0;
  for (const tui::Span& span : spans) chars += utils::count_chars(span.content);
  if (chars < width) spans.emplace_back(std::string(width - chars, ' '), tui::Style{.bg = background});
}

}  // namespace render
