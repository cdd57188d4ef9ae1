#include "action/commit_message.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/text.hpp"

namespace {

using action::clean_commit_message;
using action::COMMIT_TEMPLATE;
using testing_support::lines_of;

std::string repeat(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(CommitTemplate, SeventeenCommentLinesWithTheirCharacters) {
  ASSERT_TRUE(COMMIT_TEMPLATE.ends_with('\n'));
  const auto lines = lines_of(COMMIT_TEMPLATE);
  ASSERT_EQ(lines.size(), 17u);
  for (const auto& line : lines) EXPECT_TRUE(line.starts_with('#')) << line;
  const std::string box = "\u2500", dot = "\u00b7", dash = "\u2014", ellipsis = "\u2026";
  EXPECT_EQ(lines[0], "# " + repeat(box, 2) + " Commit message guidance " + repeat(box, 35));
  EXPECT_EQ(lines[3], "#   " + dot + " 50 characters or fewer");
  EXPECT_EQ(lines[5],
            "#   " + dot + " Imperative mood: \"Add\", \"Fix\", \"Refactor\" " + dash + " not \"Added\"");
  EXPECT_EQ(lines[6],
            "#   " + dot + " Finishes the sentence \"If applied, this commit will " + ellipsis + "\"");
  EXPECT_EQ(lines[12], "#   " + dot + " Explain what changed and why " + dash + " not how");
  EXPECT_EQ(lines[14], "# Lines starting with '#' are ignored. An empty message aborts.");
  EXPECT_TRUE(lines[15].starts_with("# Guide: https://")) << lines[15];
  EXPECT_EQ(lines[16], "# vim: ft=gitcommit");
}

TEST(CommitMessageFile, PreviousMessageAboveTheGuidance) {
  const std::string t(COMMIT_TEMPLATE);
  EXPECT_EQ(action::commit_message_file_content(std::nullopt), "\n\n" + t);
  EXPECT_EQ(action::commit_message_file_content(std::string()), "\n\n" + t);
  EXPECT_EQ(action::commit_message_file_content("Fix it\n\nBody\n"), "Fix it\n\nBody\n\n\n" + t);
}

TEST(CommitMessage, CleaningTable) {
  const std::string t(COMMIT_TEMPLATE);
  const std::pair<std::string, std::string> cases[] = {
      {"\n\n" + t, ""},  // the untouched file
      {"", ""},
      {"  \n\t\n", ""},
      {"Subject\n\n" + t, "Subject"},
      {"#123 fix\nSubject", "Subject"},                  // a typed "#" line goes too
      {"Subject\n #123 kept\n", "Subject\n #123 kept"},  // a blank first keeps it
      {"Subject  \t\n\nBody line   \n", "Subject\n\nBody line"},
      {"\n\n  Subject\n\n\nBody\n\n\n", "Subject\n\n\nBody"},  // inner empty lines stay
      {"Subject\r\n\r\nBody\r\n# note\r\n", "Subject\n\nBody"},
      {"A\rB\n", "A\rB"},  // a carriage return inside a line is text
      {"Wrapped line \ncontinued\n", "Wrapped line\ncontinued"},
      {"Subject\u00a0\u3000\n\u2003", "Subject"},
      {"Caf\u00e9 \u2014 fix\n", "Caf\u00e9 \u2014 fix"},
      {"Old subject\n\nOld body\n\n\n" + t, "Old subject\n\nOld body"},  // an amend saved unchanged
  };
  for (const auto& [text, want] : cases) {
    SCOPED_TRACE(testing::PrintToString(text));
    EXPECT_EQ(clean_commit_message(text), want);
  }
}

}  // namespace
