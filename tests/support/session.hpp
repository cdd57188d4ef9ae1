#pragma once
// The three things every key handler is given, over a log in memory or a
// real repository, and key presses typed as text through the program's key
// map.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "action/action.hpp"
#include "main/key_map.hpp"
#include "repo/repo.hpp"
#include "state/state.hpp"
#include "support/frames.hpp"
#include "support/screen.hpp"
#include "tui/event.hpp"
#include "tui/memory_backend.hpp"
#include "tui/terminal.hpp"

namespace testing_support {

// Single characters (one byte each) through the key map; "<esc>",
// "<enter>", "<bs>", "<tab>", "<up>", "<down>", "<left>", "<C-x>" for the
// rest.
inline std::vector<action::Action> keys(std::string_view text) {
  std::vector<action::Action> out;
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == '<') {
      const std::size_t end = text.find('>', i);
      const std::string_view name = text.substr(i + 1, end - i - 1);
      i = end + 1;
      using tui::KeyCode;
      static const std::pair<std::string_view, KeyCode> named[] = {
          {"esc", KeyCode::Esc}, {"enter", KeyCode::Enter}, {"bs", KeyCode::Backspace}, {"tab", KeyCode::Tab},
          {"up", KeyCode::Up},   {"down", KeyCode::Down},   {"left", KeyCode::Left},
      };
      if (name.starts_with("C-")) {
        out.push_back(app::from_key(
            tui::KeyEvent::character(static_cast<char32_t>(name[2]), tui::KeyModifiers::CONTROL)));
        continue;
      }
      const auto* found = std::ranges::find(named, name, &std::pair<std::string_view, KeyCode>::first);
      if (found == std::end(named))
        ADD_FAILURE() << "unknown key " << name;
      else
        out.push_back(app::from_key(tui::KeyEvent::key(found->second)));
      continue;
    }
    out.push_back(app::from_key(tui::KeyEvent::character(static_cast<unsigned char>(text[i]))));
    ++i;
  }
  return out;
}

// A terminal of 80 x 24 by default: 21 visible rows, details 78 columns
// wide.
struct Session {
  explicit Session(repo::Repo r, tui::Size size = {80, 24})
      : repo(std::move(r)), backend(size), state(state::State::create(repo)) {}

  // Every key in turn, straight to its handler without a pass of the loop
  // around it; true when one of them asked to quit (and stops there).
  bool press(std::string_view text) {
    for (const action::Action& a : keys(text))
      if (a.execute(state, repo, terminal)) return true;
    return false;
  }
  // One character typed, whatever it is.
  bool type(char32_t c) { return app::from_key(tui::KeyEvent::character(c)).execute(state, repo, terminal); }

  std::string status() const { return state.status_message ? state.status_message->text : "(none)"; }

  // The frame the program draws next, at the terminal's size or another.
  tui::Buffer next_frame(tui::Size size) const {
    return draw(state, repo, size.width, size.height, state::Clock::now());
  }
  tui::Buffer next_frame() { return next_frame(*backend.size()); }
  std::string screen(tui::Size size) const { return screen_text(next_frame(size)); }
  std::string screen() { return screen_text(next_frame()); }

  repo::Repo repo;
  tui::MemoryBackend backend;
  tui::Terminal terminal{backend};
  state::State state;
};

}  // namespace testing_support
