#include "viewport/staging_geometry.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/worktree_files.hpp"
#include "tui/memory_backend.hpp"

namespace {

using state::CommitViewState;
using testing_support::worktree_file;

repo::Hunk hunk_of(std::size_t lines, char origin = '+') {
  repo::Hunk h;
  for (std::size_t i = 0; i < lines; ++i)
    h.lines.push_back({"line " + std::to_string(i), std::nullopt, 1, origin});
  return h;
}

std::vector<repo::Hunk> hunks_of(std::vector<std::size_t> sizes) {
  std::vector<repo::Hunk> out;
  for (std::size_t n : sizes) out.push_back(hunk_of(n));
  return out;
}

repo::ConflictSection section(std::size_t ours, std::size_t theirs) {
  return {std::vector<std::string>(ours, "o"), std::vector<std::string>(theirs, "t")};
}

// One modified file in the unstaged list, selected.
CommitViewState view_of(std::vector<repo::Hunk> hunks) {
  CommitViewState v;
  v.unstaged.push_back(worktree_file("f.txt"));
  v.unstaged[0].unstaged_hunks = std::move(hunks);
  v.selected_path = "f.txt";
  return v;
}

CommitViewState conflict_view(std::vector<repo::ConflictSection> sections) {
  CommitViewState v;
  v.unstaged.push_back(worktree_file("c.txt", repo::ChangeKind::Conflicted));
  v.unstaged[0].conflict_sections = std::move(sections);
  v.selected_path = "c.txt";
  return v;
}

TEST(StagingGeometry, RowsHunksAndScrollLimits) {
  struct Case {
    const char* name;
    std::vector<std::size_t> sizes;
    std::vector<std::size_t> starts;
    std::size_t total;
    std::vector<std::pair<std::size_t, std::size_t>> under;  // diff scroll, hunk under the cursor
    std::vector<std::pair<std::size_t, std::size_t>> max;    // height, maximum scroll
  };
  const Case cases[] = {
      {"three hunks of 3",
       {3, 3, 3},
       {0, 4, 8},
       11,
       {{0, 0}, {3, 0}, {4, 1}, {8, 2}, {20, 2}},
       {{12, 8}, {5, 8}, {2, 9}}},
      {"3, 5 and 2 lines", {3, 5, 2}, {0, 4, 10}, 12, {{9, 1}, {10, 2}}, {{0, 12}, {20, 10}}},
      {"one hunk", {4}, {0}, 4, {{0, 0}, {7, 0}}, {{2, 2}, {4, 0}}},
      {"no hunks", {}, {}, 0, {}, {{0, 0}, {12, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto hunks = hunks_of(c.sizes);
    EXPECT_EQ(viewport::get_hunk_start_lines(hunks), c.starts);
    EXPECT_EQ(viewport::hunk_rows(hunks), c.total);
    CommitViewState v = view_of(hunks);
    for (const auto& [scroll, want] : c.under) {
      v.diff_scroll = scroll;
      EXPECT_EQ(viewport::index_under_cursor(c.starts, scroll), want) << scroll;
      const auto got = viewport::find_topmost_visible_hunk(v, true);
      ASSERT_TRUE(got) << scroll;
      EXPECT_EQ(*got, hunks[want]) << scroll;
    }
    for (const auto& [height, want] : c.max)
      EXPECT_EQ(viewport::compute_max_scroll(v, height), want) << height;
  }
}

TEST(StagingGeometry, ConflictSectionsAreLaidOutWithTwoHeaderRows) {
  CommitViewState v = conflict_view({section(2, 3), section(1, 1)});
  const auto& sections = v.unstaged[0].conflict_sections;
  EXPECT_EQ(viewport::section_rows(sections[0]), 7u);
  EXPECT_EQ(viewport::section_rows(sections[1]), 4u);
  const auto starts = viewport::conflict_section_starts(sections);
  EXPECT_EQ(starts, (std::vector<std::size_t>{0, 8}));
  EXPECT_EQ(viewport::conflict_rows(sections), 12u);
  EXPECT_EQ(viewport::index_under_cursor(starts, 7), 0u);
  EXPECT_EQ(viewport::index_under_cursor(starts, 8), 1u);
  EXPECT_EQ(viewport::index_under_cursor(starts, 100), 1u);
  EXPECT_EQ(viewport::compute_max_scroll(v, 20), 0u);
  EXPECT_EQ(viewport::compute_max_scroll(v, 5), 7u);
  // A conflicted entry has no hunks to act on.
  EXPECT_FALSE(viewport::find_topmost_visible_hunk(v, true));
}

TEST(StagingGeometry, AFileInBothListsIsMeasuredOnTheFocusedSide) {
  CommitViewState v;
  v.unstaged.push_back(worktree_file("f.txt"));
  v.unstaged[0].unstaged_hunks = hunks_of({3});
  v.staged.push_back(worktree_file("f.txt"));
  v.staged[0].staged_hunks = hunks_of({3, 3, 3});
  v.selected_path = "f.txt";
  v.diff_scroll = 5;
  EXPECT_EQ(viewport::get_viewed_hunks(v), &v.unstaged[0].unstaged_hunks);
  EXPECT_EQ(viewport::compute_max_scroll(v, 12), 0u);
  v.staged_focus = true;
  EXPECT_EQ(viewport::get_viewed_hunks(v), &v.staged[0].staged_hunks);
  EXPECT_EQ(viewport::compute_max_scroll(v, 12), 8u);
  EXPECT_EQ(viewport::find_topmost_visible_hunk(v, false), v.staged[0].staged_hunks[1]);
  // s still finds the unstaged entry's hunk, whatever the focus.
  EXPECT_EQ(viewport::find_topmost_visible_hunk(v, true), v.unstaged[0].unstaged_hunks[0]);

  // A path found only in the other list is shown from there.
  v.staged.clear();
  ASSERT_TRUE(viewport::shown_file(v));
  EXPECT_TRUE(viewport::shown_file(v)->from_unstaged);
}

TEST(StagingGeometry, NothingSelectedMeasuresNothing) {
  CommitViewState v = view_of(hunks_of({3, 3}));
  for (const std::optional<std::string>& path :
       {std::optional<std::string>(), std::optional<std::string>("gone.txt")}) {
    v.selected_path = path;
    EXPECT_EQ(viewport::get_viewed_hunks(v), nullptr);
    EXPECT_EQ(viewport::compute_max_scroll(v, 2), 0u);
    EXPECT_FALSE(viewport::find_topmost_visible_hunk(v, true));
    EXPECT_FALSE(viewport::shown_file(v));
  }
}

TEST(StagingGeometry, WindowsFollowTheFocusedSelection) {
  const struct {
    std::size_t index, top, want;
  } cases[] = {{7, 0, 3}, {2, 5, 2}, {6, 2, 2}, {4, 0, 0}, {5, 0, 1}, {0, 0, 0}};
  for (const auto& c : cases) {
    std::size_t top = c.top;
    viewport::keep_in_window(c.index, top);
    EXPECT_EQ(top, c.want) << c.index << " from " << c.top;
  }
  CommitViewState v;
  v.unstaged_index = 7;
  v.staged_index = 9;
  viewport::ensure_file_visible(v);
  EXPECT_EQ(v.unstaged_list_scroll, 3u);
  EXPECT_EQ(v.staged_list_scroll, 0u);  // the other list's window stays
  v.staged_focus = true;
  viewport::ensure_file_visible(v);
  EXPECT_EQ(v.staged_list_scroll, 5u);
  EXPECT_EQ(v.unstaged_list_scroll, 3u);
}

// A terminal whose size cannot be read.
class UnmeasurableBackend final : public tui::Backend {
 public:
  std::expected<tui::Size, std::string> size() override { return std::unexpected("no size"); }
  std::expected<void, std::string> write(std::string_view) override { return {}; }
  std::expected<void, std::string> suspend() override { return {}; }
  std::expected<void, std::string> resume() override { return {}; }
};

TEST(StagingGeometry, KeysTakeTheirOwnPreviewHeight) {
  const std::pair<std::uint16_t, std::size_t> cases[] = {{24, 12}, {3, 0}, {0, 0}, {4, 0}, {5, 1}, {50, 28}};
  for (const auto& [rows, want] : cases) {
    tui::MemoryBackend backend({80, rows});
    tui::Terminal terminal(backend);
    EXPECT_EQ(viewport::diff_viewport_height(terminal), want) << rows;
  }
  UnmeasurableBackend broken;
  tui::Terminal terminal(broken);
  EXPECT_EQ(viewport::diff_viewport_height(terminal), 12u);
}

}  // namespace
