#include "viewport/reload.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using repo::Oid;

Oid oid(std::size_t n) {
  Oid id;
  id.bytes[0] = static_cast<unsigned char>(n >> 8);
  id.bytes[1] = static_cast<unsigned char>(n & 0xff);
  id.bytes[19] = 1;
  return id;
}

// A log of the commits numbered so, in this order.
repo::Repo log_of(const std::vector<std::size_t>& numbers) {
  repo::Repo r;
  for (std::size_t n : numbers) {
    repo::Commit c;
    c.id = oid(n);
    r.commits.push_back(c);
  }
  return r;
}

std::vector<std::size_t> range(std::size_t from, std::size_t to) {
  std::vector<std::size_t> out;
  for (std::size_t n = from; n < to; ++n) out.push_back(n);
  return out;
}

struct Case {
  const char* name;
  std::size_t selected, scroll;
  std::vector<std::size_t> before, after;
  std::size_t want_selected, want_scroll;
};

TEST(KeepSelectionAfterReload, FollowsTheCommitOrKeepsTheRowInsideTheLog) {
  std::vector<std::size_t> with_new_on_top = range(100, 105);
  for (std::size_t n : range(0, 100)) with_new_on_top.push_back(n);
  const Case cases[] = {
      {"five new commits on top", 30, 10, range(0, 100), with_new_on_top, 35, 15},
      {"the rows above went away", 50, 45, range(0, 100), range(40, 100), 10, 5},
      {"its row is kept where the window allows", 3, 0, range(0, 100), range(2, 100), 1, 0},
      {"the commit is gone, its row stays", 7, 2, range(0, 100), range(20, 120), 7, 2},
      {"the commit is gone and the log shorter than the row", 70, 50, range(0, 100), range(200, 210), 9, 0},
      {"an empty log", 5, 3, range(0, 100), {}, 0, 0},
      {"nothing was selected", 5, 0, {}, range(0, 3), 2, 0},
      {"no scroll past what fills the screen", 95, 80, range(0, 100), range(60, 100), 35, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const repo::Repo before = log_of(c.before);
    state::State s;
    s.selected = c.selected;
    s.scroll = c.scroll;
    const viewport::SelectionAnchor anchor = viewport::selection_anchor(s, before);
    const repo::Repo after = log_of(c.after);
    viewport::keep_selection_after_reload(s, after, anchor, 40);
    EXPECT_EQ(s.selected, c.want_selected);
    EXPECT_EQ(s.scroll, c.want_scroll);
  }
}

TEST(KeepSelectionAfterReload, TheSearchPromptsPlaceFollowsToo) {
  const repo::Repo before = log_of(range(0, 50));
  state::State s;
  s.selected = 10;
  s.saved_selection = 20;
  s.saved_scroll = 15;
  const viewport::SelectionAnchor anchor = viewport::selection_anchor(s, before);
  std::vector<std::size_t> numbers = {90, 91};
  for (std::size_t n : range(0, 50)) numbers.push_back(n);
  viewport::keep_selection_after_reload(s, log_of(numbers), anchor, 10);
  EXPECT_EQ(s.selected, 12u);
  EXPECT_EQ(s.saved_selection, 22u);
  EXPECT_EQ(s.saved_scroll, 17u);
}

TEST(ClampSelection, KeepsSelectionAndScrollInsideTheLog) {
  state::State s;
  s.selected = 30;
  s.scroll = 25;
  viewport::clamp_selection(s, log_of(range(0, 8)), 40);
  EXPECT_EQ(s.selected, 7u);
  EXPECT_EQ(s.scroll, 0u);
}

}  // namespace
