#include "render/hotkeys.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "log_fixture.hpp"
#include "support/repositories.hpp"
#include "support/screen.hpp"
#include "support/temp_repo.hpp"

namespace {

using log_fixture::chain;
using render::HotkeyEntry;
using state::State;
using testing_support::cells;
using testing_support::column_of;
using testing_support::row_of;
using tui::Color;

// Facts asked beforehand, so these screens need no repository on disk.
State panel_state(std::string host = "github") {
  State s;
  s.show_hotkeys = true;
  s.panel_facts = state::PanelFacts{true, true, std::move(host), {}};
  return s;
}

tui::Buffer draw_panel(const State& s, const repo::Repo& r, std::uint16_t width, std::uint16_t height = 5) {
  tui::Buffer buffer({0, 0, width, height});
  render::render_hotkeys(buffer, buffer.area(), s, r, r.commits.empty() ? repo::Oid{} : r.commits[0].id);
  return buffer;
}

TEST(HotkeyPanel, ColumnWidthsCountCharacters) {
  const repo::Repo r = chain(3);
  const auto columns =
      render::hotkey_columns(panel_state(), render::hotkey_facts(panel_state(), r, r.commits[0].id));
  const std::size_t want[] = {0, 11, 15, 16, 8, 14};
  for (std::size_t c = 1; c < columns.size(); ++c)
    EXPECT_EQ(render::hotkey_column_width(columns[c]), want[c]) << c;
  EXPECT_EQ(render::hotkey_column_width({}), 0u);
  EXPECT_EQ(render::hotkey_column_width({{"o", "open in bitbucket"}}), 19u);
}

TEST(HotkeyPanel, ColumnsStartWhereTheirNeighboursLeaveRoom) {
  const repo::Repo r = chain(3);
  struct Case {
    std::string host;
    std::uint16_t width;
    std::vector<std::pair<std::string, int>> starts;  // a column's first key on row 0 and where it starts
    std::vector<std::string> absent;
  };
  const Case cases[] = {
      {"github",
       80,
       {{"q quit", 1}, {"j/k ↑/↓", 18}, {"c checkout", 32}, {"y copy sha", 50}, {"/ search", 69}},
       {"tab stage view"}},
      // The longer host word widens column 4 and pushes column 5 right, where
      // it is cut at the inner edge.
      {"bitbucket", 80, {{"y copy sha", 50}, {"/ searc", 72}}, {"/ search", "tab"}},
      {"github", 120, {{"/ search", 69}, {"tab stage view", 80}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host + " at " + std::to_string(c.width));
    const tui::Buffer buf = draw_panel(panel_state(c.host), r, c.width);
    for (const auto& [text, x] : c.starts) EXPECT_EQ(column_of(buf, 0, text), x) << text;
    for (const std::string& text : c.absent) EXPECT_EQ(column_of(buf, 0, text), -1) << text;
  }
  const tui::Buffer bitbucket = draw_panel(panel_state("bitbucket"), r, 80);
  EXPECT_EQ(cells(bitbucket, 1, 50, 80), "o open in bitbucket   n next");
}

TEST(HotkeyPanel, NarrowTerminalsKeepOnlyWhatFits) {
  const repo::Repo r = chain(3);
  const tui::Buffer nineteen = draw_panel(panel_state(), r, 19);
  EXPECT_EQ(cells(nineteen, 0, 0, 19), " q quit");
  EXPECT_EQ(column_of(nineteen, 0, "j"), -1);

  const tui::Buffer twenty = draw_panel(panel_state(), r, 20);
  EXPECT_EQ(cells(twenty, 0, 0, 20), " q quit           j");
  EXPECT_EQ(cells(twenty, 1, 18, 20), "^");

  // One or two columns: the first column is cut to what is inside.
  EXPECT_EQ(cells(draw_panel(panel_state(), r, 3), 0, 0, 3), " q");
  const tui::Buffer one = draw_panel(panel_state(), r, 1, 1);
  EXPECT_EQ(cells(one, 0, 0, 1), "");
}

TEST(HotkeyPanel, ShortPanelsDrawAsManyEntriesAsRows) {
  const repo::Repo r = chain(3);
  for (std::uint16_t height : {1, 2, 4, 5}) {
    SCOPED_TRACE(height);
    const tui::Buffer buf = draw_panel(panel_state(), r, 90, height);
    EXPECT_EQ(column_of(buf, 0, "q quit"), 1);
    EXPECT_EQ(column_of(buf, 0, "j/k"), 18);
    if (height >= 4) {
      EXPECT_EQ(column_of(buf, 3, "G bottom"), 18);
    }
    if (height == 5) {
      EXPECT_EQ(column_of(buf, 4, "h goto head"), 18);
      EXPECT_EQ(cells(buf, 3, 0, 17), "");  // column 1 holds three entries
    }
  }
}

TEST(HotkeyPanel, KeysAreWhiteWhenTheyWouldActAndGreyOtherwise) {
  const repo::Repo r = chain(3);
  struct Case {
    std::string name;
    std::function<void(State&)> set;
    std::vector<std::pair<std::string, Color>> keys;  // the entry's text and its key's colour
  };
  const Case cases[] = {
      {"log",
       [](State&) {},
       {{"q quit", Color::White},
        {"^c quit", Color::White},
        {"j/k", Color::White},
        {"n next", Color::DarkGray},
        {"h goto head", Color::DarkGray}}},
      // A prompt greys every key but the way out.
      {"search prompt",
       [](State& s) { s.searching = true; },
       {{"q quit", Color::DarkGray},
        {"^c cancel", Color::White},
        {"esc cancel", Color::White},
        {"j/k", Color::DarkGray},
        {"c checkout", Color::DarkGray},
        {"/ search", Color::DarkGray}}},
      // The rebase target is not one of the panel's prompts.
      {"rebase target",
       [](State& s) { s.entering_rebase_target = true; },
       {{"q quit", Color::White},
        {"esc quit", Color::White},
        {"j/k", Color::White},
        {"c checkout", Color::White}}},
      {"log query",
       [](State& s) { s.search_query = "x"; },
       {{"q clear search", Color::White},
        {"^c clear searc", Color::White},
        {"esc clear sear", Color::White},
        {"n next", Color::White},
        {"N prev", Color::White}}},
      {"details",
       [&](State& s) { s.commit_details = log_fixture::details(r.commits[0].id, "m"); },
       {{"q back", Color::White},
        {"^c back", Color::White},
        {"esc back", Color::White},
        {"h back", Color::White},
        {"n next", Color::DarkGray}}},
      {"details query",
       [&](State& s) {
         s.commit_details = log_fixture::details(r.commits[0].id, "m");
         s.details_query = "m";
         s.search_query = "";
       },
       {{"q back", Color::White},
        {"^c back", Color::White},
        {"esc clear sear", Color::White},
        {"n next", Color::White}}},
      {"below HEAD", [](State& s) { s.selected = 1; }, {{"h goto head", Color::White}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    State s = panel_state();
    c.set(s);
    const tui::Buffer buf = draw_panel(s, r, 90);
    for (const auto& [text, colour] : c.keys) {
      int row = -1, x = -1;
      for (int y = 0; y < 5 && x < 0; ++y)
        if ((x = column_of(buf, y, text)) >= 0) row = y;
      ASSERT_GE(x, 0) << text;
      EXPECT_EQ(buf.at(x, row).fg, colour) << text;
      // The blank and the label are always grey.
      if (const auto blank = text.find(' '); blank != std::string::npos) {
        EXPECT_EQ(buf.at(x + static_cast<int>(blank), row).fg, Color::DarkGray) << text;
        EXPECT_EQ(buf.at(x + static_cast<int>(blank) + 1, row).fg, Color::DarkGray) << text;
      }
    }
  }
}

TEST(HotkeyPanel, WithoutASelectedCommitItsEntriesAreOff) {
  // An empty log, and a selection left past the end of a shortened one.
  repo::Repo empty;
  repo::Repo shortened = chain(2);
  for (const auto& [r, selected] : {std::pair<const repo::Repo*, std::size_t>{&empty, 0}, {&shortened, 5}}) {
    State s = panel_state();
    s.selected = selected;
    const render::HotkeyFacts facts = render::hotkey_facts(s, *r, repo::Oid{});
    EXPECT_FALSE(facts.has_commit);
    const auto columns = render::hotkey_columns(s, facts);
    auto enabled = [&](const std::string& key) {
      for (const auto& column : columns)
        for (const HotkeyEntry& e : column)
          if (e.key == key) return e.enabled;
      ADD_FAILURE() << key;
      return false;
    };
    for (const char* key : {"h", "d", "r", "m", "o", "R", "p", "a"}) EXPECT_FALSE(enabled(key)) << key;
    for (const char* key : {"j/k", "c", "b", "y", "f", "/", "tab"}) EXPECT_TRUE(enabled(key)) << key;
    const tui::Buffer buf = draw_panel(s, *r, 90);
    EXPECT_EQ(column_of(buf, 0, "q quit"), 1);
  }
}

}  // namespace

namespace {

using testing_support::TempRepo;

// R (root) - A - M (merging S) - T on main, HEAD on T; side at S (merged);
// other at O, off A and never merged.
struct Fixture {
  TempRepo t;
  Fixture() {
    t.write("f", "root\n").commit("R");
    t.write("f", "a\n").commit("A");
    t.git({"checkout", "-q", "-b", "other"});
    t.write("o", "o\n").commit("O");
    t.git({"checkout", "-q", "main"});
    t.git({"checkout", "-q", "-b", "side", "HEAD~1"});
    t.write("s", "s\n").commit("S");
    t.git({"checkout", "-q", "main"});
    t.set_next_time(t.next_time() + 100);
    t.git({"merge", "-q", "--no-ff", "-m", "M", "side"});
    t.write("f", "t\n").commit("T");
  }
};

bool enabled(const std::vector<std::vector<HotkeyEntry>>& columns, const std::string& key) {
  for (const auto& column : columns)
    for (const HotkeyEntry& e : column)
      if (e.key == key) return e.enabled;
  ADD_FAILURE() << "no entry " << key;
  return false;
}

TEST(HotkeyPanel, EntriesFollowTheRepository) {
  struct Case {
    std::string name;
    std::function<void(TempRepo&)> setup;
    std::string commit;   // revision selected
    std::string on, off;  // keys enabled and disabled, separated by spaces
  };
  const Case cases[] = {
      {"HEAD's commit, one parent, no remote, clean", [](TempRepo&) {}, "main", "a d r m R", "h p f o tab"},
      {"a merge", [](TempRepo&) {}, "main~1", "h R", "a d r m"},
      {"the root", [](TempRepo&) {}, "main~3", "R", "a d"},
      {"a merged branch's tip", [](TempRepo&) {}, "side", "d r m R", "a"},
      {"outside HEAD's history", [](TempRepo&) {}, "other", "d h", "R a"},
      {"with a remote, not on it",
       [](TempRepo& t) {
         t.git({"remote", "add", "origin", "git@gitlab.com:u/p.git"});
       },
       "main", "p f", "o"},
      {"on the remote",
       [](TempRepo& t) {
         t.git({"remote", "add", "origin", "https://github.com/u/p.git"});
         t.git({"update-ref", "refs/remotes/origin/main", "main"});
       },
       "main~1", "f o", "p"},
      {"work-tree changes", [](TempRepo& t) { t.write("new", "x\n"); }, "main", "tab", ""},
      {"staged changes",
       [](TempRepo& t) {
         t.write("f", "changed\n").git({"add", "f"});
       },
       "main", "tab", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    c.setup(f.t);
    auto opened = repo::Repo::open(f.t.path(), 2000);
    ASSERT_TRUE(opened);
    const repo::Repo& r = *opened;
    State s;
    s.show_hotkeys = true;
    s.selected = row_of(r, f.t.rev_parse(c.commit));
    const auto columns = render::hotkey_columns(s, render::hotkey_facts(s, r, r.head_sha()));
    std::istringstream on(c.on), off(c.off);
    for (std::string key; on >> key;) EXPECT_TRUE(enabled(columns, key)) << key;
    for (std::string key; off >> key;) EXPECT_FALSE(enabled(columns, key)) << key;
  }
}

TEST(HotkeyPanel, HostWordNamesTheService) {
  for (const auto& [url, word] : {std::pair<std::string, std::string>{"git@gitlab.com:u/p.git", "gitlab"},
                                  {"https://bitbucket.org/u/p.git", "bitbucket"},
                                  {"https://example.com/u/p.git", "github"},
                                  {"", "github"}}) {
    SCOPED_TRACE(url);
    TempRepo t;
    t.write("f", "x\n").commit("one");
    if (!url.empty()) t.git({"remote", "add", "origin", url});
    auto r = repo::Repo::open(t.path(), 2000);
    ASSERT_TRUE(r);
    State s;
    const auto columns = render::hotkey_columns(s, render::hotkey_facts(s, *r, r->head_sha()));
    EXPECT_EQ(columns[3][1].label, "open in " + word);
  }
}

TEST(HotkeyPanel, AncestryFromTheLoadAgreesWithTheRepository) {
  Fixture f;
  auto r = repo::Repo::open(f.t.path(), 2000);
  ASSERT_TRUE(r);
  ASSERT_EQ(r->head_history.size(), r->commits.size());
  for (std::size_t i = 0; i < r->commits.size(); ++i) {
    const std::string id = r->commits[i].id.hex();
    const bool git_says = f.t.git_result({"merge-base", "--is-ancestor", id, "HEAD"}).exit_code == 0;
    EXPECT_EQ(r->is_ancestor_of_head_at(i), git_says) << r->commits[i].summary;
    EXPECT_EQ(r->is_ancestor_of_head(r->commits[i].id), git_says) << r->commits[i].summary;
  }
  // HEAD detached on a commit no branch holds: the log lists it, and marks
  // its history.
  f.t.git({"checkout", "-q", "--detach", "main"});
  const std::string d = f.t.write("f", "detached\n").commit("D");
  auto detached = repo::Repo::open(f.t.path(), 2000);
  ASSERT_TRUE(detached);
  EXPECT_FALSE(detached->head_history.empty());
  EXPECT_TRUE(detached->is_ancestor_of_head_at(row_of(*detached, d)));
  EXPECT_TRUE(detached->is_ancestor_of_head_at(row_of(*detached, f.t.rev_parse("main"))));
  EXPECT_FALSE(detached->is_ancestor_of_head_at(row_of(*detached, f.t.rev_parse("other"))));
  // HEAD's commit beyond the limit: the marks cannot serve, the repository
  // is asked.
  f.t.git({"checkout", "-q", "--detach", "other~2"});
  auto cut = repo::Repo::open(f.t.path(), 2);
  ASSERT_TRUE(cut);
  EXPECT_TRUE(cut->head_history.empty());
  for (std::size_t i = 0; i < cut->commits.size(); ++i) {
    const std::string id = cut->commits[i].id.hex();
    const bool git_says = f.t.git_result({"merge-base", "--is-ancestor", id, "HEAD"}).exit_code == 0;
    EXPECT_EQ(cut->is_ancestor_of_head_at(i), git_says) << cut->commits[i].summary;
  }
}

}  // namespace
