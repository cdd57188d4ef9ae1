#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "log_fixture.hpp"
#include "support/env_guard.hpp"
#include "support/fake_programs.hpp"

namespace {

using app_testing::memory_log;
using testing_support::Session;

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
