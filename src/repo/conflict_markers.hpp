#pragma once
// Conflict blocks as git writes them into a file: "<<<<<<<", optionally
// "|||||||" and the base lines, "=======", ">>>>>>>". The staging view shows
// the sections; resolving one rewrites the file from the byte ranges.

#include <cstddef>
#include <string_view>
#include <vector>

#include "repo/diff.hpp"

namespace repo {

// The shortest run of marker characters that counts (git's default
// conflict-marker-size).
inline constexpr std::size_t kMinConflictMarkerSize = 7;

// One complete block. Byte offsets index the text that was scanned; the
// ranges of the two sides hold their lines with the lines' own endings, so
// "text before begin + one side's bytes + text from end" replaces the block
// and leaves every other byte as it was.
struct ConflictBlock {
  ConflictSection section;
  std::size_t marker_size = kMinConflictMarkerSize;  // the '<' run of the opening line
  std::size_t first_line = 0;                        // index of the opening line
  std::size_t last_line = 0;                         // index of the closing line
  std::size_t begin = 0;                             // start of the opening line
  std::size_t end = 0;                               // just past the closing line's ending
  std::size_t ours_begin = 0;
  std::size_t ours_end = 0;
  std::size_t theirs_begin = 0;
  std::size_t theirs_end = 0;
};

// The complete blocks of the text, in file order. A block's marker size is
// the length of the '<' run on its opening line; its "|||||||", "=======" and
// ">>>>>>>" lines count only at exactly that length followed by the end of
// the line or a space, and "|||||||" only on the ours side. The base section
// of the three-way styles belongs to neither side. An opening line inside a
// block starts it afresh; a block never closed yields nothing.
std::vector<ConflictBlock> scan_conflict_blocks(std::string_view text);

// The sections of scan_conflict_blocks alone.
std::vector<ConflictSection> parse_conflict_sections(std::string_view text);

}  // namespace repo
