// What every one-line text prompt does with the keys it does not act on:
// each printable character is typed, even the ones that are commands
// elsewhere, and the keys that type nothing change nothing.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "log_fixture.hpp"
#include "support/env_guard.hpp"

namespace {

using testing_support::open_repo;
using testing_support::Session;
using testing_support::TempRepo;

// Every printable ASCII character, space to tilde.
std::string printable_ascii() {
  std::string out;
  for (char c = ' '; c <= '~'; ++c) out += c;
  return out;
}

struct PromptCase {
  const char* name;
  // Opens the prompt on the selected commit; the text it starts with is
  // cleared after.
  std::function<void(Session&)> open;
  bool state::State::*is_open;
  std::string state::State::*text;
  // Keys that type nothing here.
  const char* inert;
};

// Branch prompts complete on Tab and the search steps its history on
// Up and Down (none here), so each names its own.
constexpr const char* kBranchInert = "<up><down><C-d><C-u><C-j><left>";
constexpr const char* kSearchInert = "<up><down><tab><C-d><C-u><C-j><left>";

const PromptCase kPrompts[] = {
    {"search in the log", [](Session& s) { s.press("/"); }, &state::State::searching,
     &state::State::search_query, kSearchInert},
    {"search in the details", [](Session& s) { s.press("l/"); }, &state::State::searching,
     &state::State::details_query, kSearchInert},
    {"create branch", [](Session& s) { s.press("b"); }, &state::State::creating_branch,
     &state::State::create_branch_input, kBranchInert},
    {"delete branch", [](Session& s) { s.press("d"); }, &state::State::deleting_branch,
     &state::State::delete_branch_input, kBranchInert},
    {"checkout", [](Session& s) { s.press("c"); }, &state::State::checking_out, &state::State::checkout_input,
     kBranchInert},
    {"rebase target", [](Session& s) { s.press("r"); }, &state::State::entering_rebase_target,
     &state::State::rebase_onto_input, kBranchInert},
    {"push", [](Session& s) { s.press("p"); }, &state::State::entering_push_branch, &state::State::push_input,
     kBranchInert},
};

std::string state::State::*const kTexts[] = {
    &state::State::search_query,        &state::State::details_query,  &state::State::create_branch_input,
    &state::State::delete_branch_input, &state::State::checkout_input, &state::State::rebase_onto_input,
    &state::State::push_input,
};

TEST(TextPrompts, EveryPrintableKeyTypes) {
  // Rows: 0 third (main, HEAD), 1 second (topic), 2 first. No summary or
  // branch holds a space, so nothing typed here matches in the log. The
  // push prompt opens only with a remote; nothing is sent to it.
  TempRepo t;
  t.git({"remote", "add", "origin", t.path() + "/nowhere.git"});
  t.write("f.txt", "a\n").commit("first");
  const std::string second = t.write("f.txt", "b\n").commit("second");
  t.git({"branch", "topic"});
  t.write("f.txt", "c\n").commit("third");
  // Outside tmux, Ctrl-j is no pane key and is typed nothing.
  const testing_support::EnvGuard no_tmux{{"TMUX", std::nullopt}};
  const std::string all = printable_ascii();
  ASSERT_EQ(all.size(), 95u);

  for (const PromptCase& c : kPrompts) {
    SCOPED_TRACE(c.name);
    Session s(open_repo(t));
    s.state.selected = 1;
    c.open(s);
    ASSERT_TRUE(s.state.*c.is_open) << s.status();
    (s.state.*c.text).clear();
    const bool details = s.state.commit_details.has_value();

    for (const char ch : all) {
      SCOPED_TRACE(std::string("typed ") + ch);
      EXPECT_FALSE(s.type(static_cast<char32_t>(ch)));
      ASSERT_TRUE(s.state.*c.is_open);
    }
    EXPECT_EQ(s.state.*c.text, all);

    s.press(c.inert);
    EXPECT_EQ(s.state.*c.text, all);
    EXPECT_TRUE(s.state.*c.is_open);

    s.press("<bs><bs>");
    EXPECT_EQ(s.state.*c.text, all.substr(0, all.size() - 2));
    EXPECT_TRUE(s.state.*c.is_open);

    // Nothing else moved: the selection, the details, the other prompts.
    EXPECT_EQ(s.state.selected, 1u);
    EXPECT_EQ(s.repo.commits[s.state.selected].id.hex(), second);
    EXPECT_EQ(s.state.commit_details.has_value(), details);
    EXPECT_FALSE(s.state.status_message) << s.status();
    for (std::string state::State::*other : kTexts) {
      if (other != c.text) {
        EXPECT_EQ(s.state.*other, "");
      }
    }
  }
}

}  // namespace
