// Draws scripted frames on the real terminal for tests/e2e/tui_terminal.sh: each frame's text
// goes to OUT_DIR/frame-N.txt once it is on the screen, so the script can compare it with what
// tmux shows. Keys: n the next scene, q quit; a resize redraws the scene. With --fatal, n takes
// the fatal-error path instead: restore_terminal() and an exit that runs no destructors.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tui/terminal.hpp"
#include "tui/tty.hpp"
#include "tui/widgets.hpp"

namespace {

using tui::Color;
using tui::Line;
using tui::Span;
using tui::Style;

void scene(tui::Frame& f, int n) {
  const auto parts = tui::split_vertical(f.area(), {tui::Constraint::min(1), tui::Constraint::length(3)});
  const tui::Block block{.borders = tui::Borders::ALL,
                         .border_style = Style{.fg = Color::White},
                         .title_top = Line(" tarnwick "),
                         .title_bottom = Line(Span(" q:quit ", Style{.fg = Color::DarkGray}))};
  f.render_widget(block, parts[0]);
  const tui::Rect inside = block.inner(parts[0]);
  std::vector<Line> lines;
  if (n == 0) {
    lines = {Line("plain ascii"), Line({Span("漢字テスト", Style{.fg = Color::Red}), Span(" wide")}),
             Line({Span("tab\there "), Span("\x1b[31mred\x07", Style{.bg = Color::rgb(27, 71, 33)})}),
             Line("centred").centered()};
  } else {
    lines = {Line("plain"),
             Line({Span("x漢字テスト", Style{.fg = Color::Cyan, .add_modifier = tui::Modifier::BOLD})}),
             Line("a line far too long to fit in the box at all"), Line("right").right_aligned()};
  }
  f.render_widget(tui::Paragraph(lines), inside);
  if (n > 0) {
    const tui::Table table{
        .rows = {tui::Row{.cells = {Line("▶"), Line("中文"), Line("abc")},
                          .style = Style{.bg = Color::DarkGray}}},
        .widths = {tui::Constraint::length(1), tui::Constraint::fill(1), tui::Constraint::length(3)}};
    table.render(tui::Rect{inside.x, static_cast<uint16_t>(inside.y + 4), inside.width, 1}, f.buffer());
  }
  const tui::Block bar{.borders = tui::Borders::TOP | tui::Borders::BOTTOM,
                       .border_style = Style{.fg = Color::DarkGray}};
  f.render_widget(bar, parts[1]);
  const tui::Rect text = bar.inner(parts[1]).inner(1, 0);
  f.render_widget(tui::Paragraph(Line("scene " + std::to_string(n))), text);
  f.render_widget(tui::Paragraph(Line("? → show hotkeys").right_aligned()), text);
}

// The buffer's rows without trailing blanks and without trailing empty rows, as tmux prints them.
std::string screen_text(const tui::Buffer& buf) {
  std::vector<std::string> rows;
  for (int y = 0; y < buf.area().height; ++y) {
    std::string row = buf.row_text(y);
    row.erase(row.find_last_not_of(' ') + 1);
    rows.push_back(row);
  }
  while (!rows.empty() && rows.back().empty()) rows.pop_back();
  std::string out;
  for (const auto& r : rows) out += r + "\n";
  return out;
}

bool publish(const std::string& dir, int frame, const tui::Buffer& buf) {
  const std::string path = dir + "/frame-" + std::to_string(frame) + ".txt";
  {
    std::ofstream out(path + ".tmp");
    out << screen_text(buf);
    if (!out) return false;
  }
  return std::rename((path + ".tmp").c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tui_tty_check OUT_DIR [--fatal]\n");
    return 2;
  }
  const std::string dir = argv[1];
  const bool fatal = argc > 2 && std::string(argv[2]) == "--fatal";

  auto tty = tui::Tty::open();
  if (!tty) {
    std::fprintf(stderr, "failed to initialize terminal: %s\n", tty.error().c_str());
    return 101;
  }
  tui::Terminal terminal(**tty);
  (void)terminal.set_title(
      "tty\x1b]0;evil\x07"
      "check");

  int scene_number = 0, frame = 0;
  auto redraw = [&]() -> bool {
    auto drawn = terminal.draw([&](tui::Frame& f) { scene(f, scene_number); });
    return drawn && publish(dir, frame++, terminal.last_frame());
  };
  if (!redraw()) return 101;
  for (;;) {
    auto event = (*tty)->poll_event(std::chrono::milliseconds(100));
    if (!event) {
      tui::restore_terminal();
      std::fprintf(stderr, "%s\n", event.error().c_str());
      return 101;
    }
    if (!*event) continue;
    if (const auto* key = std::get_if<tui::KeyEvent>(&**event)) {
      if (key->code == tui::KeyCode::Char && key->ch == U'q') return 0;
      if (key->code == tui::KeyCode::Char && key->ch == U'n') {
        if (fatal) {
          tui::restore_terminal();
          ::_exit(3);
        }
        ++scene_number;
      }
    }
    if (!redraw()) return 101;
  }
}
