#pragma once
// What the status bar says in each mode: the border colour and the left,
// centre and right texts, chosen from the mode flags.

#include <optional>
#include <string>
#include <string_view>

#include "render/status_bar.hpp"
#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/style.hpp"
#include "tui/text.hpp"

namespace render {

struct StatusTexts {
  tui::Line left;
  std::optional<tui::Line> centre;
  std::optional<tui::Line> right;
};

tui::Color status_border_color(const state::State& state, std::string_view active_query);

// `quiet`: no fresh message and no push or fetch running, so the row's right
// end is free for the match position or the idle hint.
StatusTexts status_texts(const state::State& state, const repo::Repo& repo, const StatusBarContext& context,
                         bool quiet);

// The revert confirmation's question: the summary's first line, cut after
// at most 40 bytes on a character boundary, quoted, then "?".
std::string revert_question(std::string_view summary);

}  // namespace render
