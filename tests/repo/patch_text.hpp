#pragma once
// A patch as git writes it, cut into its header and its hunks, so that one
// hunk can be given to git apply or compared with the model's lines.

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "repo/diff.hpp"

namespace testing_support {

struct PatchText {
  std::string header;
  std::vector<std::string> hunks;  // each from its "@@" line on

  // The header with hunk i: a patch of that one hunk.
  std::string one(std::size_t i) const { return header + hunks.at(i); }
};

inline PatchText split_patch(const std::string& diff) {
  PatchText out;
  std::istringstream lines(diff);
  for (std::string line; std::getline(lines, line);) {
    line += '\n';
    if (line.starts_with("@@"))
      out.hunks.push_back(line);
    else if (out.hunks.empty())
      out.header += line;
    else
      out.hunks.back() += line;  // "\ No newline at end of file" stays with its hunk
  }
  return out;
}

// The lines of one hunk as (origin, text), without the "@@" line and the
// end-of-file notes.
inline std::vector<std::pair<char, std::string>> hunk_lines(const std::string& hunk) {
  std::vector<std::pair<char, std::string>> out;
  std::istringstream lines(hunk);
  std::string line;
  std::getline(lines, line);  // "@@ ... @@"
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '\\') continue;
    out.emplace_back(line[0], line.substr(1));
  }
  return out;
}

// The hunks of one list entry, or of git's patch, as (origin, text) lines.
using Lines = std::vector<std::vector<std::pair<char, std::string>>>;

inline Lines model_lines(const std::vector<repo::Hunk>& hunks) {
  Lines out;
  for (const auto& h : hunks) {
    out.emplace_back();
    for (const auto& l : h.lines) out.back().emplace_back(l.origin, l.content);
  }
  return out;
}

inline Lines git_lines(const std::string& diff) {
  Lines out;
  for (const auto& h : split_patch(diff).hunks) out.push_back(hunk_lines(h));
  return out;
}

}  // namespace testing_support
