#pragma once
// The bytes sent to the terminal: frame differences, screen clearing and the window title.
// Named colours go out as the standard codes (foreground 30-37 and 90-97, background +10) so the
// user's palette applies; RGB colours always go out as 24-bit values.

#include <string>
#include <string_view>

#include "tui/buffer.hpp"
#include "tui/style.hpp"

namespace tui {

// Clears the whole screen in the default colours.
inline constexpr std::string_view CLEAR_SCREEN = "\x1b[0m\x1b[2J";

// Appends what turns a screen showing `previous` into one showing `next` (both of one area, in
// screen coordinates): only the cells that differ, moving the cursor only where the next cell is
// not where the last one left it, changing only the style attributes that differ, and leaving
// the default style behind. Nothing when the buffers are equal.
void append_diff(std::string& out, const Buffer& previous, const Buffer& next);

// The SGR parameters that select a colour: "31", "97", "48;2;27;71;33", "39", ...
enum class ColorLayer { Foreground, Background, Underline };
std::string color_parameters(Color color, ColorLayer layer);

// Sets the window title; control characters in it are shown, never obeyed.
std::string title_sequence(std::string_view title);

}  // namespace tui
