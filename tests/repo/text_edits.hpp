#pragma once
// Texts the fixtures are made of, and the edits made to them.

#include <gtest/gtest.h>

#include <string>

namespace testing_support {

// "line {from}" to "line {to}", each ended by eol.
inline std::string numbered(int from, int to, const std::string& eol = "\n") {
  std::string s;
  for (int i = from; i <= to; ++i) s += "line " + std::to_string(i) + eol;
  return s;
}

// The text with its first `from` replaced; a `from` it lacks fails the test.
inline std::string replace(std::string s, const std::string& from, const std::string& to) {
  const auto at = s.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) s.replace(at, from.size(), to);
  return s;
}

}  // namespace testing_support
