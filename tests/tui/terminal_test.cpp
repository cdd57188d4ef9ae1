#include "tui/terminal.hpp"

#include <gtest/gtest.h>

#include "model_screen.hpp"
#include "tui/encode.hpp"
#include "tui/memory_backend.hpp"
#include "tui/widgets.hpp"

namespace {

using tui::Color;
using tui::Frame;
using tui::Line;
using tui::MemoryBackend;
using tui::Style;
using tui::Terminal;
using tui_test::ModelScreen;

void status_screen(Frame& f, const std::string& text) {
  const auto parts = tui::split_vertical(f.area(), {tui::Constraint::min(1), tui::Constraint::length(3)});
  f.render_widget(tui::Paragraph(Line(text)), parts[0]);
  const tui::Block bar{.borders = tui::Borders::TOP | tui::Borders::BOTTOM,
                       .border_style = Style{.fg = Color::DarkGray}};
  f.render_widget(bar, parts[1]);
  f.render_widget(tui::Paragraph(Line("? → show hotkeys").right_aligned()), bar.inner(parts[1]));
}

TEST(Terminal, PaintsTheFirstFrameThenOnlyChanges) {
  MemoryBackend backend({20, 6});
  Terminal terminal(backend);
  ModelScreen screen(20, 6);

  ASSERT_TRUE(terminal.draw([](Frame& f) { status_screen(f, "first"); }));
  EXPECT_TRUE(backend.output().starts_with(tui::CLEAR_SCREEN));
  screen.apply(backend.output());
  EXPECT_EQ(screen.screen(), terminal.last_frame());
  EXPECT_EQ(terminal.last_frame().row_text(0), "first               ");
  EXPECT_EQ(terminal.last_frame().row_text(4), "    ? → show hotkeys");

  backend.clear_output();
  ASSERT_TRUE(terminal.draw([](Frame& f) { status_screen(f, "first"); }));
  EXPECT_EQ(backend.output(), "");  // nothing changed, nothing sent

  ASSERT_TRUE(terminal.draw([](Frame& f) { status_screen(f, "fir漢"); }));
  EXPECT_EQ(backend.output(), "\x1b[1;4H漢");
  screen.apply(backend.output());
  EXPECT_EQ(screen.screen(), terminal.last_frame());
}

TEST(Terminal, ANewSizeClearsAndRepaints) {
  MemoryBackend backend({20, 6});
  Terminal terminal(backend);
  ASSERT_TRUE(terminal.draw([](Frame& f) { status_screen(f, "before"); }));
  backend.set_size({12, 4});
  backend.clear_output();
  tui::Rect seen;
  ASSERT_TRUE(terminal.draw([&](Frame& f) {
    seen = f.area();
    status_screen(f, "after");
  }));
  EXPECT_EQ(seen, (tui::Rect{0, 0, 12, 4}));
  EXPECT_TRUE(backend.output().starts_with(tui::CLEAR_SCREEN));
  ModelScreen screen(12, 4);
  screen.apply(backend.output());
  EXPECT_EQ(screen.screen(), terminal.last_frame());
  EXPECT_EQ(testing_support::rows(terminal.last_frame()),
            (std::vector<std::string>{"after       ", "────────────", "? → show hot", "────────────"}));

  backend.set_size({0, 0});
  ASSERT_TRUE(terminal.draw([](Frame& f) { status_screen(f, "none"); }));
}

TEST(Terminal, TheEditorHandOffRepaintsEverything) {
  MemoryBackend backend({10, 4});
  Terminal terminal(backend);
  ASSERT_TRUE(terminal.draw([](Frame& f) { status_screen(f, "log"); }));
  ASSERT_TRUE(terminal.suspend());
  EXPECT_TRUE(backend.suspended());
  ASSERT_TRUE(terminal.resume());
  EXPECT_FALSE(backend.suspended());
  EXPECT_EQ(backend.suspends(), 1);
  EXPECT_EQ(backend.resumes(), 1);

  // The editor left the screen in an unknown state; after the hand-off the same frame is sent
  // whole, onto a cleared screen.
  backend.clear_output();
  ASSERT_TRUE(terminal.draw([](Frame& f) { status_screen(f, "log"); }));
  ModelScreen screen(10, 4);
  screen.apply("garbage");
  screen.apply(std::string(tui::CLEAR_SCREEN) + backend.output());
  EXPECT_EQ(screen.screen(), terminal.last_frame());
  EXPECT_NE(backend.output(), "");
}

class FailingBackend final : public tui::Backend {
 public:
  bool fail = false;
  std::string output;
  std::expected<tui::Size, std::string> size() override { return tui::Size{8, 2}; }
  std::expected<void, std::string> write(std::string_view bytes) override {
    if (fail) return std::unexpected(std::string("Input/output error (os error 5)"));
    output += bytes;
    return {};
  }
  std::expected<void, std::string> suspend() override { return {}; }
  std::expected<void, std::string> resume() override { return {}; }
};

TEST(Terminal, AFailedWriteIsReportedAndTheNextFrameStartsAfresh) {
  FailingBackend backend;
  Terminal terminal(backend);
  ASSERT_TRUE(terminal.draw([](Frame& f) { f.buffer().set_string(0, 0, "one"); }));
  backend.fail = true;
  const auto failed = terminal.draw([](Frame& f) { f.buffer().set_string(0, 0, "two"); });
  ASSERT_FALSE(failed);
  EXPECT_EQ(failed.error(), "Input/output error (os error 5)");
  backend.fail = false;
  backend.output.clear();
  ASSERT_TRUE(terminal.draw([](Frame& f) { f.buffer().set_string(0, 0, "two"); }));
  EXPECT_TRUE(backend.output.starts_with(tui::CLEAR_SCREEN));
}

TEST(Terminal, SetsAFilteredTitle) {
  MemoryBackend backend({4, 1});
  Terminal terminal(backend);
  ASSERT_TRUE(terminal.set_title("my\x1b]2;repo\x07"));
  EXPECT_EQ(backend.output(), "\x1b]0;my␛]2;repo␇\x07");
}

TEST(ScriptedEvents, PlaysBackInOrderThenReportsQuiet) {
  tui::ScriptedEvents events{tui::KeyEvent::character(U'j'), tui::ResizeEvent{100, 30}};
  events.push(tui::KeyEvent::key(tui::KeyCode::Esc));
  const std::chrono::milliseconds wait{100};
  EXPECT_EQ(events.poll_event(wait).value(), tui::Event{tui::KeyEvent::character(U'j')});
  EXPECT_EQ(events.poll_event(wait).value(), (tui::Event{tui::ResizeEvent{100, 30}}));
  EXPECT_EQ(events.poll_event(wait).value(), tui::Event{tui::KeyEvent::key(tui::KeyCode::Esc)});
  EXPECT_EQ(events.poll_event(wait).value(), std::nullopt);
  EXPECT_EQ(events.polls(), 4);
}

}  // namespace
