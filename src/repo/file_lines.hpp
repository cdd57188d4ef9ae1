#pragma once
// The line rule for text read from the work tree: a line ends at a line feed,
// which is dropped together with one carriage return right before it; a last
// line without a line feed counts; a final line feed starts no empty line.

#include <cstddef>
#include <string_view>
#include <vector>

namespace repo {

struct FileLine {
  std::string_view text;  // without its line ending
  std::size_t begin = 0;  // byte offset of the line in the whole text
  std::size_t end = 0;    // byte offset just past its line ending
};

// The views point into the text given.
std::vector<FileLine> split_file_lines(std::string_view text);

}  // namespace repo
