#pragma once
// The real terminal: raw mode and the alternate screen through termios, the size through
// TIOCGWINSZ, keys from the input side, and resizes and job control through signals and a
// self-pipe.

#include <signal.h>
#include <termios.h>

#include <chrono>
#include <cstddef>
#include <expected>
#include <memory>
#include <string>

#include "tui/event.hpp"
#include "tui/terminal.hpp"

namespace tui {

// How long the rest of an escape sequence may take to arrive before a lone ESC counts as Esc.
inline constexpr std::chrono::milliseconds ESCAPE_WAIT{30};

class Tty final : public Backend, public EventSource {
 public:
  // Takes the terminal over: input from standard input (or /dev/tty when standard input is not
  // a terminal), output to standard output; raw mode, alternate screen, bracketed paste, cursor
  // hidden. Only one Tty can hold the terminal at a time. While it does, every signal whose
  // default action ends the program (hang-up, interrupt, termination, a crash, the user and
  // real-time signals, the timers ...) restores the terminal before it takes effect. A stop
  // (SIGTSTP, SIGTTIN, SIGTTOU) gives the terminal back to the shell before the program stops;
  // SIGCONT takes it again, in the foreground, and poll_event then reports a RedrawEvent. A stop
  // while the terminal is handed to another program (suspend) just stops.
  static std::expected<std::unique_ptr<Tty>, std::string> open();
  // The same on given descriptors (tests use a pseudo-terminal); they stay the caller's.
  static std::expected<std::unique_ptr<Tty>, std::string> open(int in_fd, int out_fd);

  // Restores the terminal.
  ~Tty() override;
  Tty(const Tty&) = delete;
  Tty& operator=(const Tty&) = delete;

  std::expected<Size, std::string> size() override;
  std::expected<void, std::string> write(std::string_view bytes) override;
  // Raw mode off, bracketed paste off, alternate screen left, cursor shown; resume() takes it
  // all back, every step even when raw mode cannot be set (the first failure is reported).
  std::expected<void, std::string> suspend() override;
  std::expected<void, std::string> resume() override;

  std::expected<std::optional<Event>, std::string> poll_event(std::chrono::milliseconds timeout) override;

 private:
  Tty(int in_fd, int out_fd, bool owns_in_fd) : in_fd_(in_fd), out_fd_(out_fd), owns_in_fd_(owns_in_fd) {}
  std::expected<void, std::string> take_over();
  // Waits for input or a resize; false on time-out.
  std::expected<bool, std::string> wait(int timeout_ms, bool& resized);
  std::expected<void, std::string> read_input();

  int in_fd_;
  int out_fd_;
  bool owns_in_fd_;
  int wake_[2] = {-1, -1};
  termios raw_{};
  struct ::sigaction old_winch_ {};
  bool handler_installed_ = false;
  bool ending_installed_ = false;  // handlers of the signals that end the program
  bool job_installed_ = false;     // handlers of the stop signals and SIGCONT
  bool taken_back_ = false;        // taken back after a stop; the screen holds something else
  std::string pending_;            // input bytes not yet decoded
  bool in_paste_ = false;          // pending_ continues a pasted block
  std::string paste_;              // the pasted block's text so far
};

// Leaves raw mode and the alternate screen and shows the cursor, whatever fails along the way, if
// a Tty holds the terminal; does nothing otherwise. Async-signal-safe and idempotent: for the
// fatal-error hook and signal handlers.
void restore_terminal() noexcept;

}  // namespace tui
