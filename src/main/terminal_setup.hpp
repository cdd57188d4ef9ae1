#pragma once
// Taking the terminal over, and making sure every way the program can die
// gives it back first.

#include <memory>

#include "tui/tty.hpp"

namespace app {

// Once, before the terminal is taken over; never removed. An uncaught
// exception or a crash on any thread restores the terminal, then reports on
// standard error and ends the program with exit status 101.
void install_fatal_hook();

// The fatal hook, then raw mode, the alternate screen and a hidden cursor.
// A terminal that cannot be had ends the program.
std::unique_ptr<tui::Tty> initialize_terminal();

}  // namespace app
