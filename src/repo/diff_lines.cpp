#include "repo/diff_lines.hpp"

#include "utils/text.hpp"

namespace repo {

std::string diff_line_text(std::string_view bytes) {
  while (!bytes.empty() && bytes.back() == '\n') bytes.remove_suffix(1);
  return utils::decode_lossy(bytes);
}

void add_library_line(Hunk& hunk, const git_diff_line& line, std::size_t& additions,
                      std::size_t& deletions) {
  char origin = ' ';
  switch (line.origin) {
    case GIT_DIFF_LINE_ADDITION:
      origin = '+';
      ++additions;
      break;
    case GIT_DIFF_LINE_DELETION:
      origin = '-';
      ++deletions;
      break;
    case GIT_DIFF_LINE_CONTEXT_EOFNL:  // neither side ends with a line feed
      hunk.old_missing_newline = hunk.new_missing_newline = true;
      return;
    case GIT_DIFF_LINE_ADD_EOFNL:  // follows the last removed line: the old side lacks it
      hunk.old_missing_newline = true;
      return;
    case GIT_DIFF_LINE_DEL_EOFNL:  // follows the last added line: the new side lacks it
      hunk.new_missing_newline = true;
      return;
    case GIT_DIFF_LINE_FILE_HDR:
    case GIT_DIFF_LINE_HUNK_HDR:
    case GIT_DIFF_LINE_BINARY:
      return;
    default:
      break;
  }
  DiffLine out;
  out.content = diff_line_text(std::string_view(line.content, line.content_len));
  if (line.old_lineno >= 0) out.old_lineno = static_cast<std::uint32_t>(line.old_lineno);
  if (line.new_lineno >= 0) out.new_lineno = static_cast<std::uint32_t>(line.new_lineno);
  out.origin = origin;
  hunk.lines.push_back(std::move(out));
}

std::vector<Hunk> read_patch_hunks(git_patch* patch, std::size_t& additions, std::size_t& deletions) {
  std::vector<Hunk> hunks;
  const std::size_t count = git_patch_num_hunks(patch);
  for (std::size_t h = 0; h < count; ++h) {
    const git_diff_hunk* header = nullptr;
    std::size_t lines = 0;
    if (git_patch_get_hunk(&header, &lines, patch, h) != 0) continue;
    Hunk hunk;
    for (std::size_t l = 0; l < lines; ++l) {
      const git_diff_line* line = nullptr;
      if (git_patch_get_line_in_hunk(&line, patch, h, l) != 0 || line == nullptr) continue;
      add_library_line(hunk, *line, additions, deletions);
    }
    hunks.push_back(std::move(hunk));
  }
  return hunks;
}

}  // namespace repo
