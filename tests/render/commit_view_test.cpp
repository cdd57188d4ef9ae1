#include "render/commit_view.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/diff_preview.hpp"
#include "render/spans.hpp"
#include "support/screen.hpp"
#include "support/temp_repo.hpp"
#include "support/worktree_files.hpp"
#include "utils/utf8_chars.hpp"

namespace {

using testing_support::column_of;
using testing_support::raw_cells;
using testing_support::trimmed_row;
using testing_support::worktree_file;
using tui::Color;
using tui::Modifier;

constexpr Modifier kKey = Modifier::BOLD | Modifier::UNDERLINED;

// Hunks of 3 '+' lines: "a1".."a3", "b1".., numbered from 1 in each hunk.
std::vector<repo::Hunk> three_hunks() {
  std::vector<repo::Hunk> hunks;
  for (char h : {'a', 'b', 'c'}) {
    repo::Hunk hunk;
    for (std::uint32_t i = 1; i <= 3; ++i)
      hunk.lines.push_back({std::string(1, h) + std::to_string(i), std::nullopt, i, '+'});
    hunks.push_back(hunk);
  }
  return hunks;
}

state::CommitViewState view_with(repo::WorktreeFile f, bool staged = false) {
  state::CommitViewState v;
  v.selected_path = f.path;
  (staged ? v.staged : v.unstaged).push_back(std::move(f));
  v.staged_focus = staged;
  return v;
}

tui::Buffer hunk_rows(const state::CommitViewState& v, std::uint16_t width, std::uint16_t height) {
  tui::Buffer buf({0, 0, width, height});
  const bool unstaged = !v.staged_focus;
  render::render_hunk_rows(buf, buf.area(), unstaged ? v.unstaged[0] : v.staged[0], unstaged, v);
  return buf;
}

TEST(DiffPreview, ThreeHunksAtEachScroll) {
  repo::WorktreeFile f = worktree_file("f.txt");
  f.unstaged_hunks = three_hunks();
  state::CommitViewState v = view_with(f);
  struct Case {
    std::size_t scroll;
    std::vector<std::string> rows;  // row text, the hint cut off
    int cyan_row;                   // the row whose hint is marked
  };
  const Case cases[] = {
      {0,
       {" 1 +a1", " 2 +a2", " 3 +a3", "", " 1 +b1", " 2 +b2", " 3 +b3", "", " 1 +c1", " 2 +c2", " 3 +c3"},
       0},
      // The blank row after hunk 1 belongs to it: its keys stay on top.
      {3, {"", " 1 +b1", " 2 +b2", " 3 +b3", "", " 1 +c1", " 2 +c2", " 3 +c3"}, 0},
      {4, {" 1 +b1", " 2 +b2", " 3 +b3", "", " 1 +c1", " 2 +c2", " 3 +c3"}, 0},
      // Hunk 2's first row is scrolled off: row 0 is its sticky hint, built row 5 is not shown.
      {5, {"", " 3 +b3", "", " 1 +c1", " 2 +c2", " 3 +c3"}, 0},
      // Past the end: only the sticky hint of the last hunk.
      {40, {""}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scroll);
    v.diff_scroll = c.scroll;
    const tui::Buffer buf = hunk_rows(v, 40, 12);
    for (std::size_t y = 0; y < 12; ++y) {
      std::string row = trimmed_row(buf, static_cast<int>(y));
      if (const auto hint = row.find("(s)tage"); hint != std::string::npos) {
        row.erase(hint);
        row.erase(row.find_last_not_of(' ') + 1);
      }
      EXPECT_EQ(row, y < c.rows.size() ? c.rows[y] : "") << y;
    }
    for (int y = 0; y < 12; ++y) {
      const int at = column_of(buf, y, "(s)tage");
      if (at < 0) continue;
      const tui::Cell& cell = buf.at(at, y);
      if (y == c.cyan_row) {
        EXPECT_EQ(cell.fg, Color::Cyan) << y;
        EXPECT_EQ(cell.modifiers, kKey) << y;
      } else {
        EXPECT_EQ(cell.fg, Color::DarkGray) << y;
        EXPECT_EQ(cell.modifiers, Modifier::NONE) << y;
      }
    }
  }
  // At scroll 3 the row under the sticky hint is hunk 2's first row, unmarked.
  v.diff_scroll = 3;
  const tui::Buffer buf = hunk_rows(v, 40, 12);
  EXPECT_EQ(buf.at(column_of(buf, 1, "(s)tage"), 1).fg, Color::DarkGray);
}

TEST(DiffPreview, HintPositionsOnSixtyColumns) {
  repo::WorktreeFile f = worktree_file("f.txt");
  repo::Hunk hunk;
  hunk.lines = {{"abc", std::nullopt, 1, '+'}, {"def", std::nullopt, 2, '+'}, {"ctx", 3, 3, ' '}};
  f.unstaged_hunks = {hunk};
  state::CommitViewState v = view_with(f);
  tui::Buffer buf = hunk_rows(v, 60, 5);
  // 7 characters of prefix and text, 34 padded spaces, "(s)tage", two spaces, "(d)iscard".
  EXPECT_EQ(column_of(buf, 0, "(s)tage"), 41);
  EXPECT_EQ(column_of(buf, 0, "(d)iscard"), 50);
  EXPECT_EQ(buf.at(58, 0).symbol, "d");
  EXPECT_EQ(buf.at(59, 0).symbol, " ");
  EXPECT_EQ(buf.at(59, 0).bg, Color::Reset);  // the last column stays unpainted
  for (int x = 7; x < 41; ++x) EXPECT_EQ(buf.at(x, 0).bg, render::DIFF_ADDED_BG) << x;
  EXPECT_EQ(buf.at(50, 0).fg, Color::Red);
  EXPECT_EQ(buf.at(50, 0).modifiers, kKey);
  EXPECT_EQ(buf.at(48, 0).bg, Color::Reset);
  // A '+' line after the first runs its colour to the edge; a context line does not.
  EXPECT_EQ(buf.at(59, 1).bg, render::DIFF_ADDED_BG);
  EXPECT_EQ(buf.at(10, 2).bg, Color::Reset);

  // The sticky row of the same hunk ends in the last column.
  v.diff_scroll = 1;
  buf = hunk_rows(v, 60, 5);
  EXPECT_EQ(column_of(buf, 0, "(s)tage"), 42);
  EXPECT_EQ(buf.at(59, 0).symbol, "d");
  EXPECT_EQ(trimmed_row(buf, 1), " 3  ctx");  // the row at the scroll position gives way to the hint

  // Untracked: no discard; staged: unstage only.
  f.kind = repo::ChangeKind::Untracked;
  buf = hunk_rows(view_with(f), 60, 5);
  EXPECT_EQ(column_of(buf, 0, "(s)tage"), 52);
  EXPECT_EQ(column_of(buf, 0, "(d)iscard"), -1);
  repo::WorktreeFile s = worktree_file("f.txt", repo::ChangeKind::Added);
  s.staged_hunks = {hunk};
  buf = hunk_rows(view_with(s, true), 60, 5);
  EXPECT_EQ(column_of(buf, 0, "(u)nstage"), 50);
  EXPECT_EQ(column_of(buf, 0, "(d)iscard"), -1);

  // Nothing on the shown side.
  buf = hunk_rows(view_with(worktree_file("f.txt")), 60, 5);
  EXPECT_EQ(trimmed_row(buf, 0), "No unstaged changes");
  EXPECT_EQ(buf.at(0, 0).fg, Color::DarkGray);
}

TEST(DiffPreview, TokensColourTheirLineOnlyForTheSelectedPath) {
  repo::WorktreeFile f = worktree_file("f.txt");
  repo::Hunk hunk;
  hunk.lines = {{"int x", 1, 1, ' '}};
  f.unstaged_hunks = {hunk};
  state::CommitViewState v = view_with(f);
  state::StagingHighlight colours;
  colours.path = "f.txt";
  colours.unstaged.lines = {{{"int", {1, 2, 3, 255}, {}, 0}, {" x", {4, 5, 6, 255}, {}, 0}}};
  v.staging_highlight = colours;
  tui::Buffer buf = hunk_rows(v, 40, 2);
  EXPECT_EQ(buf.at(4, 0).fg, Color::rgb(1, 2, 3));
  EXPECT_EQ(buf.at(8, 0).fg, Color::rgb(4, 5, 6));
  v.staging_highlight->path = "other.txt";
  buf = hunk_rows(v, 40, 2);
  EXPECT_EQ(trimmed_row(buf, 0).substr(0, 8), " 1  int ");
  EXPECT_EQ(buf.at(4, 0).fg, Color::Reset);
}

repo::ConflictSection section(std::size_t ours, std::size_t theirs) {
  repo::ConflictSection s;
  for (std::size_t i = 0; i < ours; ++i) s.ours.push_back("o" + std::to_string(i));
  for (std::size_t i = 0; i < theirs; ++i) s.theirs.push_back("t" + std::to_string(i));
  return s;
}

tui::Buffer conflict_rows(const state::CommitViewState& v, const repo::ConflictContext& context,
                          std::uint16_t width, std::uint16_t height) {
  tui::Buffer buf({0, 0, width, height});
  render::render_conflict_view(buf, buf.area(), v.unstaged[0], context, v);
  return buf;
}

TEST(ConflictView, NumbersBothSidesFromOneBaseAndKeepsTheHintOnTop) {
  repo::WorktreeFile f = worktree_file("c.txt", repo::ChangeKind::Conflicted);
  f.conflict_sections = {section(2, 3), section(1, 1)};
  state::CommitViewState v = view_with(f);
  const repo::ConflictContext rebase{"main", "topic", repo::ConflictKind::Rebase};
  tui::Buffer buf = conflict_rows(v, rebase, 70, 16);
  const std::vector<std::string> want = {
      "conflict 1 of 2:                                   (1), (2), or (o)pen",
      "─── rebasing onto (main) ← press 1 to take these changes",
      "+   1 o0",
      "+   2 o1",
      "─── rebasing (topic) ← press 2 to take these changes",
      "-   1 t0",
      "-   2 t1",
      "-   3 t2",
      "",
      "─── rebasing onto (main) ← press 1 to take these changes",
      "+   3 o0",
      "─── rebasing (topic) ← press 2 to take these changes",
      "-   3 t0",
      "",
  };
  for (std::size_t y = 0; y < want.size(); ++y)
    EXPECT_EQ(trimmed_row(buf, static_cast<int>(y)), want[y]) << y;
  EXPECT_EQ(buf.at(0, 0).fg, Color::Yellow);
  EXPECT_EQ(buf.at(0, 0).modifiers, Modifier::BOLD);
  EXPECT_EQ(buf.at(69, 0).symbol, "n");  // the keys end at the right edge
  EXPECT_EQ(buf.at(69, 0).fg, Color::Cyan);
  EXPECT_EQ(buf.at(0, 1).fg, Color::Green);
  EXPECT_EQ(buf.at(0, 1).modifiers, Modifier::BOLD);
  EXPECT_EQ(buf.at(column_of(buf, 1, "← press"), 1).modifiers, Modifier::NONE);
  EXPECT_EQ(buf.at(6, 2).fg, Color::Green);  // raw text in the side's colour
  EXPECT_EQ(buf.at(6, 5).fg, Color::Cyan);

  v.diff_scroll = 7;
  buf = conflict_rows(v, rebase, 70, 16);
  EXPECT_EQ(trimmed_row(buf, 0).substr(0, 16), "conflict 1 of 2:");
  EXPECT_EQ(trimmed_row(buf, 1), "");  // the row at the scroll position comes first: the blank one
  EXPECT_EQ(trimmed_row(buf, 2), "─── rebasing onto (main) ← press 1 to take these changes");
  v.diff_scroll = 8;
  buf = conflict_rows(v, {"ours", "theirs", repo::ConflictKind::None}, 70, 16);
  EXPECT_EQ(trimmed_row(buf, 0).substr(0, 16), "conflict 2 of 2:");
  EXPECT_EQ(trimmed_row(buf, 1), "─── ours (ours) ← press 1 to take these changes");
  EXPECT_EQ(trimmed_row(buf, 3), "─── theirs (theirs) ← press 2 to take these changes");
  buf = conflict_rows(v, {"main", "abc1234", repo::ConflictKind::Merge}, 70, 16);
  EXPECT_EQ(trimmed_row(buf, 1), "─── merging into (main) ← press 1 to take these changes");
  EXPECT_EQ(trimmed_row(buf, 3), "─── merging (abc1234) ← press 2 to take these changes");
  // Past the last row only the hint line is left.
  v.diff_scroll = 50;
  buf = conflict_rows(v, rebase, 70, 16);
  EXPECT_EQ(trimmed_row(buf, 0).substr(0, 16), "conflict 2 of 2:");
  EXPECT_EQ(trimmed_row(buf, 1), "");

  // A number of five digits is written whole.
  f.conflict_sections = {section(10000, 0), section(1, 1)};
  v = view_with(f);
  v.diff_scroll = 10003;
  buf = conflict_rows(v, rebase, 70, 6);
  EXPECT_EQ(trimmed_row(buf, 2), "+10001 o0");
}

// A repository with no state files, for the frame's conflict context.
struct FrameFixture {
  testing_support::TempDir dir;
  repo::Repo repo;
  state::State state;
  FrameFixture() {
    repo.path = dir.path();
    repo.workdir = dir.path();
  }
  tui::Buffer draw(std::uint16_t width, std::uint16_t height,
                   state::Clock::time_point now = state::Clock::time_point{} + std::chrono::hours(1)) {
    tui::Buffer buf({0, 0, width, height});
    render::render_commit_view(buf, buf.area(), *state.commit_view, state, repo, now);
    return buf;
  }
};

TEST(StagingFrame, PanelsTitlesAndHints) {
  FrameFixture fx;
  state::CommitViewState v;
  repo::WorktreeFile m = worktree_file("mod.txt");
  m.additions = 3;
  m.deletions = 1;
  repo::WorktreeFile c = worktree_file("conf.txt", repo::ChangeKind::Conflicted);
  c.conflict_sections = {section(1, 1), section(1, 1)};
  v.unstaged = {c, m, worktree_file("new.txt", repo::ChangeKind::Untracked)};
  v.staged = {worktree_file("added.txt", repo::ChangeKind::Added), worktree_file("done.txt")};
  v.resolved_sections["done.txt"] = 1;
  v.selected_path = "mod.txt";
  v.unstaged_index = 1;
  fx.state.commit_view = v;
  tui::Buffer buf = fx.draw(100, 20);

  EXPECT_EQ(raw_cells(buf, 0, 0, 11), "┌ mod.txt ─");
  EXPECT_NE(buf.row_text(11).find("tab:back  o:open file  j/k:scroll  ^d/^u:½page"), std::string::npos);
  EXPECT_EQ(buf.at(0, 0).fg, Color::White);
  EXPECT_EQ(raw_cells(buf, 12, 0, 16), "┌ Unstaged (3) ─");
  EXPECT_EQ(raw_cells(buf, 12, 50, 64), "┌ Staged (2) ─");
  EXPECT_EQ(buf.at(0, 12).fg, Color::White);  // focused
  EXPECT_EQ(buf.at(50, 12).fg, Color::DarkGray);
  EXPECT_EQ(raw_cells(buf, 13, 1, 9), "conf.txt");
  EXPECT_EQ(buf.at(1, 13).fg, Color::Magenta);
  EXPECT_NE(buf.row_text(13).find("2 conflicts"), std::string::npos);
  EXPECT_EQ(buf.at(1, 14).fg, Color::Yellow);
  EXPECT_EQ(buf.at(1, 14).bg, Color::DarkGray);  // the selected path only, in the focused list
  EXPECT_EQ(buf.at(8, 14).bg, Color::Reset);
  EXPECT_NE(buf.row_text(14).find("+3 -1"), std::string::npos);
  EXPECT_NE(buf.row_text(15).find("+0 -0"), std::string::npos);
  EXPECT_EQ(buf.at(1, 15).fg, Color::White);
  EXPECT_EQ(buf.at(51, 13).bg, Color::Reset);  // unfocused: the selected row looks like any other
  EXPECT_EQ(buf.at(51, 13).fg, Color::Green);
  EXPECT_NE(buf.row_text(14).find("1 resolved"), std::string::npos);
  // The hint is cut at the panel's edge.
  EXPECT_EQ(raw_cells(buf, 18, 1, 50), "s:stage  S:all  d:discard  D:discard all  ^j/^k:│");
  EXPECT_NE(buf.row_text(18).find("u:unstage  U:all  c:commit"), std::string::npos);

  fx.state.commit_view->amending = true;
  buf = fx.draw(100, 20);
  EXPECT_EQ(raw_cells(buf, 12, 50, 71), "┌ Amending HEAD (2) ─");
  EXPECT_NE(buf.row_text(18).find("u:unstage  U:all  c:amend  esc:cancel"), std::string::npos);

  fx.state.rebase_in_progress = true;
  buf = fx.draw(100, 20);
  EXPECT_EQ(raw_cells(buf, 0, 0, 29), "┌ mod.txt (rebase conflict) ─");
  EXPECT_EQ(buf.at(0, 0).fg, Color::Yellow);
  EXPECT_NE(buf.row_text(11).find("esc:abort rebase"), std::string::npos);
  EXPECT_EQ(raw_cells(buf, 12, 0, 17), "┌ Conflicts (3) ─");
  EXPECT_EQ(raw_cells(buf, 12, 50, 66), "┌ Resolved (2) ─");
  EXPECT_NE(buf.row_text(18).find("o:edit  S:resolve  ^j/^k:file"), std::string::npos);
  EXPECT_EQ(buf.row_text(18).substr(buf.row_text(18).rfind("^j/^k:file")),
            "^j/^k:file" + std::string(38, ' ') + "│");
  fx.state.commit_view->unstaged.clear();
  buf = fx.draw(100, 20);
  EXPECT_NE(buf.row_text(18).find("^j/^k:file  c:continue rebase"), std::string::npos);
  EXPECT_NE(buf.row_text(13).find("No files"), std::string::npos);
}

TEST(StagingFrame, TheSelectedFileOrItsAbsence) {
  FrameFixture fx;
  state::CommitViewState v;
  v.unstaged = {worktree_file("a.txt")};
  repo::WorktreeFile staged = worktree_file("a.txt");
  staged.staged_hunks = three_hunks();
  v.staged = {staged};
  fx.state.commit_view = v;
  tui::Buffer buf = fx.draw(80, 20);
  EXPECT_EQ(raw_cells(buf, 0, 0, 20), "┌ No file selected ─");
  EXPECT_TRUE(trimmed_row(buf, 1).starts_with("│Select a file from the lists below to view its diff   "));

  fx.state.commit_view->selected_path = "gone.txt";
  buf = fx.draw(80, 20);
  EXPECT_EQ(raw_cells(buf, 0, 0, 12), "┌ gone.txt ─");
  EXPECT_TRUE(trimmed_row(buf, 1).starts_with("│Select a file from the lists below to view its diff   "));

  // In both lists with the staged list focused: its staged hunks.
  fx.state.commit_view->selected_path = "a.txt";
  fx.state.commit_view->staged_focus = true;
  buf = fx.draw(80, 20);
  EXPECT_EQ(raw_cells(buf, 1, 1, 7), " 1 +a1");
  fx.state.commit_view->staged_focus = false;
  buf = fx.draw(80, 20);
  EXPECT_EQ(raw_cells(buf, 1, 1, 20), "No unstaged changes");

  // A window top past the end of its list shows no rows.
  fx.state.commit_view->unstaged_list_scroll = 4;
  buf = fx.draw(80, 20);
  EXPECT_EQ(raw_cells(buf, 13, 1, 6), "     ");
}

TEST(StagingFrame, ToastAndDialog) {
  FrameFixture fx;
  state::CommitViewState v;
  v.unstaged = {worktree_file("a.txt")};
  v.selected_path = "a.txt";
  fx.state.commit_view = v;
  const state::Clock::time_point set{std::chrono::hours(1)};
  fx.state.set_status("0123456789", set);

  tui::Buffer buf = fx.draw(80, 24, set + std::chrono::milliseconds(2900));
  EXPECT_EQ(raw_cells(buf, 1, 65, 77), " 0123456789 ");
  for (int x = 65; x < 77; ++x) {
    EXPECT_EQ(buf.at(x, 1).fg, Color::Yellow) << x;
    EXPECT_EQ(buf.at(x, 1).bg, Color::DarkGray) << x;
  }
  EXPECT_EQ(buf.at(64, 1).bg, Color::Reset);
  EXPECT_EQ(buf.at(77, 1).bg, Color::Reset);
  buf = fx.draw(80, 24, set + std::chrono::seconds(3));
  EXPECT_EQ(raw_cells(buf, 1, 65, 77).find("0123456789"), std::string::npos);
  // Narrower than the toast: from column 0, cut at the edge.
  buf = fx.draw(10, 24, set);
  EXPECT_EQ(raw_cells(buf, 1, 0, 10), " 012345678");

  const struct {
    std::uint16_t width;
    int x, w;
  } sizes[] = {{30, 2, 26}, {100, 25, 50}};
  for (const auto& s : sizes) {
    SCOPED_TRACE(s.width);
    fx.state.pending_discard = std::make_pair(std::string("a.txt"), state::DiscardKind::Hunk);
    buf = fx.draw(s.width, 24, set);
    const int y = (24 - 5) / 2;
    EXPECT_EQ(buf.at(s.x, y).symbol, "┌");
    EXPECT_EQ(buf.at(s.x, y).fg, Color::Red);
    EXPECT_EQ(buf.at(s.x + s.w - 1, y + 4).symbol, "┘");
    EXPECT_EQ(raw_cells(buf, y, s.x + 1, s.x + 15), " Discard Hunk ");
    // On 30 columns the question is cut at the inside's edge.
    if (s.width == 30)
      EXPECT_EQ(raw_cells(buf, y + 1, s.x + 1, s.x + 25), "Discard this hunk from a");
    else
      EXPECT_EQ(column_of(buf, y + 1, "Discard this hunk from a.txt?"), 35);  // centred in 48
    EXPECT_NE(buf.row_text(y + 3).find("y yes   n no"), std::string::npos);
    EXPECT_EQ(buf.at(column_of(buf, y + 3, "y yes"), y + 3).fg, Color::Green);
  }
  fx.state.pending_discard = std::make_pair(std::string("a.txt"), state::DiscardKind::UntrackedFile);
  buf = fx.draw(100, 24, set);
  EXPECT_NE(buf.row_text(10).find("Delete untracked file a.txt?"), std::string::npos);
  fx.state.pending_discard = std::make_pair(std::string("a.txt"), state::DiscardKind::FileChanges);
  buf = fx.draw(100, 24, set);
  EXPECT_NE(buf.row_text(9).find(" Discard Changes "), std::string::npos);
  EXPECT_NE(buf.row_text(10).find("Discard all changes to a.txt?"), std::string::npos);
}

// Every cell of `text` from (x, y) holds its character in exactly the style.
void expect_drawn(const tui::Buffer& buf, int x, int y, const std::string& text, const tui::Style& style) {
  const int width = static_cast<int>(utils::count_chars(text));
  ASSERT_EQ(raw_cells(buf, y, x, x + width), text) << "at " << x << ", " << y;
  for (int i = 0; i < width; ++i) {
    const tui::Cell& cell = buf.at(x + i, y);
    SCOPED_TRACE(testing::Message() << "\"" << text << "\" column " << x + i << " row " << y);
    EXPECT_EQ(cell.fg, style.fg.value_or(Color::Reset));
    EXPECT_EQ(cell.bg, style.bg.value_or(Color::Reset));
    EXPECT_EQ(cell.underline_color, Color::Reset);
    EXPECT_EQ(cell.modifiers, style.add_modifier);
  }
}

TEST(StagingFrame, TitlesTakeNothingFromTheirBorders) {
  FrameFixture fx;
  state::CommitViewState v;
  v.unstaged = {worktree_file("mod.txt")};
  v.staged = {worktree_file("done.txt")};
  v.selected_path = "mod.txt";
  fx.state.commit_view = v;
  const tui::Style plain{}, hint{.fg = Color::DarkGray};
  const std::string keys = " tab:back  o:open file  j/k:scroll  ^d/^u:½page ";

  tui::Buffer buf = fx.draw(100, 20);
  EXPECT_EQ(buf.at(0, 0).fg, Color::White);
  expect_drawn(buf, 1, 0, " mod.txt ", plain);
  expect_drawn(buf, 1, 11, keys, hint);
  EXPECT_EQ(buf.at(0, 12).fg, Color::White);  // focused
  expect_drawn(buf, 1, 12, " Unstaged (1) ", plain);
  EXPECT_EQ(buf.at(50, 12).fg, Color::DarkGray);
  expect_drawn(buf, 51, 12, " Staged (1) ", plain);

  fx.state.rebase_in_progress = true;
  buf = fx.draw(100, 20);
  EXPECT_EQ(buf.at(0, 0).fg, Color::Yellow);
  expect_drawn(buf, 1, 0, " mod.txt (rebase conflict) ", plain);
  expect_drawn(buf, 1, 11, " esc:abort rebase  o:open file  j/k:scroll  ^d/^u:½page ", hint);
  expect_drawn(buf, 1, 12, " Conflicts (1) ", plain);
  expect_drawn(buf, 51, 12, " Resolved (1) ", plain);

  fx.state.rebase_in_progress = false;
  fx.state.commit_view->staged_focus = true;
  fx.state.pending_discard = std::make_pair(std::string("mod.txt"), state::DiscardKind::FileChanges);
  buf = fx.draw(100, 20);
  expect_drawn(buf, 1, 12, " Unstaged (1) ", plain);
  EXPECT_EQ(buf.at(25, 7).fg, Color::Red);
  expect_drawn(buf, 26, 7, " Discard Changes ", plain);
}

TEST(StagingFrame, ToastShowsNothingOfTheCellsBeneath) {
  FrameFixture fx;
  const state::Clock::time_point set{std::chrono::hours(1)};
  const tui::Style toast{.fg = Color::Yellow, .bg = Color::DarkGray};
  repo::WorktreeFile hunks = worktree_file("f.txt");
  hunks.unstaged_hunks = three_hunks();
  repo::WorktreeFile conflict = worktree_file("c.txt", repo::ChangeKind::Conflicted);
  conflict.conflict_sections = {section(1, 1)};
  const struct {
    const char* name;
    repo::WorktreeFile file;
    std::uint16_t width;
    std::string message;
  } cases[] = {
      // Over "(s)tage  (d)iscard", bold and underlined.
      {"hunk hint", hunks, 80, "nothing staged to commit"},
      // Over the whole conflict hint line, "conflict 1 of 1: " in bold.
      {"conflict hint", conflict, 40, "stage all changes before continuing"},
      // Wider than the screen: from column 0, cut at the right edge.
      {"cut", hunks, 20, "a message far wider than the screen"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fx.state.commit_view = view_with(c.file);
    fx.state.status_message.reset();
    const tui::Buffer beneath = fx.draw(c.width, 24, set);
    fx.state.set_status(c.message, set);
    const tui::Buffer buf = fx.draw(c.width, 24, set);
    const std::string text = " " + c.message + " ";
    const int width = static_cast<int>(text.size()) + 2;
    const int x = std::max(0, std::max(0, c.width - width) - 1);
    const int shown = std::min<int>(static_cast<int>(text.size()), c.width - x);
    bool bold_beneath = false;
    for (int i = x; i < x + shown; ++i) bold_beneath |= contains(beneath.at(i, 1).modifiers, Modifier::BOLD);
    EXPECT_TRUE(bold_beneath) << "the case must lay the toast over a key hint";
    expect_drawn(buf, x, 1, text.substr(0, static_cast<std::size_t>(shown)), toast);
    // Everything else, the rectangle's two columns past the text included, stays as it was.
    for (int i = 0; i < c.width; ++i) {
      if (i >= x && i < x + shown) continue;
      EXPECT_EQ(buf.at(i, 1), beneath.at(i, 1)) << i;
    }
  }
}

TEST(StagingFrame, TinyTerminalsDrawWithoutACrash) {
  FrameFixture fx;
  state::CommitViewState v;
  repo::WorktreeFile f = worktree_file("f.txt");
  f.unstaged_hunks = three_hunks();
  v.unstaged = {f, worktree_file("c.txt", repo::ChangeKind::Conflicted)};
  v.unstaged[1].conflict_sections = {section(2, 2)};
  v.selected_path = "f.txt";
  v.diff_scroll = 5;
  fx.state.commit_view = v;
  fx.state.set_status("a message", state::Clock::time_point{std::chrono::hours(1)});
  fx.state.pending_discard = std::make_pair(std::string("f.txt"), state::DiscardKind::Hunk);
  for (const auto& [w, h] : std::vector<std::pair<std::uint16_t, std::uint16_t>>{
           {1, 1}, {2, 2}, {80, 1}, {80, 7}, {80, 8}, {80, 9}, {80, 10}, {3, 40}, {12, 11}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    for (const char* path : {"f.txt", "c.txt"}) {
      fx.state.commit_view->selected_path = path;
      (void)fx.draw(w, h);
    }
  }
}

}  // namespace
