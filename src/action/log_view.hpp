#pragma once
// The log view's keys, Action::execute_normal_mode (declared with Action in
// action.hpp, defined in log_view.cpp): the handler of every key while no
// other mode is open. The movement keys, with their count prefix, move the
// selection, or the details panel's scroll while the panel is open; the
// other keys open the details (details_panel.hpp), the search prompt, the
// staging view and the commands of log_commands.hpp, and the prompts and
// workflows of their own files.

#include <cstdint>
#include <optional>
#include <string_view>

namespace action {

// The count prefix as a number; nothing when it is empty or does not fit in
// 64 bits.
std::optional<std::uint64_t> parse_count(std::string_view digits);

}  // namespace action
