#include "repo/hunk_apply.hpp"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <vector>

#include "repo/file_lines.hpp"

namespace repo {
namespace {

// One line of the text: what is compared, and the ending written after it
// (empty for a last line without a line feed).
struct TextLine {
  std::string_view raw;   // the bytes before the line feed
  std::string_view body;  // raw, less the CR of a CRLF ending when those are loose
  std::string_view ending;
};

// The lines between line feeds, split by the work tree's line rule; the CR
// of a CRLF ending belongs to the line unless those are loose.
std::vector<TextLine> text_lines(std::string_view text, bool loose_cr) {
  std::vector<TextLine> lines;
  for (const FileLine& split : split_file_lines(text)) {
    const std::string_view whole = text.substr(split.begin, split.end - split.begin);
    TextLine line;
    line.raw = whole.ends_with('\n') ? whole.substr(0, whole.size() - 1) : whole;
    line.body = loose_cr ? split.text : line.raw;
    line.ending = whole.substr(line.body.size());
    lines.push_back(line);
  }
  return lines;
}

bool same_line(const TextLine& line, std::string_view hunk_text) {
  return line.body == hunk_text || line.raw == hunk_text;
}

struct Piece {
  std::string_view text;
  std::string_view ending;
};

std::string join(std::vector<Piece>& pieces, bool final_lf, std::string_view added) {
  if (!pieces.empty()) {
    Piece& last = pieces.back();
    last.ending = !final_lf ? std::string_view() : last.ending.empty() ? added : last.ending;
  }
  std::size_t size = 0;
  for (const auto& p : pieces) size += p.text.size() + std::max<std::size_t>(p.ending.size(), added.size());
  std::string out;
  out.reserve(size);
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    out += pieces[i].text;
    // A line that was last without a line feed and now has lines after it.
    out += pieces[i].ending.empty() && i + 1 < pieces.size() ? added : pieces[i].ending;
  }
  return out;
}

std::expected<std::string, std::string> apply(std::string_view content, const Hunk& hunk, bool loose_cr,
                                              std::string_view added) {
  const auto file = text_lines(content, loose_cr);
  const bool content_final_lf = !content.empty() && content.back() == '\n';

  std::vector<std::string_view> old_side;
  std::optional<std::uint32_t> first_old;
  for (const auto& line : hunk.lines) {
    if (line.origin != '+') {
      old_side.push_back(line.content);
      if (!first_old && line.old_lineno) first_old = line.old_lineno;
    }
  }

  std::vector<Piece> result;
  if (old_side.empty()) {
    // With nothing to match, the hunk could go anywhere: only a text with
    // no lines (a new or emptied file) takes it.
    if (!file.empty()) return std::unexpected(std::string(kHunkLocationError));
    for (const auto& line : hunk.lines)
      if (line.origin != '-') result.push_back({line.content, added});
    return join(result, !hunk.new_missing_newline, added);
  }

  const std::size_t n = file.size(), m = old_side.size();
  if (m > n) return std::unexpected(std::string(kHunkLocationError));
  // The old side ends at the file's end exactly when its last line lacks a
  // line feed as the hunk says, and a last line without one is the end.
  auto matches_at = [&](std::size_t i) {
    const bool reaches_end = i + m == n;
    if (reaches_end ? content_final_lf == hunk.old_missing_newline : hunk.old_missing_newline) return false;
    for (std::size_t k = 0; k < m; ++k)
      if (!same_line(file[i + k], old_side[k])) return false;
    return true;
  };

  const std::size_t last = n - m;
  const std::size_t expected = first_old && *first_old > 0 ? std::min<std::size_t>(*first_old - 1, last) : 0;
  std::optional<std::size_t> at;
  // Where the numbers say first, then outwards, the earlier of two equally
  // near places first: repeated context (closing braces, lock files) must
  // not pull the change to another copy of itself.
  for (std::size_t d = 0; !at && (d <= expected || expected + d <= last); ++d) {
    if (d <= expected && matches_at(expected - d))
      at = expected - d;
    else if (d != 0 && expected + d <= last && matches_at(expected + d))
      at = expected + d;
  }
  if (!at) return std::unexpected(std::string(kHunkLocationError));

  result.reserve(n - m + hunk.lines.size());
  for (std::size_t i = 0; i < *at; ++i) result.push_back({file[i].body, file[i].ending});
  // Context keeps the text's own bytes; only added lines come from the hunk.
  std::size_t next = *at;
  for (const auto& line : hunk.lines) {
    if (line.origin == '+') {
      result.push_back({line.content, added});
    } else {
      if (line.origin == ' ') result.push_back({file[next].body, file[next].ending});
      ++next;
    }
  }
  for (std::size_t i = *at + m; i < n; ++i) result.push_back({file[i].body, file[i].ending});
  const bool final_lf = *at + m == n ? !hunk.new_missing_newline : content_final_lf;
  return join(result, final_lf, added);
}

}  // namespace

std::expected<std::string, std::string> apply_hunk_to_content(std::string_view content, const Hunk& hunk) {
  return apply(content, hunk, false, "\n");
}

std::expected<std::string, std::string> apply_hunk_to_converted_copy(std::string_view content, const Hunk& hunk,
                                                                     LineEnding added) {
  return apply(content, hunk, true, added == LineEnding::Crlf ? "\r\n" : "\n");
}

std::optional<LineEnding> prevailing_line_ending(std::string_view text) {
  std::size_t crlf = 0, lf = 0;
  for (std::size_t pos = text.find('\n'); pos != std::string_view::npos; pos = text.find('\n', pos + 1))
    ++(pos > 0 && text[pos - 1] == '\r' ? crlf : lf);
  if (crlf == 0 && lf == 0) return std::nullopt;
  return crlf >= lf ? LineEnding::Crlf : LineEnding::Lf;
}

Hunk reverse_hunk(const Hunk& hunk) {
  Hunk out;
  out.lines.reserve(hunk.lines.size());
  for (const auto& line : hunk.lines) {
    DiffLine r;
    r.content = line.content;
    r.old_lineno = line.new_lineno;
    r.new_lineno = line.old_lineno;
    r.origin = line.origin == '+' ? '-' : line.origin == '-' ? '+' : line.origin;
    out.lines.push_back(std::move(r));
  }
  out.old_missing_newline = hunk.new_missing_newline;
  out.new_missing_newline = hunk.old_missing_newline;
  return out;
}

}  // namespace repo
