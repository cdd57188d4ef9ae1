#include "tui/fatal.hpp"

#include <unistd.h>

#include <string>

#include "tui/graphemes.hpp"
#include "tui/tty.hpp"

namespace tui {

void fatal(std::string_view message) noexcept {
  tui::restore_terminal();
  // The message may quote a path or a reference name: its control characters must not reach
  // the terminal as commands.
  std::string line = sanitize(message);
  line += '\n';
  const char* p = line.data();
  std::size_t left = line.size();
  while (left > 0) {
    const ssize_t n = ::write(STDERR_FILENO, p, left);
    if (n <= 0) break;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  // _exit: no destructors or atexit handlers of other threads' objects.
  ::_exit(101);
}

}  // namespace tui
