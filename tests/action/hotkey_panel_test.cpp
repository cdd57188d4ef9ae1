#include "action/hotkey_panel.hpp"

#include <gtest/gtest.h>

#include "log_fixture.hpp"

namespace {

using app_testing::memory_log;
using testing_support::Session;

TEST(HotkeyToggle, QuestionMarkShowsAndHidesThePanel) {
  Session s(memory_log(5));
  s.state.set_status("kept");
  ASSERT_FALSE(s.press("12?"));
  EXPECT_TRUE(s.state.show_hotkeys);
  EXPECT_TRUE(s.state.panel_facts.has_value());  // asked as it opens
  EXPECT_EQ(s.state.count_prefix, "");
  ASSERT_TRUE(s.state.status_message);
  EXPECT_EQ(s.state.status_message->text, "kept");

  ASSERT_FALSE(s.press("3?"));
  EXPECT_FALSE(s.state.show_hotkeys);
  EXPECT_FALSE(s.state.panel_facts.has_value());
  EXPECT_EQ(s.state.count_prefix, "");
  EXPECT_EQ(s.state.status_message->text, "kept");
  EXPECT_EQ(s.state.selected, 0u);
}

TEST(HotkeyToggle, FactsAreAskedAgainOnlyOnceTheyHaveAged) {
  testing_support::TempRepo t;
  t.write("f", "x\n").commit("one");
  auto opened = repo::Repo::open(t.path(), 2000);
  ASSERT_TRUE(opened);
  state::State s = state::State::create(*opened);
  const auto t0 = state::Clock::time_point{} + std::chrono::hours(1);

  EXPECT_FALSE(action::keep_panel_facts(s, *opened, t0));  // hidden: nothing asked
  EXPECT_FALSE(s.panel_facts);

  action::toggle_hotkeys(s, *opened, t0);
  ASSERT_TRUE(s.panel_facts);
  EXPECT_FALSE(s.panel_facts->has_changes);
  t.write("new", "y\n");
  EXPECT_FALSE(action::keep_panel_facts(s, *opened, t0 + std::chrono::milliseconds(999)));
  EXPECT_FALSE(s.panel_facts->has_changes);
  EXPECT_TRUE(action::keep_panel_facts(s, *opened, t0 + std::chrono::seconds(1)));
  EXPECT_TRUE(s.panel_facts->has_changes);
  // Asked again, the same answer needs no new frame.
  EXPECT_FALSE(action::keep_panel_facts(s, *opened, t0 + std::chrono::seconds(3)));
}

}  // namespace
