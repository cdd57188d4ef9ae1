#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

#include "log_fixture.hpp"

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
      {"checking out over the rest", [](state::State& s) { set_all_later_flags(s); }, Receiver::Checkout},
      {"rebase in progress", [](state::State& s) { s.rebase_in_progress = true; }, Receiver::Held},
      {"choosing the rebase branch", [](state::State& s) { s.selecting_rebase_branch = true; },
       Receiver::Held},
      {"entering the rebase target", [](state::State& s) { s.entering_rebase_target = true; },
       Receiver::Held},
      {"confirming a revert", [](state::State& s) { s.confirming_revert = true; }, Receiver::Held},
      {"entering the push branch",
       [](state::State& s) { s.entering_push_branch = s.selecting_move_branch = true; }, Receiver::Push},
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

}  // namespace
