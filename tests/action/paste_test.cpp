// A paste goes into the open text prompt as its first line, cleaned, and
// nowhere else; nothing of it is a key.

#include "action/paste.hpp"

#include <gtest/gtest.h>

#include <functional>

#include "log_fixture.hpp"

namespace {

using app_testing::memory_log;
using testing_support::open_repo;
using testing_support::Session;
using testing_support::TempRepo;

TEST(Paste, TakesTheFirstLineWithoutControlOrBidiCharacters) {
  struct Case {
    std::string pasted, want;
  };
  const Case cases[] = {
      {"topic", "topic"},
      {"topic\rbj", "topic"},  // a terminal's paste: CR between lines
      {"topic\r\nbj", "topic"},
      {"topic\nbj", "topic"},
      {"\r\ntopic", ""},
      {"to\tp\x01i\x1b[31mc\x7f", "topi[31mc"},
      {"\xc2\x9b"
       "31mx",
       "31mx"},                                      // C1 CSI
      {"\u202etxt.exe\u202c", "txt.exe"},            // right-to-left override
      {"a\u2066b\u2069\u200e\u200f\u061cc", "abc"},  // isolates and marks
      {"caf\u00e9 \u65e5\u672c \U0001F600", "caf\u00e9 \u65e5\u672c \U0001F600"},
      {"ok\xff\xc3(end", "ok(end"},  // bytes that are not UTF-8
      {"one\u2028two", "one"},       // Unicode line separator
      {"one\xc2\x85two", "one"},     // NEL
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.pasted));
    Session s(memory_log(3));
    s.press("b");
    ASSERT_TRUE(s.state.creating_branch);
    s.state.create_branch_input = "my-";
    action::paste_into_prompt(s.state, c.pasted);
    EXPECT_EQ(s.state.create_branch_input, "my-" + c.want);
    EXPECT_TRUE(s.state.creating_branch) << "a paste never submits";
  }
}

// Where the paste goes: the prompt that would take a typed key.
enum class Prompt { Search, Details, Create, Delete, Checkout, RebaseTarget, Push, None };

struct PromptCase {
  const char* name;
  std::function<void(state::State&)> open;
  Prompt prompt;
};

std::string text_of(const state::State& s, Prompt p) {
  switch (p) {
    case Prompt::Search:
      return s.search_query;
    case Prompt::Details:
      return s.details_query;
    case Prompt::Create:
      return s.create_branch_input;
    case Prompt::Delete:
      return s.delete_branch_input;
    case Prompt::Checkout:
      return s.checkout_input;
    case Prompt::RebaseTarget:
      return s.rebase_onto_input;
    case Prompt::Push:
      return s.push_input;
    case Prompt::None:
      break;
  }
  return {};
}

// Every mode flag, and whether the staging view and the details are open.
std::vector<bool> modes(const state::State& s) {
  return {s.searching,
          s.creating_branch,
          s.deleting_branch,
          s.checking_out,
          s.rebase_in_progress,
          s.selecting_rebase_branch,
          s.entering_rebase_target,
          s.confirming_revert,
          s.entering_push_branch,
          s.selecting_move_branch,
          s.selecting_move_target,
          s.confirming_move,
          s.show_hotkeys,
          s.commit_view.has_value(),
          s.commit_details.has_value()};
}

TEST(Paste, GoesIntoTheOpenPromptOnlyAndRunsNothing) {
  const PromptCase cases[] = {
      {"log search", [](state::State& s) { s.searching = true; }, Prompt::Search},
      {"details search",
       [](state::State& s) {
         s.searching = true;
         s.commit_details = repo::CommitDetails{};
       },
       Prompt::Details},
      {"create branch", [](state::State& s) { s.creating_branch = true; }, Prompt::Create},
      {"delete branch", [](state::State& s) { s.deleting_branch = true; }, Prompt::Delete},
      {"checkout", [](state::State& s) { s.checking_out = true; }, Prompt::Checkout},
      {"rebase target",
       [](state::State& s) {
         s.entering_rebase_target = true;
         s.rebase_branch = "topic";
       },
       Prompt::RebaseTarget},
      {"push", [](state::State& s) { s.entering_push_branch = true; }, Prompt::Push},
      {"the log", [](state::State&) {}, Prompt::None},
      {"the hotkey panel", [](state::State& s) { s.show_hotkeys = true; }, Prompt::None},
      {"the staging view over a prompt",
       [](state::State& s) {
         s.commit_view = state::CommitViewState{};
         s.searching = s.creating_branch = true;
       },
       Prompt::None},
      {"a stopped rebase", [](state::State& s) { s.rebase_in_progress = true; }, Prompt::None},
      {"the rebase branch choice",
       [](state::State& s) {
         s.selecting_rebase_branch = true;
         s.rebase_branch = "topic";
       },
       Prompt::None},
      {"a revert to confirm", [](state::State& s) { s.confirming_revert = true; }, Prompt::None},
      {"the branch to move", [](state::State& s) { s.selecting_move_branch = true; }, Prompt::None},
      {"the move target", [](state::State& s) { s.selecting_move_target = true; }, Prompt::None},
      {"a move to confirm", [](state::State& s) { s.confirming_move = true; }, Prompt::None},
  };
  const Prompt all[] = {Prompt::Search,   Prompt::Details,      Prompt::Create, Prompt::Delete,
                        Prompt::Checkout, Prompt::RebaseTarget, Prompt::Push};
  for (const PromptCase& c : cases) {
    SCOPED_TRACE(c.name);
    Session s(memory_log(5));
    s.state.selected = 2;
    c.open(s.state);
    s.state.completion_prefix = "x";
    s.state.completion_index = 3;
    s.state.search_history = {"old"};
    s.state.history_cursor = 0;
    s.state.set_status("before");
    const auto modes_before = modes(s.state);
    const std::string branch_before = s.state.rebase_branch;

    // Typed as keys, this would confirm and then quit or move.
    action::paste_into_prompt(s.state, "pasted\rqjjb\r");
    for (const Prompt p : all) EXPECT_EQ(text_of(s.state, p), p == c.prompt ? "pasted" : "");

    EXPECT_EQ(modes(s.state), modes_before);
    EXPECT_EQ(s.state.rebase_branch, branch_before);
    EXPECT_EQ(s.state.selected, 2u);
    EXPECT_EQ(s.status(), "before");

    // What typing a character does to the prompt's helpers, a paste does too.
    const bool branch_prompt =
        c.prompt != Prompt::None && c.prompt != Prompt::Search && c.prompt != Prompt::Details;
    EXPECT_EQ(s.state.completion_prefix.has_value(), !branch_prompt);
    EXPECT_EQ(s.state.completion_index, branch_prompt ? 0u : 3u);
    const bool search = c.prompt == Prompt::Search || c.prompt == Prompt::Details;
    EXPECT_EQ(s.state.history_cursor.has_value(), !search);
  }
}

// The pasted name is the prompt's text like a typed one: Enter uses it.
TEST(Paste, APastedNameIsConfirmedWithEnter) {
  TempRepo temp;
  const std::string tip = temp.write("f.txt", "1\n").commit("first");
  Session s(open_repo(temp));
  s.press("b");
  action::paste_into_prompt(s.state, "\u202epasted\x1b\nbj");
  s.press("<enter>");
  EXPECT_EQ(s.status(), "created pasted");
  EXPECT_EQ(temp.git({"for-each-ref", "--format=%(refname) %(objectname)"}),
            "refs/heads/main " + tip + "\nrefs/heads/pasted " + tip + "\n");
}

}  // namespace
