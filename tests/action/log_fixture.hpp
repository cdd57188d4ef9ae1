#pragma once
// A log in memory (no repository behind it) or over a real temporary
// repository, a fixed-size terminal, and key presses typed as text.

#include "action/action.hpp"
#include "main/key_map.hpp"
#include "state/state.hpp"
#include "repo/repo.hpp"
#include "support/repositories.hpp"
#include "support/temp_repo.hpp"
#include "tui/memory_backend.hpp"
#include "tui/terminal.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace app_testing {

using action::Action;

// Commits "commit 0" (top) to "commit n-1", HEAD detached on the given row.
inline repo::Repo memory_log(std::size_t n, std::size_t head_row = 0) {
  repo::Repo r;
  for (std::size_t i = 0; i < n; ++i) {
    repo::Commit c;
    c.id.bytes[0] = static_cast<unsigned char>(i + 1);
    c.id.bytes[1] = static_cast<unsigned char>((i + 1) >> 8);
    c.summary = "commit " + std::to_string(i);
    c.author = "Ann";
    c.time = 1700000000 - static_cast<std::int64_t>(i) * 60;
    r.commits.push_back(c);
  }
  r.head = repo::HeadDetached{n ? r.commits[head_row].id : repo::Oid::zero()};
  return r;
}

// Single characters through the key map; "<esc>", "<enter>", "<bs>",
// "<tab>", "<up>", "<down>", "<C-x>" for the rest.
inline std::vector<Action> keys(std::string_view text) {
  std::vector<Action> out;
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

// The three things every handler is given, at 80 x 24: 21 visible rows,
// details 78 columns wide.
struct Session {
  explicit Session(repo::Repo r) : repo(std::move(r)), state(state::State::create(repo)) {}

  // Every key in turn; true when one of them asked to quit (and stops there).
  bool press(std::string_view text) {
    for (const Action& a : keys(text))
      if (a.execute(state, repo, terminal)) return true;
    return false;
  }

  repo::Repo repo;
  tui::MemoryBackend backend{tui::Size{80, 24}};
  tui::Terminal terminal{backend};
  state::State state;
};

inline std::string status_of(const Session& s) {
  return s.state.status_message ? s.state.status_message->text : "(none)";
}

}  // namespace app_testing
