#pragma once
// When a status message is still shown, and the one row it is shown on.
// Shared by the status bar and the staging view's toast.

#include <chrono>
#include <string>
#include <string_view>

#include "state/state.hpp"

namespace render {

// A message is shown while fewer than this many whole seconds have passed
// since it was set; it is never cleared by time, only no longer drawn.
inline constexpr std::chrono::seconds STATUS_MESSAGE_TTL{3};

bool status_message_shown(const state::StatusMessage& message, state::Clock::time_point now);

// The message text, if any, while it is shown; otherwise null.
const state::StatusMessage* shown_status_message(const state::State& state, state::Clock::time_point now);

// The text laid on one row: each run of line breaks (LF, CR) becomes one
// blank, and breaks at either end are dropped, so a multi-line message from
// git or the library reads as one line and right-aligns flush.
std::string one_row(std::string_view text);

}  // namespace render
