#include "render/log_table.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log_fixture.hpp"
#include "support/frames.hpp"
#include "support/repositories.hpp"
#include "support/screen.hpp"
#include "support/temp_repo.hpp"

namespace {

using log_fixture::chain;
using log_fixture::marked;
using log_fixture::oid;
using testing_support::blank;
using testing_support::cells;
using testing_support::draw;
using testing_support::open_repo;
using tui::Color;
using tui::Modifier;

commit_graph::GraphCell cell(char32_t glyph, std::optional<std::uint32_t> lane) { return {glyph, lane}; }

using Cells = std::vector<commit_graph::GraphCell>;

// The graph with one row replaced.
commit_graph::Graph with_row(const commit_graph::Graph& graph, std::size_t index, const Cells& replacement) {
  std::vector<Cells> rows;
  for (const commit_graph::GraphRow row : graph) rows.emplace_back(row.begin(), row.end());
  rows.at(index) = replacement;
  return commit_graph::Graph(rows);
}

TEST(LogTable, ColumnsSitWhereTheirWidthsPutThem) {
  struct Case {
    const char* name;
    std::size_t commits;
    std::size_t graph_cells;
    std::string author;
    std::uint16_t width;
    // Expected left edges; the id always ends two columns before the edge.
    int index, graph, subject, date, time, author_x, id;
    std::string author_shown;
  };
  const Case cases[] = {
      {"12 commits, 3 lanes", 12, 3, "Ada Lovelace", 80, 1, 4, 8, 37, 50, 59, 72, "Ada Lovelace"},
      {"wide graph and long author are capped", 5, 20, "Bartholomew Featherstonex", 100, 1, 3, 20, 49, 62, 71,
       92, "Bartholomew Feathers"},
      {"1000 commits", 1000, 1, "Ada", 60, 1, 6, 8, 26, 39, 48, 52, "Ada"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    repo::Repo r = chain(c.commits, c.author);
    Cells row(c.graph_cells, cell(U'│', 1));
    row[0] = cell(U'●', 0);
    r.graph = commit_graph::Graph(std::vector<Cells>(r.commits.size(), row));
    state::State s;
    const tui::Buffer buf = draw(s, r, c.width, 10);
    EXPECT_EQ(buf.at(c.index, 0).symbol, "▶");
    EXPECT_EQ(buf.at(c.graph, 0).symbol, "●");
    EXPECT_EQ(buf.at(c.graph - 1, 0).symbol, " ");
    EXPECT_EQ(cells(buf, 0, c.subject, c.subject + 8), "commit 0");
    EXPECT_EQ(cells(buf, 0, c.date, c.date + 12), "Nov 14, 2023");
    EXPECT_EQ(cells(buf, 0, c.time, c.time + 8), "10:13 PM");
    EXPECT_EQ(cells(buf, 0, c.author_x, c.id), c.author_shown);
    EXPECT_EQ(buf.at(c.author_x - 1, 0).symbol, " ");
    EXPECT_EQ(cells(buf, 0, c.id, c.width), "0001abc");
    EXPECT_EQ(c.id + 7, c.width - 1);
  }
}

TEST(LogTable, WidthsComeFromTheWholeLogNotTheVisibleRows) {
  repo::Repo r = chain(12);
  r.commits[0].author = "abcdefghijklmnopqrstuvwxy";
  Cells wide(5, cell(U'│', 0));
  wide[4] = cell(U'●', 4);
  r.graph = with_row(r.graph, 0, wide);
  state::State s;
  s.scroll = 8;
  s.selected = 8;
  const tui::Buffer buf = draw(s, r, 80, 6);
  // Index 2 wide, graph 5, author 20: subject from 10, author from 51.
  EXPECT_EQ(cells(buf, 0, 4, 10), "●");
  EXPECT_EQ(cells(buf, 0, 10, 18), "commit 8");
  EXPECT_EQ(cells(buf, 0, 51, 72), "Ada");
  EXPECT_EQ(cells(buf, 0, 72, 80), "0009abc");
}

TEST(LogTable, IndexColumnGrowsWithTheLoadedCount) {
  const std::pair<std::size_t, int> cases[] = {{9, 1},   {10, 2},   {99, 2},  {100, 3},
                                               {999, 3}, {1000, 4}, {5000, 4}};
  for (const auto& [count, width] : cases) {
    SCOPED_TRACE(count);
    state::State s;
    const tui::Buffer buf = draw(s, chain(count), 80, 6);
    EXPECT_EQ(cells(buf, 0, 0, width + 1), " ▶");
    EXPECT_EQ(buf.at(width + 2, 0).symbol, "●");
    EXPECT_EQ(cells(buf, 1, 0, width + 1), std::string(width, ' ') + "1");  // right-aligned
    EXPECT_EQ(buf.at(width + 2, 1).symbol, "●");
  }
}

TEST(LogTable, SelectedRowIsMarkedAcrossTheWholeWidth) {
  state::State s;
  s.selected = 5;
  const tui::Buffer buf = draw(s, chain(12), 80, 15);
  // Index column 2 wide: the marker padded, the distances right-aligned.
  EXPECT_EQ(cells(buf, 5, 1, 3), "▶");
  EXPECT_EQ(buf.at(2, 5).symbol, " ");
  EXPECT_EQ(buf.at(1, 5).fg, Color::Gray);
  EXPECT_EQ(buf.at(2, 5).fg, Color::Gray);  // the padding belongs to the marker
  for (int y : {2, 8}) {
    EXPECT_EQ(buf.at(1, y).symbol, " ") << y;
    EXPECT_EQ(buf.at(2, y).symbol, "3") << y;
    EXPECT_EQ(buf.at(2, y).fg, Color::DarkGray) << y;
  }
  EXPECT_EQ(cells(buf, 0, 1, 3), " 5");
  EXPECT_EQ(cells(buf, 11, 1, 3), " 6");
  for (int x = 0; x < 80; ++x) {
    EXPECT_EQ(buf.at(x, 5).bg, Color::DarkGray) << x;
    EXPECT_EQ(buf.at(x, 4).bg, Color::Reset) << x;
    EXPECT_EQ(buf.at(x, 6).bg, Color::Reset) << x;
  }
  // Date, time, author and id are brighter on the selected row.
  struct Want {
    int x;
    Color selected_fg, other_fg;
    bool selected_bold;
  };
  const Want wants[] = {{46, Color::Reset, Color::Gray, true},       // date
                        {59, Color::Gray, Color::DarkGray, false},   // time
                        {68, Color::Reset, Color::Gray, true},       // author
                        {72, Color::Gray, Color::DarkGray, false}};  // id
  for (const Want& w : wants) {
    SCOPED_TRACE(w.x);
    EXPECT_EQ(buf.at(w.x, 5).fg, w.selected_fg);
    EXPECT_EQ(contains(buf.at(w.x, 5).modifiers, Modifier::BOLD), w.selected_bold);
    EXPECT_EQ(buf.at(w.x, 4).fg, w.other_fg);
    EXPECT_EQ(buf.at(w.x, 4).modifiers, Modifier::NONE);
  }
}

// Four commits one, two, three, four on main; two holds origin/a and
// upstream/b, three holds topic, four holds main and origin/main.
class LogLabels : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* m : {"one", "two", "three", "four"}) ids.push_back(git.write("f", m).commit(m));
    git.git({"update-ref", "refs/remotes/origin/a", ids[1]});
    git.git({"update-ref", "refs/remotes/upstream/b", ids[1]});
    git.git({"branch", "topic", ids[2]});
    git.git({"update-ref", "refs/remotes/origin/main", ids[3]});
  }
  // One commit per row, newest first; the subject column of a 100-column
  // screen runs from 5 to 57 with one-wide index and graph columns and an
  // author of 11 bytes.
  static std::string subject(const tui::Buffer& buf, int y) { return marked(buf, y, 5, 57); }

  testing_support::TempRepo git;
  std::vector<std::string> ids;
};

TEST_F(LogLabels, NameHeadAndBranchesOncePerCommit) {
  struct Case {
    const char* name;
    std::vector<std::string> checkout;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {"HEAD on main",
       {"checkout", "-q", "main"},
       {"(HEAD → main, origin/main) four", "(topic) three", "(origin/a, upstream/b) two", "one"}},
      {"detached at a branch",
       {"checkout", "-q", "--detach", "topic"},
       {"(main, origin/main) four", "(HEAD, topic) three", "(origin/a, upstream/b) two", "one"}},
      {"detached alone",
       {"checkout", "-q", "--detach", "main~3"},
       {"(main, origin/main) four", "(topic) three", "(origin/a, upstream/b) two", "(HEAD) one"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    git.git(c.checkout);
    const repo::Repo r = open_repo(git);
    state::State s;
    s.selected = 9;  // no row selected: the labels alone
    const tui::Buffer buf = draw(s, r, 100, 8);
    for (int y = 0; y < 4; ++y) EXPECT_EQ(subject(buf, y), c.rows[y]) << y;
  }
}

TEST_F(LogLabels, LabelsAreStyledByPart) {
  const repo::Repo r = open_repo(git);
  state::State s;
  s.selected = 9;
  const tui::Buffer buf = draw(s, r, 100, 8);
  ASSERT_EQ(cells(buf, 0, 5, 57), "(HEAD → main, origin/main) four");
  using Look = std::pair<Color, Modifier>;
  const Look punct{Color::Yellow, Modifier::BOLD};
  const Look head{Color::Cyan, Modifier::BOLD};
  const Look branch{Color::Red, Modifier::BOLD};  // lane 0
  const Look summary{Color::Reset, Modifier::NONE};
  // One look per character of the subject.
  std::vector<Look> want;
  auto run = [&](int n, Look look) { want.insert(want.end(), n, look); };
  run(1, punct), run(4, head), run(3, punct), run(4, branch), run(2, punct), run(11, branch), run(2, punct),
      run(4, summary);
  for (std::size_t i = 0; i < want.size(); ++i) {
    const tui::Cell& got = buf.at(5 + static_cast<int>(i), 0);
    EXPECT_EQ(Look(got.fg, got.modifiers), want[i]) << i;
    EXPECT_EQ(got.bg, Color::Reset) << i;
  }
}

TEST_F(LogLabels, SearchMarksEachLabelOnItsOwn) {
  struct Case {
    std::string query, row0, row2;
  };
  const Case cases[] = {
      {"main", "(HEAD → [main], origin/[main]) four", "(origin/a, upstream/b) two"},
      {"head", "([HEAD] → main, origin/main) four", "(origin/a, upstream/b) two"},
      {"HEAD", "([HEAD] → main, origin/main) four", "(origin/a, upstream/b) two"},
      {"Head", "(HEAD → main, origin/main) four", "(origin/a, upstream/b) two"},  // mixed case: exact
      {"in/ma", "(HEAD → main, orig[in/ma]in) four", "(origin/a, upstream/b) two"},
      {"/", "(HEAD → main, origin[/]main) four", "(origin[/]a, upstream[/]b) two"},
      {", ", "(HEAD → main, origin/main) four", "(origin/a, upstream/b) two"},
      {"(", "(HEAD → main, origin/main) four", "(origin/a, upstream/b) two"},
      {"→", "(HEAD → main, origin/main) four", "(origin/a, upstream/b) two"},
      {"main, origin", "(HEAD → main, origin/main) four", "(origin/a, upstream/b) two"},
      {") f", "(HEAD → main, origin/main) four", "(origin/a, upstream/b) two"},
      {"o", "(HEAD → main, [o]rigin/main) f[o]ur", "([o]rigin/a, upstream/b) tw[o]"},
  };
  const repo::Repo r = open_repo(git);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    state::State s;
    s.selected = 9;
    s.search_query = c.query;
    const tui::Buffer buf = draw(s, r, 100, 8);
    EXPECT_EQ(subject(buf, 0), c.row0);
    EXPECT_EQ(subject(buf, 2), c.row2);
  }
}

TEST(LogTable, SearchMarksEveryCommitTextButNotTheIndex) {
  state::State s;
  s.search_query = "1";
  const tui::Buffer buf = draw(s, chain(12), 80, 15);
  // Row 1: index 1-2, graph 4, subject 6-44, date 46, time 59, author 68, id 72.
  EXPECT_EQ(marked(buf, 1, 0, 6), "  1 ●");
  EXPECT_EQ(marked(buf, 1, 6, 45), "commit [1]");
  EXPECT_EQ(marked(buf, 1, 46, 58), "Nov [1]4, 2023");
  EXPECT_EQ(marked(buf, 1, 59, 67), "[1]0:[1]3 PM");
  EXPECT_EQ(marked(buf, 0, 72, 80), "000[1]abc");
  EXPECT_EQ(marked(buf, 10, 6, 45), "commit [1]0");
}

TEST(LogTable, GraphCellsAndLabelsTakeTheirLaneColours) {
  repo::Repo r;
  for (std::size_t i = 0; i < 4; ++i) {
    r.commits.push_back(log_fixture::commit(i, "s", "A"));
    r.branches[repo::BranchName{"b" + std::to_string(i)}] = oid(i);
  }
  // The second row is 18 cells wide with its node in the 18th.
  // A cell's lane is its column.
  Cells wide{cell(U'─', std::nullopt)};
  for (std::uint32_t lane = 1; lane <= 16; ++lane) wide.push_back(cell(U'│', lane));
  wide.push_back(cell(U'●', 17));
  r.graph = commit_graph::Graph(
      std::vector<Cells>{{cell(U' ', std::nullopt), cell(U' ', std::nullopt), cell(U'●', 2)},
                         wide,
                         {cell(U'●', 0)},
                         {cell(U'│', 0)}});

  state::State s;
  s.selected = 9;
  const tui::Buffer buf = draw(s, r, 80, 8);
  // Graph column 16 wide from x 3; subject from 20, its first name at 21.
  EXPECT_EQ(cells(buf, 1, 3, 20), "─│││││││││││││││");
  EXPECT_EQ(buf.at(3, 1).fg, Color::Gray);
  for (int i = 1; i < 16; ++i) EXPECT_EQ(buf.at(3 + i, 1).fg, render::LANE_COLORS[i % 4]) << i;
  EXPECT_EQ(buf.at(19, 1).symbol, " ");
  EXPECT_EQ(buf.at(5, 0).fg, Color::Magenta);

  const Color label[] = {Color::Magenta, Color::Blue, Color::Red, Color::Red};
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(cells(buf, y, 20, 26), "(b" + std::to_string(y) + ") s") << y;
    EXPECT_EQ(buf.at(21, y).fg, label[y]) << y;
    EXPECT_EQ(buf.at(21, y).modifiers, Modifier::BOLD) << y;
  }
}

TEST(LogTable, AuthorColumnCountsBytes) {
  struct Case {
    std::string author;
    int width;
  };
  const Case cases[] = {
      {"abcdefghijklmnopqrstuvwxy", 20},  // 25 bytes: cut at 20
      {"J\u00fcrgen \u00d6\u00df", 12},   // 9 characters, 12 bytes
      {"\u6f22\u5b57", 6},                // 2 characters, 4 cells, 6 bytes
      {"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.author);
    repo::Repo r = chain(3, c.author);
    EXPECT_EQ(render::log_column_widths(r).author, c.width);
    const tui::Buffer buf = draw(state::State{}, r, 80, 6);
    // The id is fixed at 72; the author column ends one gap before it.
    const int author_x = 71 - c.width;
    EXPECT_EQ(buf.at(author_x - 1, 0).symbol, " ");
    EXPECT_EQ(cells(buf, 0, author_x, 71), c.author.substr(0, 20));
    EXPECT_EQ(cells(buf, 0, author_x - 9, author_x - 1), "10:13 PM");
  }
}

TEST(LogTable, BranchListsPutLocalNamesFirst) {
  repo::BranchMap map;
  for (const char* name : {"origin/main", "zz", "main", "a/b", "z", "origin/ma", "upstream/main"})
    map[repo::BranchName{name}] = oid(0);
  map[repo::BranchName{"other"}] = oid(1);
  const render::BranchLabels labels = render::branches_at_commit(map);
  ASSERT_EQ(labels.size(), 2u);
  EXPECT_EQ(labels.at(oid(0)), (std::vector<std::string_view>{"main", "z", "zz", "a/b", "origin/ma",
                                                              "origin/main", "upstream/main"}));
  EXPECT_EQ(labels.at(oid(1)), (std::vector<std::string_view>{"other"}));
  EXPECT_TRUE(render::branches_at_commit({}).empty());
}

TEST(LogTable, EmptyLogDrawsNothing) {
  testing_support::TempRepo git;
  auto opened = repo::Repo::open(git.path(), 2000);
  ASSERT_TRUE(opened.has_value());
  for (const repo::Repo& r : {*opened, repo::Repo{}}) {
    const render::LogColumnWidths w = render::log_column_widths(r);
    EXPECT_EQ(w.index, 1);
    EXPECT_EQ(w.graph, 1);
    EXPECT_EQ(w.author, 0);
    const tui::Buffer buf = draw(state::State::create(r), r, 80, 10);
    for (int y = 0; y < 7; ++y) EXPECT_TRUE(blank(buf, y, 0, 80)) << y;
  }
}

TEST(LogTable, RowsOnlyWhereBothListsHaveThem) {
  struct Case {
    const char* name;
    std::size_t commits, graph_rows, scroll, selected;
    std::vector<std::string> index;  // index column of every drawn row
  };
  const Case cases[] = {
      {"all", 5, 5, 0, 0, {"▶", "1", "2", "3", "4"}},
      {"scrolled", 5, 5, 3, 0, {"3", "4"}},
      {"scrolled to the end", 5, 5, 5, 0, {}},
      {"scrolled far past the end", 5, 5, 1000, 0, {}},
      {"fewer graph rows", 5, 3, 0, 0, {"▶", "1", "2"}},
      {"fewer commits", 3, 5, 0, 0, {"▶", "1", "2"}},
      {"selection past the end", 5, 5, 0, 7, {"7", "6", "5", "4", "3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    repo::Repo r = chain(c.commits);
    r.graph = commit_graph::Graph(std::vector<Cells>(c.graph_rows, {cell(U'●', 0)}));
    state::State s;
    s.scroll = c.scroll;
    s.selected = c.selected;
    const tui::Buffer buf = draw(s, r, 60, 10);
    for (int y = 0; y < 7; ++y) {
      if (y < static_cast<int>(c.index.size())) {
        EXPECT_EQ(cells(buf, y, 1, 2), c.index[y]) << y;
      } else {
        EXPECT_TRUE(blank(buf, y, 0, 60)) << y;
      }
      EXPECT_EQ(buf.at(30, y).bg, c.index.size() > static_cast<std::size_t>(y) && c.index[y] == "▶"
                                      ? Color::DarkGray
                                      : Color::Reset)
          << y;
    }
  }
}

}  // namespace
