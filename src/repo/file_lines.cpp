#include "repo/file_lines.hpp"

namespace repo {

std::vector<FileLine> split_file_lines(std::string_view text) {
  std::vector<FileLine> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t lf = text.find('\n', pos);
    FileLine line;
    line.begin = pos;
    if (lf == std::string_view::npos) {
      line.text = text.substr(pos);
      line.end = text.size();
    } else {
      std::size_t stop = lf;
      if (stop > pos && text[stop - 1] == '\r') --stop;
      line.text = text.substr(pos, stop - pos);
      line.end = lf + 1;
    }
    pos = line.end;
    lines.push_back(line);
  }
  return lines;
}

}  // namespace repo
