#pragma once
// Applying one hunk to the whole text of a file: how staging, unstaging and
// discarding a single hunk change the index or the work tree. Pure text
// operations on bytes; nothing here touches the repository or the disk.

#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "repo/diff.hpp"

namespace repo {

inline constexpr std::string_view kHunkLocationError = "could not find hunk location in file";

// Puts the hunk's new side in place of its old side. The old side is looked
// for where its first old line number says, and only when the text there
// differs at the matching position nearest to it. Lines are the runs of bytes
// between line feeds, compared byte for byte (a CR before a LF is part of
// the line), so bytes outside the hunk are kept exactly. The result lacks a
// final line feed exactly when the hunk reaches the last line and its new
// side says so; otherwise it keeps the content's state. A hunk with an empty
// old side applies only to the empty text.
std::expected<std::string, std::string> apply_hunk_to_content(std::string_view content, const Hunk& hunk);

enum class LineEnding { Lf, Crlf };

// The same on a work-tree copy whose line endings a conversion keeps apart
// from the hunk's lines (stored with LF, checked out or edited with CRLF): a
// CR before a line's LF takes no part in the comparison, every line of the
// copy keeps its own ending, and the lines the hunk puts in end as `added`.
std::expected<std::string, std::string> apply_hunk_to_converted_copy(std::string_view content,
                                                                     const Hunk& hunk, LineEnding added);

// The ending most of the text's ended lines have (CRLF on a tie); absent
// when no line of it ends.
std::optional<LineEnding> prevailing_line_ending(std::string_view text);

// The same hunk turned around: '+' and '-' swapped, the two line numbers of
// every line swapped, the two end-of-file flags swapped.
Hunk reverse_hunk(const Hunk& hunk);

}  // namespace repo
