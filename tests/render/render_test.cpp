#include "render/render.hpp"

#include <gtest/gtest.h>

#include <string>

#include "log_fixture.hpp"
#include "support/frames.hpp"
#include "support/screen.hpp"
#include "viewport/viewport.hpp"

namespace {

using log_fixture::chain;
using testing_support::blank;
using testing_support::draw;
using testing_support::screen_has;
using tui::Rect;

// Rows that show a commit's short id: the log's rows.
int log_rows(const tui::Buffer& buf, const repo::Repo& r) {
  int n = 0;
  for (int y = 0; y < buf.area().height; ++y) {
    const std::string text = buf.row_text(y);
    for (const repo::Commit& c : r.commits) {
      if (text.find(c.id.short_hex()) != std::string::npos) {
        ++n;
        break;
      }
    }
  }
  return n;
}

TEST(ScreenLayout, MainAreaIsTheVisibleRowsAndTheBarsTakeTheRest) {
  struct Case {
    std::uint16_t height;
    bool hotkeys;
    Rect main, status, panel;
  };
  const Case cases[] = {
      {24, false, {0, 0, 80, 21}, {0, 21, 80, 3}, {0, 24, 80, 0}},
      {24, true, {0, 0, 80, 16}, {0, 16, 80, 3}, {0, 19, 80, 5}},
      {4, false, {0, 0, 80, 1}, {0, 1, 80, 3}, {0, 4, 80, 0}},
      {9, true, {0, 0, 80, 1}, {0, 1, 80, 3}, {0, 4, 80, 5}},
      // Too short for the bars: no main area, the status bar first.
      {3, false, {0, 0, 80, 0}, {0, 0, 80, 3}, {0, 3, 80, 0}},
      {2, false, {0, 0, 80, 0}, {0, 0, 80, 2}, {0, 2, 80, 0}},
      {8, true, {0, 0, 80, 0}, {0, 0, 80, 3}, {0, 3, 80, 5}},
      {5, true, {0, 0, 80, 0}, {0, 0, 80, 3}, {0, 3, 80, 2}},
      {0, true, {0, 0, 80, 0}, {0, 0, 80, 0}, {0, 0, 80, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.height << (c.hotkeys ? " with hotkeys" : ""));
    const render::ScreenLayout got = render::screen_layout({0, 0, 80, c.height}, c.hotkeys);
    EXPECT_EQ(got.main, c.main);
    EXPECT_EQ(got.status_bar, c.status);
    EXPECT_EQ(got.hotkeys, c.panel);
    EXPECT_EQ(got.main.height, viewport::visible_rows({80, c.height}, c.hotkeys));
  }
}

TEST(ScreenLayout, HotkeyPanelMovesTheStatusBarByFiveRows) {
  for (std::uint16_t height : {9, 10, 24, 100}) {
    SCOPED_TRACE(height);
    const auto off = render::screen_layout({0, 0, 120, height}, false);
    const auto on = render::screen_layout({0, 0, 120, height}, true);
    EXPECT_EQ(off.main.height - on.main.height, 5);
    EXPECT_EQ(off.status_bar.y - on.status_bar.y, 5);
    EXPECT_EQ(on.status_bar.y, on.main.bottom());
    EXPECT_EQ(on.hotkeys.y, height - 5);
    EXPECT_EQ(off.status_bar.bottom(), height);
  }
  // The screen shows as many log rows as the layout says.
  const repo::Repo r = chain(30);
  state::State s;
  EXPECT_EQ(log_rows(draw(s, r, 80, 24), r), 21);
  s.show_hotkeys = true;
  EXPECT_EQ(log_rows(draw(s, r, 80, 24), r), 16);
}

TEST(ScreenLayout, DetailsWidthLeavesTwoColumns) {
  const std::pair<std::uint16_t, std::uint16_t> cases[] = {{0, 0}, {1, 0}, {2, 0}, {3, 1}, {80, 78}};
  for (const auto& [columns, width] : cases)
    EXPECT_EQ(viewport::details_width({columns, 24}), width) << columns;
}

TEST(Render, OpenDetailsReplaceTheLogAndKeepTheEdgeColumnsEmpty) {
  const repo::Repo r = chain(5);
  state::State s;
  s.commit_details = log_fixture::details(r.commits[0].id, "details text");
  const tui::Buffer buf = draw(s, r, 80, 24);
  EXPECT_FALSE(screen_has(buf, "▶"));
  EXPECT_FALSE(screen_has(buf, "commit 1"));
  EXPECT_FALSE(screen_has(buf, r.commits[1].id.short_hex()));
  for (int y = 0; y < 21; ++y) {
    EXPECT_TRUE(blank(buf, y, 0, 1)) << y;
    EXPECT_TRUE(blank(buf, y, 79, 80)) << y;
  }
}

TEST(Render, StagingViewTakesTheWholeScreen) {
  const repo::Repo r = chain(5);
  state::State s;
  s.commit_view = state::CommitViewState{};
  s.show_hotkeys = true;
  s.searching = true;
  s.search_query = "commit";
  const tui::Buffer buf = draw(s, r, 80, 24);
  EXPECT_FALSE(screen_has(buf, "▶"));
  EXPECT_FALSE(screen_has(buf, "commit 1"));
}

TEST(Render, TinyScreensDrawOnlyInsideTheFrame) {
  struct Case {
    std::uint16_t width, height;
    bool hotkeys;
    int log_rows;
  };
  // Log rows are counted where the id column fits.
  const Case cases[] = {{0, 0, false, 0},  {1, 1, false, 0},  {0, 24, false, 0}, {80, 0, true, 0},
                        {2, 5, false, 0},  {10, 3, false, 0}, {10, 3, true, 0},  {80, 3, false, 0},
                        {80, 4, false, 1}, {80, 8, true, 0},  {80, 9, true, 1},  {80, 12, true, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << (c.hotkeys ? " with hotkeys" : ""));
    for (int screen = 0; screen < 3; ++screen) {
      const repo::Repo r = chain(12);
      state::State s;
      s.show_hotkeys = c.hotkeys;
      // Details of a commit outside the log, so its header's id is not counted as a log row.
      if (screen == 1) s.commit_details = log_fixture::details(repo::Oid::zero(), "m");
      if (screen == 2) s.commit_view = state::CommitViewState{};
      const tui::Buffer buf = draw(s, r, c.width, c.height);
      EXPECT_EQ(buf.area(), (Rect{0, 0, c.width, c.height}));
      EXPECT_EQ(log_rows(buf, r), screen == 0 ? c.log_rows : 0);
    }
  }
}

}  // namespace

namespace {

// The "trojan source" trick: a summary, a branch name, a path or a message line whose
// bidirectional controls would make its row read as something else. Each shows as a visible
// placeholder where it stands, in the log and in the details.
TEST(Render, TextThatReordersOrHidesItselfIsShownNotObeyed) {
  repo::Repo r = chain(2);
  r.commits[0].summary = "isAdmin \u202E} \u2066if (isAdmin)\u2069 \u2066 begin admins only \u200B";
  r.branches[repo::BranchName{"fix\u202Egnp.exe"}] = r.commits[0].id;
  state::State s;
  tui::Buffer buf = draw(s, r, 120, 10);
  EXPECT_TRUE(screen_has(buf, "isAdmin \uFFFD} \uFFFDif (isAdmin)\uFFFD \uFFFD begin admins only \uFFFD"))
      << buf.row_text(0);
  EXPECT_TRUE(screen_has(buf, "fix\uFFFDgnp.exe"));

  repo::CommitDetails d = log_fixture::details(r.commits[0].id, "line \u2067one\u2069\n\uFEFFsecond");
  repo::FileChange file;
  file.path = "src/\u202Etxt.exe";
  file.status = 'A';
  repo::Hunk hunk;
  hunk.lines.push_back(repo::DiffLine{"access = \u2068\"user\u2069\";", std::nullopt, 1, '+'});
  file.hunks.push_back(hunk);
  file.additions = 1;
  d.files.push_back(file);
  s.commit_details = d;
  buf = draw(s, r, 120, 20);
  for (const std::string want : {"line \uFFFDone\uFFFD", "\uFFFDsecond", "\uFFFDtxt.exe", "src/\uFFFDtxt.exe",
                                 "access = \uFFFD\"user\uFFFD\";"})
    EXPECT_TRUE(screen_has(buf, want)) << want;
  for (int y = 0; y < 20; ++y)
    for (const char* raw : {"\u202E", "\u2066", "\u2067", "\u2068", "\u2069", "\u200B", "\uFEFF"})
      EXPECT_EQ(buf.row_text(y).find(raw), std::string::npos) << y;
}

}  // namespace
