#include "repo/hunk_apply.hpp"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <vector>

namespace repo {
namespace {

// The lines between line feeds; a final line feed starts no empty line.
std::vector<std::string_view> lf_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t lf = text.find('\n', pos);
    if (lf == std::string_view::npos) {
      lines.push_back(text.substr(pos));
      break;
    }
    lines.push_back(text.substr(pos, lf - pos));
    pos = lf + 1;
  }
  return lines;
}

std::string join(const std::vector<std::string_view>& lines, bool final_lf) {
  std::size_t size = 0;
  for (auto l : lines) size += l.size() + 1;
  std::string out;
  out.reserve(size);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i != 0) out += '\n';
    out += lines[i];
  }
  if (!lines.empty() && final_lf) out += '\n';
  return out;
}

}  // namespace

std::expected<std::string, std::string> apply_hunk_to_content(std::string_view content, const Hunk& hunk) {
  const auto file = lf_lines(content);
  const bool content_final_lf = !content.empty() && content.back() == '\n';

  std::vector<std::string_view> old_side, new_side;
  std::optional<std::uint32_t> first_old;
  for (const auto& line : hunk.lines) {
    if (line.origin != '+') {
      old_side.push_back(line.content);
      if (!first_old && line.old_lineno) first_old = line.old_lineno;
    }
    if (line.origin != '-') new_side.push_back(line.content);
  }

  if (old_side.empty()) {
    // With nothing to match, the hunk could go anywhere: only a text with
    // no lines (a new or emptied file) takes it.
    if (!file.empty()) return std::unexpected(std::string(kHunkLocationError));
    return join(new_side, !hunk.new_missing_newline);
  }

  const std::size_t n = file.size(), m = old_side.size();
  if (m > n) return std::unexpected(std::string(kHunkLocationError));
  // The old side ends at the file's end exactly when its last line lacks a
  // line feed as the hunk says, and a last line without one is the end.
  auto matches_at = [&](std::size_t i) {
    const bool reaches_end = i + m == n;
    if (reaches_end ? content_final_lf == hunk.old_missing_newline : hunk.old_missing_newline) return false;
    for (std::size_t k = 0; k < m; ++k)
      if (file[i + k] != old_side[k]) return false;
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

  std::vector<std::string_view> result;
  result.reserve(n - m + new_side.size());
  result.insert(result.end(), file.begin(), file.begin() + static_cast<std::ptrdiff_t>(*at));
  result.insert(result.end(), new_side.begin(), new_side.end());
  result.insert(result.end(), file.begin() + static_cast<std::ptrdiff_t>(*at + m), file.end());
  const bool final_lf = *at + m == n ? !hunk.new_missing_newline : content_final_lf;
  return join(result, final_lf);
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
