#pragma once
// The user's editor and the terminal hand-off around it, shared by opening a
// file from the staging view and by the commit flow.

#include <expected>
#include <string>
#include <string_view>
#include <vector>

#include "tui/terminal.hpp"
#include "utils/process.hpp"

namespace action {

// EDITOR, else VISUAL, else "vi" (a variable that is unset or not UTF-8 does
// not count), as the user wrote it: a program, perhaps with arguments
// ("code --wait").
std::string editor_program();

// The command that runs the editor on the arguments (the file first) as git
// runs it: a value with blanks or other characters the shell reads is
// handed to "sh -c '<editor> "$@"'", which splits its words while the
// arguments pass untouched; a plain name or path is run directly.
std::vector<std::string> editor_command(const std::string& editor, const std::vector<std::string>& args);

// Whether the editor is Neovim: the file stem of its first word taken as a
// path (the last component without its last extension) is exactly "nvim".
bool is_neovim(std::string_view editor);

// Gives the terminal to the command (raw mode off, alternate screen left),
// runs it in the program's own working directory with the terminal as its
// standard input, output and error, and waits for it; then takes the
// terminal back and clears it so the next frame repaints everything (errors
// of taking it back are ignored). Fails only when the command cannot be
// started, with the system's error text.
std::expected<utils::ProcessResult, std::string> run_with_terminal(tui::Terminal& terminal,
                                                                   const std::vector<std::string>& argv);

}  // namespace action
