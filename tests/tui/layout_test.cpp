#include "tui/layout.hpp"

#include <gtest/gtest.h>

#include <random>

namespace {

using tui::Constraint;
using tui::Rect;

struct SolveCase {
  const char* name;
  uint16_t total;
  std::vector<Constraint> constraints;
  uint16_t spacing;
  std::vector<uint16_t> want;
};

TEST(Layout, SolvesExactOddAndOverFullConstraints) {
  const auto L = Constraint::length;
  const auto M = Constraint::min;
  const auto P = Constraint::percentage;
  const auto F = Constraint::fill;
  const SolveCase cases[] = {
      {"main and status bar", 24, {M(1), L(3)}, 0, {21, 3}},
      {"with the hotkey panel", 24, {M(1), L(3), L(5)}, 0, {16, 3, 5}},
      {"just fits", 4, {M(1), L(3)}, 0, {1, 3}},
      {"over-full: first come first served", 3, {M(1), L(3)}, 0, {1, 2}},
      {"over-full with the panel", 6, {M(1), L(3), L(5)}, 0, {1, 3, 2}},
      {"zero space", 0, {M(1), L(3)}, 0, {0, 0}},
      {"staging split", 30, {M(0), L(8)}, 0, {22, 8}},
      {"staging split, short screen", 5, {M(0), L(8)}, 0, {0, 5}},
      {"halves", 80, {P(50), P(50)}, 0, {40, 40}},
      {"halves of an odd width fill it", 81, {P(50), P(50)}, 0, {40, 41}},
      {"halves of one", 1, {P(50), P(50)}, 0, {0, 1}},
      {"percentages of the space less spacing", 40, {P(75), P(25)}, 1, {29, 10}},
      {"percentages over 100", 10, {P(80), P(80)}, 0, {8, 2}},
      {"a lone length leaves the rest", 10, {L(3)}, 0, {3}},
      {"fill takes the rest",
       120,
       {L(0), L(2), L(16), F(1), L(12), L(8), L(20), L(7), L(0)},
       1,
       {0, 2, 16, 47, 12, 8, 20, 7, 0}},
      {"fill gets nothing when over-full",
       60,
       {L(0), L(2), L(16), F(1), L(12), L(8), L(20), L(7), L(0)},
       1,
       {0, 2, 16, 0, 12, 8, 16, 0, 0}},
      {"fills share by weight", 10, {F(1), F(2)}, 0, {3, 7}},
      {"fill before min", 10, {M(2), F(1)}, 0, {2, 8}},
      {"mins share what is left", 9, {M(2), M(2)}, 0, {4, 5}},
      {"spacing larger than the space", 2, {L(0), L(0), L(0)}, 3, {0, 0, 0}},
      {"no constraints", 10, {}, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(tui::solve(c.total, c.constraints, c.spacing), c.want);
  }
}

TEST(Layout, PlacesPartsWithSpacingBetweenEveryPair) {
  const std::vector<Constraint> widths = {Constraint::length(0), Constraint::length(2), Constraint::length(3),
                                          Constraint::length(0)};
  const auto cols = tui::split_horizontal(Rect{5, 2, 10, 3}, widths, 1);
  ASSERT_EQ(cols.size(), 4u);
  EXPECT_EQ(cols[0], (Rect{5, 2, 0, 3}));
  EXPECT_EQ(cols[1], (Rect{6, 2, 2, 3}));
  EXPECT_EQ(cols[2], (Rect{9, 2, 3, 3}));
  EXPECT_EQ(cols[3], (Rect{13, 2, 0, 3}));

  const auto rows = tui::split_vertical(Rect{0, 0, 80, 24}, {Constraint::min(1), Constraint::length(3)});
  EXPECT_EQ(rows[0], (Rect{0, 0, 80, 21}));
  EXPECT_EQ(rows[1], (Rect{0, 21, 80, 3}));
}

// Whatever the constraints, every part lies inside its parent, in order, without overlapping.
TEST(Layout, NeverLeavesTheParent) {
  std::mt19937 rng(7);
  const Rect parents[] = {{0, 0, 0, 0}, {0, 0, 1, 1}, {3, 4, 7, 5}, {0, 0, 80, 24}, {65530, 65530, 20, 20}};
  for (const Rect& parent : parents) {
    for (int round = 0; round < 300; ++round) {
      std::vector<Constraint> cs;
      const int n = static_cast<int>(rng() % 6);
      for (int i = 0; i < n; ++i) {
        const auto v = static_cast<uint16_t>(rng() % 120);
        switch (rng() % 4) {
          case 0:
            cs.push_back(Constraint::length(v));
            break;
          case 1:
            cs.push_back(Constraint::min(v));
            break;
          case 2:
            cs.push_back(Constraint::percentage(v));
            break;
          default:
            cs.push_back(Constraint::fill(static_cast<uint16_t>(v % 4)));
            break;
        }
      }
      const auto spacing = static_cast<uint16_t>(rng() % 4);
      for (auto dir : {tui::Direction::Horizontal, tui::Direction::Vertical}) {
        const auto parts = tui::split(parent, dir, cs, spacing);
        ASSERT_EQ(parts.size(), cs.size());
        int at = dir == tui::Direction::Horizontal ? parent.x : parent.y;
        for (const Rect& r : parts) {
          SCOPED_TRACE(testing::Message() << "parent " << parent.x << "," << parent.y << " " << parent.width
                                          << "x" << parent.height << " part " << r.x << "," << r.y << " "
                                          << r.width << "x" << r.height);
          EXPECT_GE(r.x, parent.x);
          EXPECT_GE(r.y, parent.y);
          EXPECT_LE(r.right(), parent.right());
          EXPECT_LE(r.bottom(), parent.bottom());
          EXPECT_LE(int{r.x} + r.width, int{parent.right()});
          EXPECT_LE(int{r.y} + r.height, int{parent.bottom()});
          const int start = dir == tui::Direction::Horizontal ? r.x : r.y;
          EXPECT_GE(start, at);
          at = start + (dir == tui::Direction::Horizontal ? r.width : r.height);
        }
      }
    }
  }
}

TEST(Rect, IntersectionAndInner) {
  EXPECT_EQ((Rect{0, 0, 10, 5}.intersection(Rect{8, 3, 10, 10})), (Rect{8, 3, 2, 2}));
  EXPECT_TRUE((Rect{0, 0, 10, 5}.intersection(Rect{20, 20, 3, 3})).is_empty());
  EXPECT_EQ((Rect{2, 2, 10, 6}.inner(1, 1)), (Rect{3, 3, 8, 4}));
  EXPECT_EQ((Rect{2, 2, 1, 1}.inner(1, 1)), (Rect{3, 3, 0, 0}));
  EXPECT_EQ((Rect{65535, 0, 10, 1}).right(), 65535);
}

}  // namespace
