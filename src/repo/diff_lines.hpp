#pragma once
// How one line of a libgit2 patch enters the model; shared by every reader
// of diffs (work tree, index, commit details).

#include "repo/diff.hpp"

#include <git2.h>

#include <cstddef>
#include <string_view>
#include <vector>

namespace repo {

// The line's text: invalid UTF-8 replaced, every trailing line feed removed
// (a carriage return before them stays).
std::string diff_line_text(std::string_view bytes);

// Adds one library line to the hunk: '+' and '-' are kept and counted,
// context kept with origin ' ', headers dropped. The end-of-file markers are
// not lines of the model; they set the hunk's missing-newline flags.
void add_library_line(Hunk& hunk, const git_diff_line& line, std::size_t& additions,
                      std::size_t& deletions);

// Every hunk of the patch, each line taken in as above. A hunk or a line the
// library cannot give is passed over; a hunk whose lines all are comes empty.
std::vector<Hunk> read_patch_hunks(git_patch* patch, std::size_t& additions, std::size_t& deletions);

}  // namespace repo
