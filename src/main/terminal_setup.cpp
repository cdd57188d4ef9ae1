#include "main/terminal_setup.hpp"

#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <exception>
#include <mutex>
#include <string>

#include "tui/fatal.hpp"

namespace app {

namespace {

constexpr int FATAL_SIGNALS[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

const char* signal_name(int sig) {
  switch (sig) {
    case SIGSEGV:
      return "SIGSEGV";
    case SIGBUS:
      return "SIGBUS";
    case SIGFPE:
      return "SIGFPE";
    case SIGILL:
      return "SIGILL";
    case SIGABRT:
      return "SIGABRT";
    default:
      return "signal";
  }
}

void write_stderr(const char* text) {
  std::size_t left = std::strlen(text);
  while (left > 0) {
    const ssize_t n = ::write(STDERR_FILENO, text, left);
    if (n <= 0) return;
    text += n;
    left -= static_cast<std::size_t>(n);
  }
}

// Only async-signal-safe calls here: the crash may have come from inside
// the allocator.
void on_fatal_signal(int sig) {
  tui::restore_terminal();
  write_stderr("fatal signal ");
  write_stderr(signal_name(sig));
  write_stderr("\n");
  ::_exit(101);
}

[[noreturn]] void on_terminate() noexcept {
  std::string message = "fatal error";
  if (std::exception_ptr current = std::current_exception()) {
    try {
      std::rethrow_exception(current);
    } catch (const std::exception& e) {
      message += ": ";
      message += e.what();
    } catch (...) {
      message += ": unknown exception";
    }
  } else {
    message += ": terminate called without an active exception";
  }
  tui::fatal(message);
}

}  // namespace

void install_fatal_hook() {
  static std::once_flag installed;
  std::call_once(installed, [] {
    std::set_terminate(on_terminate);

    // A stack overflow arrives as SIGSEGV with no stack left to handle it on.
    alignas(16) static char alt_stack[64 * 1024];
    stack_t alt{};
    alt.ss_sp = alt_stack;
    alt.ss_size = sizeof alt_stack;
    ::sigaltstack(&alt, nullptr);

    struct ::sigaction action {};
    action.sa_handler = on_fatal_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_ONSTACK;
    for (int sig : FATAL_SIGNALS) ::sigaction(sig, &action, nullptr);
  });
}

std::unique_ptr<tui::Tty> initialize_terminal() {
  install_fatal_hook();
  auto tty = tui::Tty::open();
  if (!tty) tui::fatal("failed to initialize terminal: " + tty.error());
  return std::move(*tty);
}

}  // namespace app
