#pragma once
// Neovim's editing aids for the commit message: the script and the command
// that sources it.

#include <optional>
#include <string>
#include <string_view>

namespace action {

// Sourced into the message buffer: marks text past the subject and body
// limits, draws guides at those columns, keeps the subject from wrapping and
// makes Enter on the subject jump to the body. A second load does nothing.
// Kept to the Lua API of Neovim 0.7.
extern const std::string_view COMMIT_AIDS_SCRIPT;

// "luafile {path}" with the path escaped the way Vim's fnameescape() does,
// so that a temporary directory holding blanks, '%', '#', '|' or quotes
// still names the file. Absent when the path holds a line break or another
// control character an Ex command cannot carry.
std::optional<std::string> luafile_command(std::string_view path);

}  // namespace action
