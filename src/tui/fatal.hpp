#pragma once
// The one way the program ends on a failure it cannot carry on from: the
// terminal is given back first, then the message reaches standard error, and
// the exit status is 101. Safe to call from any thread.

#include <string_view>

namespace tui {

[[noreturn]] void fatal(std::string_view message) noexcept;

}  // namespace tui
