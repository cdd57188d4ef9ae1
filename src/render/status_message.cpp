#include "render/status_message.hpp"

namespace render {

bool status_message_shown(const state::StatusMessage& message, state::Clock::time_point now) {
  // Whole seconds only: 2.999 s still shows, 3.000 s does not. A time set
  // after `now` counts as just set.
  const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(now - message.at);
  return elapsed < STATUS_MESSAGE_TTL;
}

const state::StatusMessage* shown_status_message(const state::State& state, state::Clock::time_point now) {
  if (state.status_message && status_message_shown(*state.status_message, now)) return &*state.status_message;
  return nullptr;
}

std::string one_row(std::string_view text) {
  const auto is_break = [](char c) { return c == '\n' || c == '\r'; };
  std::string out;
  out.reserve(text.size());
  bool pending_blank = false;
  for (char c : text) {
    if (is_break(c)) {
      pending_blank = !out.empty();
      continue;
    }
    if (pending_blank) out += ' ';
    pending_blank = false;
    out += c;
  }
  return out;
}

}  // namespace render
