#pragma once
// Commits opened as the details panel opens them, and the details text read
// back as plain text for the tests.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "highlight/highlight.hpp"
#include "repo/repo.hpp"
#include "support/repositories.hpp"
#include "support/temp_repo.hpp"
#include "tui/buffer.hpp"
#include "tui/text.hpp"
#include "utils/utf8_chars.hpp"

namespace details_fixture {

struct Opened {
  repo::CommitDetails details;
  highlight::HighlightCache cache;
};

// Loads the commit's details and highlights them with a new Highlighter.
inline Opened open_commit(testing_support::TempRepo& t, const std::string& id) {
  Opened opened;
  const repo::Repo r = testing_support::open_repo(t);
  auto details = r.load_commit_details(*repo::Oid::from_hex(id));
  EXPECT_TRUE(details);
  if (!details) return opened;
  opened.details = std::move(*details);
  const highlight::Highlighter highlighter;
  opened.cache = highlighter.highlight_commit(opened.details);
  return opened;
}

inline std::string text_of(const tui::Line& line) {
  std::string out;
  for (const tui::Span& span : line.spans) out += span.content;
  return out;
}

inline std::vector<std::string> texts_of(const std::vector<tui::Line>& lines) {
  std::vector<std::string> out;
  for (const tui::Line& line : lines) out.push_back(text_of(line));
  return out;
}

inline std::size_t chars_of(const tui::Line& line) { return utils::count_chars(text_of(line)); }

// The first `chars` characters of the text, trailing blanks dropped: what a
// panel that wide shows of a plain line.
inline std::string cut(const std::string& text, std::size_t chars) {
  std::size_t i = 0;
  for (; chars > 0 && i < text.size(); --chars) i += utils::utf8_char_length(text, i);
  std::string out = text.substr(0, i);
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

}  // namespace details_fixture
