// Drawing and flushing a full 200x60 frame into memory: when nothing changed since the frame
// before, and when every cell did. The frame is shaped like the log screen: a nine-column table
// with graph glyphs, labels and a selected row, and the status bar.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "tui/memory_backend.hpp"
#include "tui/terminal.hpp"
#include "tui/widgets.hpp"

namespace {

using tui::Color;
using tui::Constraint;
using tui::Line;
using tui::Span;
using tui::Style;

void log_screen(tui::Frame& f, int variant) {
  const auto parts = tui::split_vertical(f.area(), {Constraint::min(1), Constraint::length(3)});
  static const Color lanes[] = {Color::Red, Color::Blue, Color::Magenta, Color::Green};
  tui::Table table{.widths = {Constraint::length(0), Constraint::length(2), Constraint::length(8),
                              Constraint::fill(1), Constraint::length(12), Constraint::length(8),
                              Constraint::length(20), Constraint::length(7), Constraint::length(0)}};
  for (int i = 0; i < parts[0].height; ++i) {
    const int n = i + variant * 7;
    const Color lane = lanes[n % 4];
    std::vector<Span> graph = {Span("│ ", Style{.fg = lanes[(n + 1) % 4]}), Span("● ", Style{.fg = lane}),
                               Span("│", Style{.fg = lanes[(n + 2) % 4]})};
    std::vector<Span> subject;
    if (n % 5 == 0) {
      subject = {Span("(", Style{.fg = Color::Yellow}),
                 Span("origin/topic-" + std::to_string(n), Style{.fg = lane}),
                 Span(") ", Style{.fg = Color::Yellow})};
    }
    subject.push_back(
        Span((variant ? "Rework the frame differ " : "Fix the parser of hunks ") + std::to_string(n) +
             " so that the summary is long enough to be cut at the column's right edge, always"));
    table.rows.push_back(tui::Row{
        .cells = {Line(""), Line(std::to_string(n % 100)).right_aligned(), Line(graph), Line(subject),
                  Line(Span(variant ? "2024-03-01" : "2023-11-30", Style{.fg = Color::Gray})),
                  Line(Span(variant ? "09:15:00" : "17:42:10", Style{.fg = Color::DarkGray})).right_aligned(),
                  Line(Span(variant ? "Grace Hopper" : "Ada Lovelace", Style{.fg = Color::Gray})),
                  Line(Span(variant ? "a1b2c3d" : "0f9e8d7", Style{.fg = Color::DarkGray})), Line("")},
        .style = i == 10 ? Style{.bg = Color::DarkGray} : Style{}});
  }
  f.render_widget(table, parts[0]);
  const tui::Block bar{.borders = tui::Borders::TOP | tui::Borders::BOTTOM,
                       .border_style = Style{.fg = variant ? Color::White : Color::DarkGray}};
  f.render_widget(bar, parts[1]);
  const tui::Rect text = bar.inner(parts[1]).inner(1, 0);
  f.render_widget(tui::Paragraph(Line(Span(variant ? "/frame█" : "tarnwick", Style{.fg = Color::DarkGray}))),
                  text);
  f.render_widget(
      tui::Paragraph(Line(Span("? → show hotkeys", Style{.fg = Color::DarkGray})).right_aligned()), text);
}

}  // namespace

int main() {
  tui::MemoryBackend backend({200, 60});
  backend.keep_output(false);
  tui::Terminal terminal(backend);
  const int frames = 500;

  auto run = [&](const char* name, auto step) {
    std::vector<double> us;
    double bytes = 0;
    for (int batch = 0; batch < 15; ++batch) {
      const std::size_t before = backend.bytes_written();
      const auto start = std::chrono::steady_clock::now();
      for (int i = 0; i < frames; ++i) step(i);
      us.push_back(
          std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() /
          frames);
      bytes = static_cast<double>(backend.bytes_written() - before) / frames;
    }
    std::sort(us.begin(), us.end());
    std::printf("%-44s %8.1f us/frame (best batch %.1f)  %8.0f bytes/frame\n", name, us[us.size() / 2], us[0],
                bytes);
  };

  (void)terminal.draw([](tui::Frame& f) { log_screen(f, 0); });
  run("200x60 frame, nothing changed", [&](int) {
    if (!terminal.draw([](tui::Frame& f) { log_screen(f, 0); })) std::abort();
  });
  run("200x60 frame, every cell changed", [&](int i) {
    if (!terminal.draw([i](tui::Frame& f) { log_screen(f, i % 2); })) std::abort();
  });
  // The screen's own share: building the widgets and filling the buffer, no diff, no output.
  tui::Buffer buffer(tui::Rect{0, 0, 200, 60});
  run("  of which drawing the widgets alone", [&](int i) {
    buffer.reset();
    tui::Frame f(buffer);
    log_screen(f, i % 2);
  });
  return 0;
}
