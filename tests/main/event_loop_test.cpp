#include "main/event_loop.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "render/render.hpp"
#include "repo/repo.hpp"
#include "support/env_guard.hpp"
#include "support/frames.hpp"
#include "support/loop_session.hpp"
#include "support/repositories.hpp"
#include "support/screen.hpp"
#include "support/temp_repo.hpp"
#include "support/text.hpp"
#include "tui/fatal.hpp"
#include "tui/memory_backend.hpp"
#include "utils/worker.hpp"

namespace {

using app::Pass;
using namespace std::chrono_literals;
using testing_support::column_of;
using testing_support::draw;
using testing_support::LoopSession;
using testing_support::numbered;
using testing_support::open_repo;
using testing_support::TempRepo;
using tui::KeyCode;
using tui::KeyEvent;

tui::Event key(char32_t c) { return KeyEvent::character(c); }

// The row of the next frame that marks the selection, empty when none does.
std::string selected_row(const state::State& state, const repo::Repo& repo, tui::Size size) {
  const tui::Buffer buffer = draw(state, repo, size.width, size.height, state::Clock::now());
  for (std::uint16_t y = 0; y < size.height; ++y)
    if (buffer.row_text(y).find("▶") != std::string::npos) return buffer.row_text(y);
  return {};
}

// The program's first screen here is 100 x 43: 40 rows of log.
constexpr tui::Size kScreen{100, 43};

TEST(EventLoop, StartsCentredOnHead) {
  TempRepo t;
  t.line_of_commits(200, "tip", 50);  // main, and HEAD, 150 rows down
  LoopSession run(open_repo(t), kScreen);
  ASSERT_EQ(run.state.selected, 150u);
  app::show_first_frame(run.loop);
  EXPECT_EQ(run.state.scroll, 130u);  // 43 rows: 40 of log, half of it above
  EXPECT_FALSE(run.backend.output().empty());
}

TEST(EventLoop, StartsInTheStagingViewOverUncommittedWork) {
  TempRepo t;
  t.write("a.txt", "a\n").commit("base");
  t.write("z.txt", "untracked\n");
  LoopSession run(open_repo(t), kScreen);
  app::show_first_frame(run.loop);
  ASSERT_TRUE(run.state.commit_view);
  EXPECT_EQ(run.state.commit_view->selected_path, "z.txt");
  EXPECT_FALSE(run.state.commit_view->staged_focus);
  EXPECT_FALSE(run.state.commit_view->amending);
  ASSERT_TRUE(run.state.commit_view->staging_highlight);
  EXPECT_NE(run.terminal.last_frame().row_text(0).find(" z.txt "), std::string::npos);
  // Esc goes back to the log, which the next Esc quits.
  EXPECT_EQ(run.pass(KeyEvent::key(tui::KeyCode::Esc)), Pass::Drew);
  EXPECT_FALSE(run.state.commit_view);
  EXPECT_EQ(run.pass(KeyEvent::key(tui::KeyCode::Esc)), Pass::Quit);

  // Only staged changes: the staged list has the focus.
  t.git({"add", "z.txt"});
  LoopSession staged(open_repo(t), kScreen);
  app::show_first_frame(staged.loop);
  ASSERT_TRUE(staged.state.commit_view);
  EXPECT_TRUE(staged.state.commit_view->staged_focus);
  EXPECT_EQ(staged.state.commit_view->selected_path, "z.txt");

  // A clean tree starts in the log.
  t.commit("add z");
  LoopSession clean(open_repo(t), kScreen);
  app::show_first_frame(clean.loop);
  EXPECT_FALSE(clean.state.commit_view);
}

tui::Event ctrl(char32_t c) { return KeyEvent::character(c, tui::KeyModifiers::CONTROL); }

// a.txt, b.txt and d.txt with one change each, c.txt with two far apart.
void four_changed_files(TempRepo& t) {
  for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) t.write(name, numbered(1, 40, "line "));
  t.commit("base");
  for (const char* name : {"a.txt", "b.txt", "d.txt"})
    t.write(name, numbered(1, 40, "line ", {{20, "changed"}}));
  t.write("c.txt", numbered(1, 40, "line ", {{3, "three"}, {35, "thirtyfive"}}));
}

// A git add and a commit in another terminal while the view is open: the
// watcher's news reloads the lists, the selected file keeps its place and
// its scroll, and s then stages the hunk under the cursor of what is there.
TEST(EventLoop, TheWatchersNewsReloadsTheStagingView) {
  TempRepo t;
  four_changed_files(t);
  LoopSession run(open_repo(t), kScreen);
  app::show_first_frame(run.loop);
  ASSERT_TRUE(run.state.commit_view);
  run.pass(ctrl(U'j'));
  run.pass(ctrl(U'j'));
  run.pass(key(U'n'));
  const state::CommitViewState& view = *run.state.commit_view;
  ASSERT_EQ(view.selected_path, "c.txt");
  const std::size_t scroll = view.diff_scroll;
  ASSERT_GT(scroll, 0u);

  t.git({"add", "a.txt"});
  run.watcher_sender.send(utils::Signal{});
  run.pass();
  ASSERT_TRUE(run.state.commit_view);
  ASSERT_EQ(view.unstaged.size(), 3u);
  EXPECT_EQ(view.unstaged[0].path, "b.txt");
  ASSERT_EQ(view.staged.size(), 1u);
  EXPECT_EQ(view.staged[0].path, "a.txt");
  EXPECT_EQ(view.selected_path, "c.txt");
  EXPECT_EQ(view.unstaged_index, 1u);
  EXPECT_EQ(view.diff_scroll, scroll);
  ASSERT_TRUE(view.staging_highlight);
  EXPECT_EQ(view.staging_highlight->path, "c.txt");

  t.commit_staged("outside");
  run.watcher_sender.send(utils::Signal{});
  run.pass();
  ASSERT_TRUE(run.state.commit_view);
  EXPECT_TRUE(view.staged.empty());
  EXPECT_EQ(view.selected_path, "c.txt");

  run.pass(key(U's'));
  EXPECT_EQ(t.git({"diff", "--cached", "--name-only"}), "c.txt\n");
  EXPECT_EQ(t.git({"show", ":c.txt"}), numbered(1, 40, "line ", {{35, "thirtyfive"}}));
  EXPECT_EQ(t.git({"show", "HEAD:a.txt"}), numbered(1, 40, "line ", {{20, "changed"}}));
}

// The news that comes while a discard waits for its y leaves the dialog
// meaning what the user saw; the lists follow once that key is taken.
TEST(EventLoop, AWaitingDiscardHoldsTheReloadUntilItsKey) {
  TempRepo t;
  four_changed_files(t);
  LoopSession run(open_repo(t), kScreen);
  app::show_first_frame(run.loop);
  run.pass(ctrl(U'j'));
  run.pass(key(U'd'));
  ASSERT_TRUE(run.state.pending_discard);
  t.git({"add", "a.txt"});
  run.watcher_sender.send(utils::Signal{});
  run.pass();
  const state::CommitViewState& view = *run.state.commit_view;
  EXPECT_TRUE(run.state.pending_discard);
  EXPECT_EQ(view.unstaged.size(), 4u);
  run.pass(key(U'n'));
  EXPECT_FALSE(run.state.pending_discard);
  EXPECT_EQ(view.unstaged.size(), 3u);
  EXPECT_EQ(view.selected_path, "b.txt");
  EXPECT_EQ(t.read("b.txt"), numbered(1, 40, "line ", {{20, "changed"}}));
}

// The view of a rebase stopped on a conflict stays open when an outside
// change leaves nothing in it: only the user's keys continue or abort.
TEST(EventLoop, TheWatcherLeavesTheViewOfAStoppedRebaseOpen) {
  TempRepo t;
  t.write("f.txt", "base\n").commit("base");
  t.git({"checkout", "-q", "-b", "topic"});
  t.write("f.txt", "topic\n").commit("topic");
  t.git({"checkout", "-q", "main"});
  t.write("f.txt", "main\n").commit("main");
  t.git({"checkout", "-q", "topic"});
  ASSERT_FALSE(t.git_result({"rebase", "main"}).success());
  LoopSession run(open_repo(t), kScreen);
  app::show_first_frame(run.loop);
  ASSERT_TRUE(run.state.commit_view);
  run.state.rebase_in_progress = true;
  // Taking main's side in another terminal empties both lists.
  t.write("f.txt", "main\n").git({"add", "f.txt"});
  run.watcher_sender.send(utils::Signal{});
  run.pass();
  ASSERT_TRUE(run.state.commit_view);
  EXPECT_TRUE(run.state.commit_view->unstaged.empty());
  EXPECT_TRUE(run.state.commit_view->staged.empty());
  EXPECT_TRUE(std::filesystem::exists(t.path() + "/.git/rebase-merge"));
}

TEST(EventLoop, KeepsTheSelectionOnScreen) {
  TempRepo t;
  t.line_of_commits(60);
  LoopSession run(open_repo(t), kScreen);  // 40 rows of log
  app::show_first_frame(run.loop);
  ASSERT_EQ(run.state.selected, 0u);
  for (int i = 0; i < 50; ++i) {
    ASSERT_EQ(run.pass(key(U'j')), Pass::Drew);
    EXPECT_EQ(run.state.selected, std::size_t(i + 1));
    EXPECT_EQ(run.state.scroll, run.state.selected < 40 ? 0u : run.state.selected - 39);
  }
  for (int i = 0; i < 45; ++i) {
    run.pass(key(U'k'));
    // Scrolls only once the selection leaves the top.
    EXPECT_EQ(run.state.scroll, std::min<std::size_t>(11, run.state.selected));
  }
  EXPECT_EQ(run.state.selected, 5u);
}

TEST(EventLoop, TinyTerminalThenResize) {
  TempRepo t;
  t.line_of_commits(10);
  LoopSession run(open_repo(t), {80, 3});  // no row for the log at all
  app::show_first_frame(run.loop);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(run.pass(key(U'j')), Pass::Drew);
  EXPECT_EQ(run.state.selected, 5u);
  run.backend.set_size({80, 6});
  EXPECT_EQ(run.pass(tui::ResizeEvent{80, 6}), Pass::Drew);
  EXPECT_LE(run.state.scroll, 5u);
  EXPECT_GT(run.state.scroll + 3, 5u);
}

TEST(EventLoop, ShortLogKeepsItsScrollOnResize) {
  TempRepo t;
  t.line_of_commits(5);
  LoopSession run(open_repo(t), kScreen);
  run.state.scroll = 3;  // a log shorter than the screen is left alone
  EXPECT_EQ(run.pass(tui::OtherEvent{}), Pass::Drew);
  EXPECT_EQ(run.state.scroll, 3u);
}

TEST(EventLoop, QuietPassDrawsNothing) {
  TempRepo t;
  t.line_of_commits(3);
  LoopSession run(open_repo(t), kScreen);
  app::show_first_frame(run.loop);
  run.backend.clear_output();
  EXPECT_EQ(run.pass(), Pass::Idle);
  EXPECT_EQ(run.pass(tui::ResizeEvent{100, 43}), Pass::Drew);
  EXPECT_EQ(run.pass(KeyEvent::key(KeyCode::Left)), Pass::Drew);
}

TEST(EventLoop, QuitEndsWithStatusZero) {
  TempRepo t;
  t.line_of_commits(3);
  LoopSession run(open_repo(t), kScreen);
  run.events.push(key(U'j'));
  run.events.push(key(U'q'));
  run.events.push(key(U'j'));
  app::show_first_frame(run.loop);
  EXPECT_EQ(app::run_event_loop(run.loop), 0);
  EXPECT_EQ(run.events.pending(), 1u);  // nothing after the quit is read
  EXPECT_EQ(run.state.selected, 1u);
}

TEST(EventLoop, KeysActOnTheLogShownWhileALoadRuns) {
  TempRepo t;
  t.line_of_commits(3);
  LoopSession run(open_repo(t), kScreen);
  ASSERT_EQ(run.repo.commits.size(), 3u);
  t.line_of_commits(5);  // two more on top, from outside
  run.watcher_sender.send(utils::Signal{});
  // The message starts a load and the key of the same pass is answered at
  // once, on the three commits on screen.
  EXPECT_EQ(run.pass(key(U'j')), Pass::Drew);
  EXPECT_TRUE(run.loop.loader.busy());
  EXPECT_EQ(run.repo.commits.size(), 3u);
  EXPECT_EQ(run.state.selected, 1u);  // commit 2
  EXPECT_EQ(run.pass(key(U'j')), Pass::Drew);
  run.settle();
  // The new model came in at the start of a later pass, the selection on
  // the commit it was on, whether the second j came before or after it.
  ASSERT_EQ(run.repo.commits.size(), 5u);
  EXPECT_EQ(run.state.selected, 4u);
  EXPECT_EQ(run.repo.commits[4].summary, "commit 1");
}

TEST(EventLoop, EveryWatcherMessageIsLoaded) {
  TempRepo t;
  t.commit("first");
  LoopSession run(open_repo(t), kScreen);
  t.commit("second");
  run.watcher_sender.send(utils::Signal{});
  run.watcher_sender.send(utils::Signal{});
  EXPECT_EQ(run.pass(), Pass::Drew);
  EXPECT_EQ(run.pass(), Pass::Drew);  // the second message, while the first load runs
  run.settle();
  EXPECT_EQ(run.repo.commits.size(), 2u);
  t.commit("third");
  run.watcher_sender.send(utils::Signal{});
  EXPECT_EQ(run.pass(), Pass::Drew);
  run.settle();
  EXPECT_EQ(run.repo.commits.size(), 3u);
  EXPECT_EQ(run.pass(), Pass::Idle);
}

TEST(EventLoop, ACommitMadeDuringALoadIsLoadedAfterIt) {
  TempRepo t;
  t.commit("first");
  LoopSession run(open_repo(t), kScreen);
  t.commit("second");
  run.watcher_sender.send(utils::Signal{});
  run.pass();
  ASSERT_TRUE(run.loop.loader.busy());
  t.commit("third");  // the load may or may not see it
  run.watcher_sender.send(utils::Signal{});
  run.pass();
  run.settle();
  ASSERT_EQ(run.repo.commits.size(), 3u);
  EXPECT_EQ(run.repo.commits[0].summary, "third");
}

TEST(EventLoop, WatcherThatEndedIsLikeSilence) {
  TempRepo t;
  t.commit("first");
  LoopSession run(open_repo(t), kScreen);
  run.watcher_sender = utils::Sender<utils::Signal>();  // the thread's end released
  EXPECT_EQ(run.pass(), Pass::Idle);
  EXPECT_EQ(run.pass(), Pass::Idle);
}

TEST(EventLoop, ABranchCreatedWhileALoadRunsIsKept) {
  TempRepo t;
  const std::string one = t.commit("one");
  LoopSession run(open_repo(t), kScreen);
  run.pass(key(U'b'));
  run.pass(key(U'x'));
  ASSERT_TRUE(run.state.creating_branch);
  t.commit("two");
  run.watcher_sender.send(utils::Signal{});
  // The load starts before the branch is made, in the same pass.
  run.pass(KeyEvent::key(KeyCode::Enter));
  ASSERT_TRUE(run.repo.branches.contains(repo::BranchName{"x"}));
  EXPECT_EQ(run.repo.branches.at(repo::BranchName{"x"}).hex(), one);  // the commit selected when Enter came
  run.settle();
  EXPECT_TRUE(run.repo.branches.contains(repo::BranchName{"x"}));
  ASSERT_EQ(run.repo.commits.size(), 2u);
  EXPECT_EQ(run.repo.commits[run.state.selected].id.hex(), one);
}

TEST(EventLoop, AReloadKeepsTheSelectionOnItsCommit) {
  TempRepo t;
  t.line_of_commits(60);                   // row r holds "commit 60-r"
  LoopSession run(open_repo(t), kScreen);  // 40 rows of log
  run.state.selected = 30;                 // commit 30, on screen row 20
  run.state.scroll = 10;
  t.line_of_commits(65);  // five more on top
  run.watcher_sender.send(utils::Signal{});
  run.pass();
  run.settle();
  ASSERT_EQ(run.repo.commits.size(), 65u);
  EXPECT_EQ(run.state.selected, 35u);
  EXPECT_EQ(run.repo.commits[35].summary, "commit 30");
  EXPECT_EQ(run.state.scroll, 15u);  // still on screen row 20
}

TEST(EventLoop, AReloadThatShortensTheLogKeepsTheSelectionInIt) {
  struct Case {
    const char* name;
    std::size_t selected, scroll;
    std::string reset_to;
    std::size_t want_selected;
    std::string want_summary;
  };
  const Case cases[] = {
      {"the selected commit stays", 58, 30, "HEAD~50", 8, "commit 2"},
      {"the selected commit goes", 1, 0, "HEAD~55", 1, "commit 4"},
      {"the selected row is past the new end", 55, 20, "HEAD~57", 2, "commit 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempRepo t;
    t.line_of_commits(60);
    LoopSession run(open_repo(t), kScreen);
    run.state.selected = c.selected;
    run.state.scroll = c.scroll;
    t.git({"reset", "-q", "--soft", c.reset_to});
    run.watcher_sender.send(utils::Signal{});
    run.pass();
    run.settle();
    ASSERT_LT(run.repo.commits.size(), 40u);
    EXPECT_EQ(run.state.selected, c.want_selected);
    EXPECT_EQ(run.repo.commits.at(run.state.selected).summary, c.want_summary);
    EXPECT_EQ(run.state.scroll, 0u);  // the short log fills the screen from its top
    // The selected row is drawn.
    EXPECT_NE(selected_row(run.state, run.repo, {100, 43}).find(c.want_summary), std::string::npos);
  }
}

// Push and fetch share one rule; `task` picks which of the two a case uses.
template <class Result>
std::optional<state::Task<Result>>& task_of(state::State& s) {
  if constexpr (std::is_same_v<Result, state::PushResult>) {
    return s.push_task;
  } else {
    return s.fetch_task;
  }
}

template <class Result>
void check_worker_outcomes(const std::string& name) {
  SCOPED_TRACE(name);
  TempRepo t;
  t.commit("first");
  LoopSession run(open_repo(t), kScreen);
  auto& task = task_of<Result>(run.state);

  // Nothing yet: every pass counts a tick and redraws, without a key.
  auto [sender, receiver] = utils::make_channel<Result>();
  task = state::Task<Result>{std::move(receiver), 0};
  EXPECT_EQ(run.pass(), Pass::Drew);
  EXPECT_EQ(run.pass(), Pass::Drew);
  ASSERT_TRUE(task);
  EXPECT_EQ(task->ticks, 2u);
  EXPECT_FALSE(run.state.status_message);

  // The result: shown, the task done, the log reloaded when it asks.
  t.commit("second");
  sender.send(Result{name + " done", true});
  EXPECT_EQ(run.pass(), Pass::Drew);
  EXPECT_FALSE(task);
  ASSERT_TRUE(run.state.status_message);
  EXPECT_EQ(run.state.status_message->text, name + " done");
  run.settle();
  EXPECT_EQ(run.repo.commits.size(), 2u);
  EXPECT_EQ(run.pass(), Pass::Idle);

  // A failure message leaves the log as it is.
  t.commit("third");
  task = state::Task<Result>{utils::spawn_worker<Result>(
                                 [name] {
                                   return Result{name + " went wrong", false};
                                 },
                                 tui::fatal),
                             0};
  while (task) run.pass();
  EXPECT_EQ(run.state.status_message->text, name + " went wrong");
  EXPECT_EQ(run.repo.commits.size(), 2u);

  // A worker that dies without a word.
  task = state::Task<Result>{
      utils::spawn_worker<Result>([]() -> Result { throw std::runtime_error("lost"); }, tui::fatal), 0};
  while (task) run.pass();
  EXPECT_EQ(run.state.status_message->text, name + " failed: thread died");
}

TEST(EventLoop, PushAndFetchOutcomes) {
  check_worker_outcomes<state::PushResult>("push");
  check_worker_outcomes<state::FetchResult>("fetch");
}

TEST(EventLoop, IncrementalSearchFromTheTop) {
  TempRepo t;
  t.line_of_commits(30);  // row r holds "commit 30-r"
  LoopSession run(open_repo(t), kScreen);
  run.state.selected = 20;
  run.state.scroll = 5;
  run.state.saved_selection = 20;
  run.state.saved_scroll = 5;
  run.state.searching = true;

  run.state.search_query = "commit 1";  // commits 19 to 10 and 1 match; the first from the top wins
  run.pass(KeyEvent::key(KeyCode::Left));
  EXPECT_EQ(run.state.selected, 11u);  // commit 19
  EXPECT_EQ(run.state.scroll, 5u);

  run.state.search_query = "no such commit";
  run.pass(KeyEvent::key(KeyCode::Left));
  EXPECT_EQ(run.state.selected, 20u);

  run.state.selected = 3;
  run.state.search_query.clear();
  run.state.scroll = 0;
  run.pass(KeyEvent::key(KeyCode::Left));
  EXPECT_EQ(run.state.selected, 20u);
  EXPECT_EQ(run.state.scroll, 5u);

  run.state.searching = false;  // the prompt closed: the selection is the user's
  run.state.selected = 3;
  run.pass(KeyEvent::key(KeyCode::Left));
  EXPECT_EQ(run.state.selected, 3u);
}

TEST(EventLoop, APasteTypesIntoThePromptAndRunsNoKey) {
  TempRepo t;
  t.line_of_commits(30);  // row r holds "commit 30-r"
  LoopSession run(open_repo(t), kScreen);

  // In the log: neither q nor the line feed does anything.
  EXPECT_EQ(run.pass(tui::PasteEvent{"q\rjj"}), Pass::Drew);
  EXPECT_EQ(run.state.selected, 0u);
  EXPECT_FALSE(run.state.searching);

  // In the search prompt: its first line is the query, searched as typed.
  run.pass(key(U'/'));
  ASSERT_TRUE(run.state.searching);
  EXPECT_EQ(run.pass(tui::PasteEvent{"commit 2\u202e5\rq"}), Pass::Drew);
  EXPECT_EQ(run.state.search_query, "commit 25");
  EXPECT_TRUE(run.state.searching);
  EXPECT_EQ(run.state.selected, 5u);
}

TEST(EventLoop, LimitGrowth) {
  struct Case {
    std::optional<std::uint64_t> from, to;
  };
  const Case cases[] = {{2000, 4000},
                        {4000, 8000},
                        {8000, 16000},
                        {16000, 32000},
                        {32000, 64000},
                        {64000, std::nullopt},
                        {49999, 99998},
                        {50000, std::nullopt},
                        {0, 0},
                        {1, 2},
                        {std::nullopt, std::nullopt}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from ? std::to_string(*c.from) : "none");
    EXPECT_EQ(app::grown_limit(c.from), c.to);
  }
}

TEST(EventLoop, LogGrowsAsTheSelectionNearsItsEnd) {
  TempRepo t;
  t.line_of_commits(5);
  LoopSession run(open_repo(t, 2), kScreen);
  ASSERT_TRUE(run.repo.has_more);
  run.pass(key(U'j'));  // row 1 of 2: well within 100 rows of the end
  EXPECT_EQ(run.repo.limit, 4u);
  run.settle();
  EXPECT_EQ(run.repo.commits.size(), 4u);
  EXPECT_EQ(run.state.selected, 1u);
  run.pass(key(U'j'));
  EXPECT_EQ(run.repo.limit, 8u);
  run.settle();
  EXPECT_EQ(run.repo.commits.size(), 5u);
  EXPECT_FALSE(run.repo.has_more);
  run.pass(key(U'j'));
  EXPECT_EQ(run.repo.limit, 8u);  // the whole log is loaded
}

TEST(EventLoop, LogFarFromItsEndDoesNotGrow) {
  TempRepo t;
  t.line_of_commits(120);
  LoopSession run(open_repo(t, 110), kScreen);
  run.pass(key(U'j'));  // 1 + 100 < 110
  EXPECT_EQ(run.repo.limit, 110u);
  for (int i = 0; i < 9; ++i) run.pass(key(U'j'));  // 10 + 100 reaches 110
  EXPECT_EQ(run.repo.limit, 220u);
  run.settle();
  EXPECT_EQ(run.repo.commits.size(), 120u);
}

TEST(EventLoop, LimitOfZeroStaysZero) {
  TempRepo t;
  t.line_of_commits(3);
  LoopSession run(open_repo(t, 0), kScreen);
  ASSERT_TRUE(run.repo.commits.empty());
  ASSERT_TRUE(run.repo.has_more);
  app::show_first_frame(run.loop);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(run.pass(key(U'j')), Pass::Drew);
    EXPECT_EQ(run.repo.limit, 0u);
    EXPECT_TRUE(run.repo.commits.empty());
    EXPECT_EQ(state::selected_commit(run.state, run.repo), nullptr);
  }
}

}  // namespace

namespace {

TEST(EventLoop, PanelFactsAreAskedAgainAfterAReload) {
  TempRepo t;
  t.commit("first");
  LoopSession run(open_repo(t), kScreen);
  run.pass(key(U'?'));
  ASSERT_TRUE(run.state.panel_facts);
  EXPECT_FALSE(run.state.panel_facts->has_remote);
  t.git({"remote", "add", "origin", "https://github.com/u/p.git"});
  t.commit("second");
  run.watcher_sender.send(utils::Signal{});
  EXPECT_EQ(run.pass(), Pass::Drew);
  run.settle();
  ASSERT_EQ(run.repo.commits.size(), 2u);
  ASSERT_TRUE(run.state.panel_facts);
  EXPECT_TRUE(run.state.panel_facts->has_remote);
}

TEST(EventLoop, PanelFactsAreAskedAgainAfterTheProgramsOwnCommit) {
  TempRepo t;
  t.write("a.txt", "a\n").commit("base");
  t.set_identity();                               // for the library's commit
  t.write("a.txt", "b\n").git({"add", "a.txt"});  // committed, nothing is left
  testing_support::TempDir bin;
  const std::string editor = bin.path() + "/editor";
  testing_support::write_file(editor, "#!/bin/sh\nprintf 'change a\\n' > \"$1\"\n");
  std::filesystem::permissions(editor, std::filesystem::perms::owner_all);
  testing_support::EnvGuard editor_value{{"EDITOR", editor}};

  LoopSession run(open_repo(t), kScreen);
  // The "tab" key of the panel's last column, on the panel's first row.
  const auto stage_key = [&run] {
    const tui::Buffer& frame = run.terminal.last_frame();
    const int y = frame.area().height - 5;
    const int x = column_of(frame, y, "tab stage view");
    EXPECT_GE(x, 0) << frame.row_text(y);
    return x < 0 ? tui::Color::Reset : frame.at(x, y).fg;
  };
  run.pass(key(U'?'));
  EXPECT_EQ(stage_key(), tui::Color::White);
  run.pass(KeyEvent::key(KeyCode::Tab));
  ASSERT_TRUE(run.state.commit_view);
  run.pass(key(U'c'));
  ASSERT_TRUE(run.state.status_message);
  ASSERT_EQ(run.state.status_message->text, "committed successfully");
  ASSERT_FALSE(run.state.commit_view);
  // The frame drawn right after the commit, not a second later.
  EXPECT_EQ(stage_key(), tui::Color::DarkGray);
}

TEST(EventLoop, FirstFrameIsColouredDownToTheLastRowOfATallTerminal) {
  TempRepo t;
  t.write("a.txt", "a\n").commit("base");
  std::string text;
  for (int i = 0; i < 400; ++i) text += "int v" + std::to_string(i) + " = " + std::to_string(i) + ";\n";
  t.write("big.c", text);  // untracked: one hunk of 400 added lines
  const std::uint16_t height = 300;
  LoopSession run(open_repo(t), {100, height});
  app::show_first_frame(run.loop);
  ASSERT_TRUE(run.state.commit_view);
  const tui::Buffer& frame = run.terminal.last_frame();
  // The preview's inside runs from row 1 to the row above its bottom border,
  // 8 panel rows and the border from the bottom.
  for (int y : {1, 150, 250, height - 10}) {
    SCOPED_TRACE(y);
    const int x = column_of(frame, y, "int v");
    ASSERT_GE(x, 0) << frame.row_text(y);
    EXPECT_EQ(frame.at(x, y).fg.kind(), tui::Color::Kind::Rgb) << frame.at(x, y);
  }
}

}  // namespace

namespace {

// Back from a stop the screen holds the shell's text: the frame after is painted whole, from a
// cleared screen, though nothing in it changed.
TEST(EventLoop, ARedrawPaintsTheWholeFrameAgain) {
  TempRepo t;
  t.line_of_commits(3);
  LoopSession run(open_repo(t), kScreen);
  app::show_first_frame(run.loop);
  const std::string first = run.backend.output();
  run.backend.clear_output();
  EXPECT_EQ(run.pass(), Pass::Idle);
  EXPECT_EQ(run.backend.output(), "");

  EXPECT_EQ(run.pass(tui::RedrawEvent{}), Pass::Drew);
  const std::string again = run.backend.output();
  EXPECT_NE(again.find("\x1b[2J"), std::string::npos) << "the screen was not cleared";
  EXPECT_EQ(again, first) << "not the whole frame";
  EXPECT_EQ(run.state.selected, 0u) << "a redraw is no key";
}

}  // namespace
