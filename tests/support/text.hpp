#pragma once
// Texts the fixtures are made of, the edits made to them, and program output
// taken apart.

#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testing_support {

// Lines `prefix` + n for n from `from` to `to`, each ended by eol; the line
// of a number listed in `changes` holds that text instead.
inline std::string numbered(int from, int to, std::string_view prefix = {},
                            std::initializer_list<std::pair<int, std::string>> changes = {},
                            std::string_view eol = "\n") {
  std::string out;
  for (int n = from; n <= to; ++n) {
    std::string line = std::string(prefix) + std::to_string(n);
    for (const auto& [at, text] : changes)
      if (at == n) line = text;
    out += line;
    out += eol;
  }
  return out;
}

// The text with its first `from` replaced; a `from` it lacks fails the test.
inline std::string replace(std::string s, const std::string& from, const std::string& to) {
  const auto at = s.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) s.replace(at, from.size(), to);
  return s;
}

// Without the line ends git's output closes with.
inline std::string trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

// The lines of a text, without their line feeds; a last line feed starts no
// line of its own.
inline std::vector<std::string> lines_of(std::string_view text) {
  std::vector<std::string> lines;
  std::istringstream in{std::string(text)};
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The text up to its first line break.
inline std::string first_line(const std::string& text) { return text.substr(0, text.find('\n')); }

}  // namespace testing_support
