#include "log_fixture.hpp"
#include "support/env_guard.hpp"
#include "support/fake_programs.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

namespace {

using app_testing::memory_log;
using testing_support::Session;

// Where a typed "x" ends up, or that the key was held by a mode (the move's
// target step holds it too, but j moves its selection).
enum class Receiver { Search, Create, Delete, Checkout, Push, Held, MoveTarget, Log };

struct DispatchCase {
  const char* name;
  std::function<void(state::State&)> set;
  Receiver receiver;
};

void set_all_later_flags(state::State& s) {
  s.checking_out = s.rebase_in_progress = s.selecting_rebase_branch = s.entering_rebase_target = true;
  s.confirming_revert = s.entering_push_branch = s.selecting_move_branch = s.selecting_move_target = true;
  s.confirming_move = true;
}

TEST(Dispatch, FirstModeInOrderTakesTheKey) {
  const DispatchCase cases[] = {
      {"nothing set", [](state::State&) {}, Receiver::Log},
      {"staging view over everything",
       [](state::State& s) {
         s.commit_view = state::CommitViewState{};
         s.searching = s.creating_branch = true;
       },
       Receiver::Held},
      {"search over the branch prompts",
       [](state::State& s) {
         s.searching = s.creating_branch = s.deleting_branch = true;
         set_all_later_flags(s);
       },
       Receiver::Search},
      {"create over delete",
       [](state::State& s) {
         s.creating_branch = s.deleting_branch = true;
         set_all_later_flags(s);
       },
       Receiver::Create},
      {"delete over the rest",
       [](state::State& s) {
         s.deleting_branch = true;
         set_all_later_flags(s);
       },
       Receiver::Delete},
      {"checking out over the rest",
       [](state::State& s) {
         set_all_later_flags(s);
       },
       Receiver::Checkout},
      {"rebase in progress", [](state::State& s) { s.rebase_in_progress = true; }, Receiver::Held},
      {"choosing the rebase branch", [](state::State& s) { s.selecting_rebase_branch = true; },
       Receiver::Held},
      {"entering the rebase target", [](state::State& s) { s.entering_rebase_target = true; },
       Receiver::Held},
      {"confirming a revert", [](state::State& s) { s.confirming_revert = true; }, Receiver::Held},
      {"entering the push branch", [](state::State& s) { s.entering_push_branch = s.selecting_move_branch = true; },
       Receiver::Push},
      {"choosing the branch to move", [](state::State& s) { s.selecting_move_branch = true; },
       Receiver::Held},
      {"choosing the move target", [](state::State& s) { s.selecting_move_target = true; },
       Receiver::MoveTarget},
      {"confirming a move", [](state::State& s) { s.confirming_move = true; }, Receiver::Held},
      {"hotkey panel is no mode", [](state::State& s) { s.show_hotkeys = true; }, Receiver::Log},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Session s(memory_log(5));
    c.set(s.state);
    EXPECT_FALSE(s.press("x"));
    EXPECT_EQ(s.state.search_query, c.receiver == Receiver::Search ? "x" : "");
    EXPECT_EQ(s.state.create_branch_input, c.receiver == Receiver::Create ? "x" : "");
    EXPECT_EQ(s.state.delete_branch_input, c.receiver == Receiver::Delete ? "x" : "");
    EXPECT_EQ(s.state.checkout_input, c.receiver == Receiver::Checkout ? "x" : "");
    EXPECT_EQ(s.state.push_input, c.receiver == Receiver::Push ? "x" : "");

    // Only the log view and the move's target step move the selection;
    // only the log view quits.
    EXPECT_FALSE(s.press("j"));
    const bool moves = c.receiver == Receiver::Log || c.receiver == Receiver::MoveTarget;
    EXPECT_EQ(s.state.selected, moves ? 1u : 0u);
    if (c.receiver == Receiver::Held || c.receiver == Receiver::MoveTarget) {
      // q before Esc: Esc ends a mode, after which q belongs to the log.
      EXPECT_FALSE(s.press("qqqq"));
      EXPECT_FALSE(s.press("<esc>"));
      EXPECT_EQ(s.state.count_prefix, "");
    }
    if (c.receiver == Receiver::Checkout || c.receiver == Receiver::Push) {
      EXPECT_FALSE(s.press("<esc>"));
      EXPECT_FALSE(c.receiver == Receiver::Checkout ? s.state.checking_out : s.state.entering_push_branch);
    }
  }
}

// A stand-in tmux on PATH that records its arguments, with TMUX and PATH
// put back afterwards.
class FakeTmux : public testing::Test {
 protected:
  FakeTmux() { programs_.add("tmux", "echo \"$@\" >> \"$LOG\"\necho noise\necho noise >&2\nexit 3"); }

  std::string calls() const { return programs_.log("tmux"); }

 private:
  testing_support::EnvGuard tmux_{{"TMUX", std::nullopt}};
  testing_support::FakePrograms programs_{testing_support::FakePrograms::BeforeSystem};
};

TEST_F(FakeTmux, PaneKeysRunTmuxInsideTmux) {
  ::setenv("TMUX", "", 1);  // set, even empty, counts
  Session s(memory_log(5));
  s.press("/ab");
  EXPECT_FALSE(s.press("<C-h><C-l><C-j><C-k>"));
  EXPECT_EQ(calls(), "select-pane -L\nselect-pane -R\nselect-pane -D\nselect-pane -U\n");
  // The prompt is untouched, tmux's failure and output leave no trace.
  EXPECT_EQ(s.state.search_query, "ab");
  EXPECT_TRUE(s.state.searching);
  EXPECT_FALSE(s.state.status_message);
}

TEST_F(FakeTmux, PaneKeysDoNothingOutsideTmux) {
  ::unsetenv("TMUX");
  Session s(memory_log(5));
  s.state.creating_branch = true;
  s.state.create_branch_input = "ab";
  s.press("<C-h><C-l><C-j><C-k>");
  EXPECT_EQ(calls(), "");
  EXPECT_EQ(s.state.create_branch_input, "ab");
  // Nor in the log view: Ctrl-j and Ctrl-k are not j and k.
  s.state.creating_branch = false;
  s.press("<C-j><C-j>");
  EXPECT_EQ(s.state.selected, 0u);
}

TEST_F(FakeTmux, StagingViewKeepsThePaneKeys) {
  ::setenv("TMUX", "/tmp/socket,1,0", 1);
  Session s(memory_log(5));
  s.state.commit_view = state::CommitViewState{};
  s.press("<C-h><C-l>");
  EXPECT_EQ(calls(), "");
}

TEST_F(FakeTmux, MissingTmuxIsIgnored) {
  ::setenv("TMUX", "x", 1);
  testing_support::TempDir empty;
  ::setenv("PATH", empty.path().c_str(), 1);
  Session s(memory_log(5));
  EXPECT_FALSE(s.press("<C-h>"));
  EXPECT_FALSE(s.state.status_message);
}

}  // namespace
