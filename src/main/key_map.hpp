#pragma once
// The key map: every key press becomes one command value.

#include "action/action.hpp"
#include "tui/event.hpp"

#include <optional>

namespace app {

// A key event becomes one command; nothing for other events.
std::optional<action::Action> from_event(const tui::Event& event);
action::Action from_key(const tui::KeyEvent& key);

}  // namespace app
