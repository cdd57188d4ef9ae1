#include "action/details_panel.hpp"

#include <gtest/gtest.h>

#include <functional>

#include "action/log_view.hpp"
#include "highlight/highlight.hpp"
#include "log_fixture.hpp"
#include "render/details_text.hpp"

namespace {

using app_testing::memory_log;
using testing_support::open_repo;
using testing_support::Session;
using testing_support::TempRepo;

// Two commits: the first adds a file with a few lines, the second edits it.
struct DetailsRepo {
  DetailsRepo() {
    temp.write("notes.txt", "alpha\nneedle one\nbeta\n").commit("add notes");
    temp.write("notes.txt", "alpha\nneedle one\nbeta\nneedle two\ngamma\nneedle three\n")
        .commit("more needles\n\nThe needle again in the message.");
  }
  TempRepo temp;
};

TEST(LogDetails, OpenReloadAndClose) {
  DetailsRepo fixture;
  Session s(open_repo(fixture.temp));
  ASSERT_EQ(s.repo.commits.size(), 2u);

  for (const std::string key : {"<enter>", " ", "l"}) {
    SCOPED_TRACE(key);
    s.state.commit_details.reset();
    s.state.highlight_cache.reset();
    s.state.count_prefix = "2";
    s.press(key);
    ASSERT_TRUE(s.state.commit_details);
    EXPECT_EQ(s.state.commit_details->id, s.repo.commits[0].id);
    EXPECT_EQ(s.state.count_prefix, "");
    ASSERT_TRUE(s.state.highlight_cache);
    EXPECT_EQ(*s.state.highlight_cache, highlight::Highlighter().highlight_commit(*s.state.commit_details));
  }

  // With the panel open the same commit reloads and the panel returns to
  // its top; the details search stays.
  s.state.details_scroll = 5;
  s.state.details_query = "needle";
  s.state.selected = 1;  // cannot happen while open, but proves the reload reads the selection
  s.press("<enter>");
  EXPECT_EQ(s.state.commit_details->id, s.repo.commits[1].id);
  EXPECT_EQ(s.state.details_scroll, 0u);
  EXPECT_EQ(s.state.details_query, "needle");

  // While open, j/k/g/G scroll the details and leave the selection alone.
  const std::size_t height = action::compute_details_content_height(s.state, tui::Size{80, 24});
  s.press("jjkgG");
  EXPECT_EQ(s.state.selected, 1u);
  EXPECT_EQ(s.state.details_scroll, height > 21 ? height - 21 : 0);

  // h closes the panel whatever the query holds; the colouring stays.
  s.state.details_scroll = 3;
  s.press("h");
  EXPECT_FALSE(s.state.commit_details);
  EXPECT_EQ(s.state.details_scroll, 0u);
  EXPECT_EQ(s.state.details_query, "");
  EXPECT_TRUE(s.state.highlight_cache);
  EXPECT_EQ(s.state.selected, 1u);
}

TEST(LogDetails, NothingOpensWithoutASelectedCommit) {
  DetailsRepo fixture;
  Session s(open_repo(fixture.temp));
  s.state.selected = 7;
  s.state.count_prefix = "4";
  s.press("l");
  EXPECT_FALSE(s.state.commit_details);
  EXPECT_FALSE(s.state.highlight_cache);
  EXPECT_EQ(s.state.count_prefix, "");
}

TEST(LogDetails, DetailsThatCannotBeLoadedCloseThePanel) {
  Session s(memory_log(3));  // no repository behind these ids
  s.repo.path = "/nonexistent";
  s.state.commit_details = repo::CommitDetails{};
  s.state.highlight_cache = highlight::HighlightCache{};
  s.press("<enter>");
  EXPECT_FALSE(s.state.commit_details);
  EXPECT_FALSE(s.state.highlight_cache);
  EXPECT_FALSE(s.state.status_message);
}

TEST(LogDetails, ScrollingStaysWithinTheBound) {
  DetailsRepo fixture;
  Session s(open_repo(fixture.temp));
  s.press("l");
  const tui::Size size{80, 24};
  const std::size_t height = action::compute_details_content_height(s.state, size);
  const std::size_t bound = height > 21 ? height - 21 : 0;
  s.press("G");
  EXPECT_EQ(s.state.details_scroll, bound);
  s.press("g18446744073709551615j");
  EXPECT_EQ(s.state.details_scroll, bound);
  s.press("<C-d><C-d><C-d><C-d>");
  EXPECT_EQ(s.state.details_scroll, bound);
  s.press("18446744073709551615k");
  EXPECT_EQ(s.state.details_scroll, 0u);
  s.press("<C-u>");
  EXPECT_EQ(s.state.details_scroll, 0u);
  EXPECT_EQ(action::compute_details_content_height(state::State{}, size), 0u);
}

struct StepCase {
  std::vector<std::size_t> lines;
  std::size_t reference;
  bool forward;
  std::optional<std::size_t> line;
  std::size_t index;
};

TEST(LogDetails, StepsBetweenMatchLinesWrapping) {
  const StepCase cases[] = {
      {{3, 7, 12}, 0, true, 3, 0},
      {{3, 7, 12}, 3, true, 7, 1},  // a match on the reference line is passed
                                    // over
      {{3, 7, 12}, 8, true, 12, 2},
      {{3, 7, 12}, 12, true, 3, 0},  // wraps to the first
      {{3, 7, 12}, 40, true, 3, 0},
      {{3, 7, 12}, 3, false, 12, 2},  // wraps to the last
      {{3, 7, 12}, 7, false, 3, 0},
      {{3, 7, 12}, 8, false, 7, 1},
      {{3, 7, 12}, 0, false, 12, 2},
      {{5}, 5, true, 5, 0},  // the only match, on the reference line: wraps to itself
      {{5}, 5, false, 5, 0},
      {{}, 0, true, std::nullopt, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.lines) + " from " + std::to_string(c.reference) +
                 (c.forward ? " next" : " previous"));
    const auto got = action::step_details_match(c.lines, c.reference, c.forward);
    ASSERT_EQ(got.has_value(), c.line.has_value());
    if (!got) continue;
    EXPECT_EQ(got->line, *c.line);
    EXPECT_EQ(got->index, c.index);
  }
}

TEST(LogDetails, NextAndPreviousWithoutAMatchClearTheCurrentMatch) {
  DetailsRepo fixture;
  Session s(open_repo(fixture.temp));
  s.press("l");
  s.state.details_query = "no such text anywhere";
  s.state.details_match_line = 3;
  s.state.details_match_index = 0;
  s.press("n");
  EXPECT_FALSE(s.state.details_match_line);
  EXPECT_FALSE(s.state.details_match_index);
  // An empty details query makes n and N do nothing at all.
  s.state.details_query.clear();
  s.state.details_match_line = 3;
  s.press("nN");
  EXPECT_EQ(s.state.details_match_line, 3u);
}

TEST(LogDetails, NextAndPreviousWalkTheMeasuredMatchLines) {
  DetailsRepo fixture;
  Session s(open_repo(fixture.temp));
  s.press("l");
  s.state.details_query = "needle";
  const auto lines =
      render::details_match_lines(*s.state.commit_details, &*s.state.highlight_cache, "needle", 78);
  if (lines.size() < 2) GTEST_SKIP() << "the details layout finds fewer than two match lines";

  auto expect_at = [&](std::size_t i) {
    EXPECT_EQ(s.state.details_match_line, lines[i]);
    EXPECT_EQ(s.state.details_match_index, i);
    EXPECT_EQ(s.state.details_scroll, lines[i] > 10 ? lines[i] - 10 : 0);
    EXPECT_TRUE(state::current_details_match(s.state, 78));
  };
  s.state.details_scroll = 0;
  s.press("n");
  expect_at(lines.front() > 0 ? 0 : 1);
  s.state.details_match_line = lines.back();
  s.press("n");
  expect_at(0);
  s.press("N");
  expect_at(lines.size() - 1);

  // A match remembered for another width is no reference: stepping starts
  // from the top of the panel again.
  s.state.details_match_key->width = 60;
  s.state.details_scroll = 0;
  s.state.details_match_line = lines.back();
  s.press("n");
  expect_at(lines.front() > 0 ? 0 : 1);
}

}  // namespace

namespace {

// Thirty new files of ten lines: 21 rows of details at 80 x 24 hold the header and the tree at
// first, later a block and a bit. Only what has been on screen is coloured, each file from its
// first line down to the last row shown, exactly as colouring everything at once would.
TEST(LogDetails, ColoursOnlyWhatThePanelShows) {
  TempRepo t;
  for (int f = 0; f < 30; ++f) {
    std::string text;
    for (int n = 0; n < 10; ++n) text += "int f" + std::to_string(f) + "_" + std::to_string(n) + " = 0;\n";
    t.write("f" + std::string(f < 10 ? "0" : "") + std::to_string(f) + ".cpp", text);
  }
  t.commit("thirty files");
  Session s(open_repo(t));
  const tui::Size size{80, 24};
  s.press("<enter>");
  ASSERT_TRUE(s.state.commit_details);
  ASSERT_TRUE(s.state.highlight_cache);
  const auto whole = highlight::Highlighter().highlight_commit(*s.state.commit_details);
  const auto coloured = [&] {
    std::vector<std::size_t> counts;
    for (const auto& file : s.state.highlight_cache->files) counts.push_back(file.lines.size());
    // What is coloured is what colouring everything gives, as far as it goes.
    for (std::size_t i = 0; i < counts.size(); ++i)
      EXPECT_EQ(s.state.highlight_cache->files[i].lines,
                std::vector(whole.files[i].lines.begin(),
                            whole.files[i].lines.begin() + static_cast<long>(counts[i])))
          << i;
    return counts;
  };
  std::vector<std::size_t> want(30, 0);
  EXPECT_EQ(coloured(), want) << "the header and the tree fill the panel";

  // Each block: its header, ten rows, an empty line.
  const std::size_t first_block = render::details_text(s.state, 78)->sections.at(0).start_line;
  s.state.details_scroll = first_block;
  action::highlight_details_window(s.state, size);
  want[0] = 10;
  want[1] = 8;  // its header 12 rows down, its lines to the panel's last row
  EXPECT_EQ(coloured(), want);

  // The end: the window starts inside the second last block, which is coloured from its top.
  s.press("G");
  action::highlight_details_window(s.state, size);
  ASSERT_EQ(s.state.details_scroll, first_block + 12 * 30 - 21);
  want[28] = 10;
  want[29] = 10;
  EXPECT_EQ(coloured(), want);

  // Back up: what was coloured stays.
  s.press("kkk");
  action::highlight_details_window(s.state, size);
  EXPECT_EQ(coloured(), want);
}

}  // namespace
