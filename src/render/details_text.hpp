#pragma once
// The open commit's details laid out as lines at a given width: header,
// changed-file summary, file tree and per-file diffs; and the measurements
// the key handlers take of it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "highlight/highlight.hpp"
#include "repo/diff.hpp"
#include "state/details_layout.hpp"
#include "tui/style.hpp"
#include "tui/text.hpp"

namespace state {
struct State;
}

namespace render {

using state::DetailsLayout;
using state::DetailsText;
using state::FileSection;

// One node of the changed-files tree. A node without a status letter is a
// directory; a file's node carries its counts.
struct FileTreeNode {
  std::string name;
  std::vector<FileTreeNode> children;
  std::size_t additions = 0;
  std::size_t deletions = 0;
  std::optional<char> status;
  friend bool operator==(const FileTreeNode&, const FileTreeNode&) = default;
};

// The whole details text, rebuilt from its inputs: equal inputs give equal
// output, so indices measured by the handlers are the ones drawn.
DetailsText details_lines(const repo::CommitDetails& details, const highlight::HighlightCache* cache,
                          std::string_view query, std::uint16_t width);

// The file tree, defined in file_tree.cpp: the changed paths as a tree,
// split at every '/', in the order the files come; a path already present
// adds nothing.
std::vector<FileTreeNode> build_file_tree(const std::vector<repo::FileChange>& files);
// Directories first, then by lower-cased name; ties keep their order.
void sort_tree(std::vector<FileTreeNode>& nodes);
// One row per node, depth first, with box-drawing guides.
void render_file_tree(const std::vector<FileTreeNode>& nodes, std::string_view prefix,
                      std::vector<tui::Line>& lines, std::string_view query, tui::Style match);

// Ascending indices of the details lines that hold a match of the query.
std::vector<std::size_t> details_match_lines(const repo::CommitDetails& details,
                                             const highlight::HighlightCache* cache, std::string_view query,
                                             std::uint16_t width);
// The number of lines of the details text.
std::size_t details_content_height(const repo::CommitDetails& details, const highlight::HighlightCache* cache,
                                   std::string_view query, std::uint16_t width);
// The layout of the details: the rows of the header and the file tree, and
// where each diff line's rows start. Its rows, made from the same inputs,
// are the ones details_lines gives.
DetailsLayout lay_out_details(const repo::CommitDetails& details, const highlight::HighlightCache* cache,
                              std::string_view query, std::uint16_t width);
// Appends the rows [from, to) of the layout, made from the details and the
// colours it was laid out with; rows past its end are not there.
void append_details_rows(std::vector<tui::Line>& out, const DetailsLayout& layout,
                         const repo::CommitDetails& details, const highlight::HighlightCache* cache,
                         std::size_t from, std::size_t to);
// One row as above; an empty line past the end.
tui::Line details_row(const DetailsLayout& layout, const repo::CommitDetails& details,
                      const highlight::HighlightCache* cache, std::size_t i);
// The rows of the layout holding a match of its query, ascending; only the
// diff lines whose text holds the query are laid out to find them.
std::vector<std::size_t> details_match_rows(const DetailsLayout& layout, const repo::CommitDetails& details,
                                            const highlight::HighlightCache* cache);
// Whether the file's diff lines [from, to), now coloured with `tokens`,
// still take the rows they took uncoloured: their tokens show as many
// characters as their text.
bool colours_keep_rows(const repo::FileChange& file, const highlight::HighlightedFile& tokens,
                       std::size_t from, std::size_t to);
// The lines holding a span in the match style, which nothing else is drawn in.
std::vector<std::size_t> match_lines_of(const DetailsText& text);

// Defined in details_cache.cpp: the same for the details open in the state
// (its highlighting, its details query), through the one layout the state
// keeps: the frame, the status bar's counter and the search and scroll keys
// share it until the commit, its highlighting, the query or the width
// changes, and get exactly what the functions above give. Callers that hold
// the state use these; the ones above lay the whole text out on every call.
// Empty, or 0, without open details.
std::shared_ptr<const DetailsLayout> details_text(const state::State& state, std::uint16_t width);
std::vector<std::size_t> details_match_lines(const state::State& state, std::uint16_t width);
std::size_t details_content_height(const state::State& state, std::uint16_t width);

}  // namespace render
