#pragma once
// The user's browser, reached through the "open" program.

#include <string>

namespace action {

// Starts "open" on the address, off the terminal, so the opener neither
// draws over the screen nor reads the keys, and reaps it in the background,
// as a browser may stay a while. False when it cannot be started.
bool open_in_browser(const std::string& url);

}  // namespace action
