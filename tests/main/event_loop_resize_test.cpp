// A terminal that grows after the view was scrolled to its end at a small size: the last page
// stays full, as G at the new size would leave it, in the log, the details panel and the staging
// view's preview; a scroll the keys put past the end on purpose stays.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "action/details_panel.hpp"
#include "main/event_loop.hpp"
#include "repo/repo.hpp"
#include "support/temp_repo.hpp"
#include "tui/memory_backend.hpp"
#include "viewport/staging_geometry.hpp"

namespace {

using testing_support::TempRepo;
using tui::KeyEvent;

std::string numbered_lines(int count, const std::string& prefix = "") {
  std::string text;
  for (int i = 1; i <= count; ++i) text += prefix + std::to_string(i) + "\n";
  return text;
}

// The program on a repository, a terminal in memory whose size the test sets, and keys.
struct ResizeRun {
  ResizeRun(const TempRepo& t, tui::Size size)
      : repo(std::move(*repo::Repo::open(t.path(), 2000))),
        state(state::State::create(repo)),
        backend(size),
        terminal(backend) {
    auto [tx, rx] = utils::make_channel<utils::Signal>();
    watcher_sender = std::move(tx);
    watcher = std::move(rx);
    app::show_first_frame(session);
  }

  void press(tui::Event e) {
    events.push(e);
    app::run_pass(session);
  }
  void key(char32_t c) { press(KeyEvent::character(c)); }
  void resize(tui::Size size) {
    backend.set_size(size);
    press(tui::ResizeEvent{size.width, size.height});
  }
  std::vector<std::string> screen() const {
    std::vector<std::string> rows;
    const tui::Buffer& frame = terminal.last_frame();
    for (int y = 0; y < frame.area().height; ++y) rows.push_back(frame.row_text(y));
    return rows;
  }

  repo::Repo repo;
  state::State state;
  tui::MemoryBackend backend;
  tui::Terminal terminal;
  tui::ScriptedEvents events;
  utils::Sender<utils::Signal> watcher_sender;
  utils::Receiver<utils::Signal> watcher;
  app::Session session{state, repo, terminal, events, watcher};
};

constexpr tui::Size kShort{60, 8};
constexpr tui::Size kTall{120, 40};

TEST(ResizeAfterTheEnd, TheDetailsKeepTheirLastPageFull) {
  TempRepo t;
  t.write("a.txt", numbered_lines(100));
  t.commit("hundred lines");
  ResizeRun run(t, kTall);
  run.key(U'l');
  ASSERT_TRUE(run.state.commit_details);
  run.resize(kShort);
  run.key(U'G');
  ASSERT_EQ(run.state.details_scroll, action::details_scroll_bound(run.state, kShort));

  run.resize(kTall);
  EXPECT_EQ(run.state.details_scroll, action::details_scroll_bound(run.state, kTall));
  const std::vector<std::string> grown = run.screen();
  const auto last_row = std::ranges::find_if(
      grown, [](const std::string& row) { return row.find("100") != std::string::npos; });
  ASSERT_NE(last_row, grown.end());
  // The details end with a blank line, on the panel's last row (above the three of the status bar).
  EXPECT_EQ(last_row - grown.begin(), kTall.height - 5) << "the last page is not full";
  run.key(U'G');
  EXPECT_EQ(run.screen(), grown) << "G at the new size shows another page";
}

TEST(ResizeAfterTheEnd, TheLogShorterThanTheTallScreenShowsFromItsTop) {
  TempRepo t;
  for (int i = 1; i <= 20; ++i) t.commit("commit " + std::to_string(i));
  ResizeRun run(t, kShort);
  run.key(U'G');
  ASSERT_EQ(run.state.selected, 19u);
  ASSERT_EQ(run.state.scroll, 15u);

  run.resize(kTall);
  EXPECT_EQ(run.state.scroll, 0u);
  EXPECT_NE(run.screen()[0].find("commit 20"), std::string::npos) << run.screen()[0];
  EXPECT_EQ(run.state.selected, 19u);
}

TEST(ResizeAfterTheEnd, TheStagingPreviewKeepsItsLastPageFull) {
  TempRepo t;
  t.write("a.txt", numbered_lines(100));
  t.commit("hundred lines");
  t.write("a.txt", numbered_lines(100, "changed "));
  ResizeRun run(t, {100, 14});
  ASSERT_TRUE(run.state.commit_view);
  run.key(U'G');
  const auto bound = [&](tui::Size size) {
    return viewport::compute_max_scroll(*run.state.commit_view, viewport::diff_viewport_height(size));
  };
  ASSERT_EQ(run.state.commit_view->diff_scroll, bound({100, 14}));
  ASSERT_GT(bound({100, 14}), bound({100, 43}));

  run.resize({100, 43});
  EXPECT_EQ(run.state.commit_view->diff_scroll, bound({100, 43}));
  const std::vector<std::string> grown = run.screen();
  run.key(U'G');
  EXPECT_EQ(run.screen(), grown) << "G at the new size shows another page";
}

// n centres a match near the end of the details past the last page; a resize leaves it there.
TEST(ResizeAfterTheEnd, ADetailsMatchCentredPastTheLastPageStaysWhereItIs) {
  TempRepo t;
  t.write("a.txt", numbered_lines(100));
  t.commit("hundred lines");
  ResizeRun run(t, kTall);
  run.key(U'l');
  run.key(U'/');
  for (const char c : std::string("99")) run.key(static_cast<char32_t>(c));
  run.press(KeyEvent::key(tui::KeyCode::Enter));
  run.key(U'n');
  const std::size_t centred = run.state.details_scroll;
  ASSERT_GT(centred, action::details_scroll_bound(run.state, kTall));

  run.resize({120, 30});
  EXPECT_EQ(run.state.details_scroll, centred);
}

}  // namespace
