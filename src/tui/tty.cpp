#include "tui/tty.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iterator>
#include <utility>

#include "tui/key_decoder.hpp"

namespace tui {

namespace {

// Bracketed paste goes with the alternate screen: while the terminal is ours a paste arrives
// marked, so none of it runs as keys; whoever gets the terminal back gets plain pastes.
constexpr std::string_view ENTER = "\x1b[?1049h\x1b[?2004h\x1b[?25l";
constexpr std::string_view LEAVE = "\x1b[?2004l\x1b[0m\x1b[?25h\x1b[?1049l";

// Process-wide by necessity: the restore that fatal paths call and the SIGWINCH handler can
// reach nothing else.
struct Taken {
  std::atomic<bool> held{false};    // a Tty exists
  std::atomic<bool> active{false};  // raw mode and alternate screen are on
  std::atomic<int> in_fd{-1};
  std::atomic<int> out_fd{-1};
  termios original{};
};
Taken g_taken;
std::atomic<int> g_wake_fd{-1};

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

std::string error_text(int errnum) {
  char buf[256];
  const char* text = strerror_r(errnum, buf, sizeof buf);
  return std::string(text) + " (os error " + std::to_string(errnum) + ")";
}

// Returns 0 or the errno of the failure.
int write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p{fd, POLLOUT, 0};
      if (::poll(&p, 1, -1) < 0 && errno != EINTR) return errno;
      continue;
    }
    return n < 0 ? errno : EIO;
  }
  return 0;
}

// Everything here is async-signal-safe. Returns 0 or the errno of the first failure, but always
// attempts every step.
int leave_terminal() {
  if (!g_taken.active.exchange(false)) return 0;
  const int saved = errno;
  int failure = write_all(g_taken.out_fd.load(), LEAVE);
  if (::tcsetattr(g_taken.in_fd.load(), TCSANOW, &g_taken.original) != 0 && failure == 0) failure = errno;
  errno = saved;
  return failure;
}

// Signals whose default action ends the program: the terminal is given back first, then the
// signal takes its course as before (the default action, or a handler installed earlier, such as
// a sanitizer's). The real-time signals are added at take-over: their range is known only then.
constexpr int ENDING_SIGNALS[] = {SIGHUP,  SIGINT,    SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,    SIGFPE,
                                  SIGUSR1, SIGSEGV,   SIGUSR2, SIGPIPE, SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU,
                                  SIGXFSZ, SIGVTALRM, SIGPROF, SIGPOLL, SIGPWR,  SIGSYS};
// By signal number.
struct ::sigaction g_before_ending[NSIG];
bool g_ending_handled[NSIG];  // false where the signal was ignored and stays so

bool ends_the_program(int sig) {
  if (sig >= SIGRTMIN && sig <= SIGRTMAX) return true;
  return std::ranges::find(ENDING_SIGNALS, sig) != std::end(ENDING_SIGNALS);
}

void on_ending_signal(int sig) {
  leave_terminal();
  if (sig > 0 && sig < NSIG) ::sigaction(sig, &g_before_ending[sig], nullptr);
  // Delivered once this handler returns (or, for a fault, when the instruction runs again).
  ::raise(sig);
}

void on_winch(int) {
  const int saved = errno;
  const int fd = g_wake_fd.load();
  if (fd >= 0) {
    const char byte = 0;
    [[maybe_unused]] ssize_t ignored = ::write(fd, &byte, 1);
  }
  errno = saved;
}

}  // namespace

void restore_terminal() noexcept { leave_terminal(); }

std::expected<std::unique_ptr<Tty>, std::string> Tty::open() {
  if (::isatty(STDIN_FILENO)) {
    return open(STDIN_FILENO, STDOUT_FILENO);
  }
  const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return std::unexpected("/dev/tty: " + error_text(errno));
  auto tty = open(fd, STDOUT_FILENO);
  if (!tty) {
    ::close(fd);
    return tty;
  }
  (*tty)->owns_in_fd_ = true;
  return tty;
}

std::expected<std::unique_ptr<Tty>, std::string> Tty::open(int in_fd, int out_fd) {
  if (g_taken.held.exchange(true)) return std::unexpected(std::string("the terminal is already taken over"));
  std::unique_ptr<Tty> tty(new Tty(in_fd, out_fd, false));
  if (auto taken = tty->take_over(); !taken) return std::unexpected(taken.error());
  return tty;
}

// Called once with g_taken.held set; on failure the destructor undoes what was done.
std::expected<void, std::string> Tty::take_over() {
  termios original{};
  if (::tcgetattr(in_fd_, &original) != 0) return std::unexpected(error_text(errno));
  g_taken.original = original;
  g_taken.in_fd = in_fd_;
  g_taken.out_fd = out_fd_;
  raw_ = original;
  ::cfmakeraw(&raw_);
  raw_.c_cc[VMIN] = 1;
  raw_.c_cc[VTIME] = 0;

  if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) return std::unexpected(error_text(errno));
  g_wake_fd = wake_[1];
  struct ::sigaction action {};
  action.sa_handler = on_winch;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  if (::sigaction(SIGWINCH, &action, &old_winch_) != 0) return std::unexpected(error_text(errno));
  handler_installed_ = true;

  struct ::sigaction ending {};
  ending.sa_handler = on_ending_signal;
  sigemptyset(&ending.sa_mask);
  // On the alternate signal stack where the program set one up: a stack overflow leaves none.
  ending.sa_flags = SA_ONSTACK;
  std::ranges::fill(g_ending_handled, false);
  ending_installed_ = true;
  for (int sig = 1; sig < NSIG; ++sig) {
    if (!ends_the_program(sig)) continue;
    if (::sigaction(sig, nullptr, &g_before_ending[sig]) != 0) return std::unexpected(error_text(errno));
    // A signal the program was started to ignore (a hang-up under nohup) goes on being ignored.
    if (!(g_before_ending[sig].sa_flags & SA_SIGINFO) && g_before_ending[sig].sa_handler == SIG_IGN) continue;
    if (::sigaction(sig, &ending, nullptr) != 0) return std::unexpected(error_text(errno));
    g_ending_handled[sig] = true;
  }
  return resume();
}

Tty::~Tty() {
  leave_terminal();
  if (ending_installed_) {
    for (int sig = 1; sig < NSIG; ++sig)
      if (g_ending_handled[sig]) ::sigaction(sig, &g_before_ending[sig], nullptr);
  }
  if (handler_installed_) ::sigaction(SIGWINCH, &old_winch_, nullptr);
  g_wake_fd = -1;
  for (int fd : wake_) {
    if (fd >= 0) ::close(fd);
  }
  g_taken.in_fd = -1;
  g_taken.out_fd = -1;
  if (owns_in_fd_) ::close(in_fd_);
  g_taken.held = false;
}

std::expected<Size, std::string> Tty::size() {
  winsize ws{};
  if (::ioctl(out_fd_, TIOCGWINSZ, &ws) != 0 && ::ioctl(in_fd_, TIOCGWINSZ, &ws) != 0) {
    return std::unexpected(error_text(errno));
  }
  return Size{ws.ws_col, ws.ws_row};
}

std::expected<void, std::string> Tty::write(std::string_view bytes) {
  if (const int err = write_all(out_fd_, bytes); err != 0) return std::unexpected(error_text(err));
  return {};
}

std::expected<void, std::string> Tty::suspend() {
  if (const int err = leave_terminal(); err != 0) return std::unexpected(error_text(err));
  return {};
}

// Every step is tried whatever the one before did: back from the editor, a terminal whose modes
// cannot be set must still get the alternate screen back, or the frames land in the shell's.
std::expected<void, std::string> Tty::resume() {
  if (g_taken.active) return {};
  const int failed = ::tcsetattr(in_fd_, TCSANOW, &raw_) != 0 ? errno : 0;
  g_taken.active = true;  // from here on a restore must undo it
  auto entered = write(ENTER);
  if (failed != 0) return std::unexpected(error_text(failed));
  return entered;
}

std::expected<bool, std::string> Tty::wait(int timeout_ms, bool& resized) {
  resized = false;
  pollfd fds[2] = {{in_fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
  const int n = ::poll(fds, 2, timeout_ms);
  if (n < 0) {
    if (errno == EINTR) return true;  // a signal; look again
    return std::unexpected(error_text(errno));
  }
  if (n == 0) return false;
  if (fds[1].revents & POLLIN) {
    char drain[64];
    while (::read(wake_[0], drain, sizeof drain) > 0) {
    }
    resized = true;
  }
  if (fds[0].revents & POLLIN) {
    if (auto got = read_input(); !got) return std::unexpected(got.error());
  } else if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
    return std::unexpected(std::string("the terminal was closed"));
  }
  return true;
}

std::expected<void, std::string> Tty::read_input() {
  char buf[4096];
  const ssize_t n = ::read(in_fd_, buf, sizeof buf);
  if (n > 0) {
    pending_.append(buf, static_cast<std::size_t>(n));
    return {};
  }
  if (n == 0) return std::unexpected(std::string("the terminal was closed"));
  if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) return {};
  return std::unexpected(error_text(errno));
}

std::expected<std::optional<Event>, std::string> Tty::poll_event(std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    bool resized = false;
    if (in_paste_) {
      // However long the paste takes to arrive, nothing of it is a key; only so much of it is
      // kept, however large it is.
      const PasteScan scan = scan_paste(pending_);
      paste_.append(pending_, 0, std::min(scan.text_length, MAX_PASTE_BYTES - paste_.size()));
      pending_.erase(0, scan.length);
      if (scan.ended) {
        in_paste_ = false;
        return std::optional<Event>{PasteEvent{std::exchange(paste_, {})}};
      }
    }
    if (!in_paste_ && !pending_.empty()) {
      if (auto decoded = decode_key(pending_, false)) {
        pending_.erase(0, decoded->length);
        in_paste_ = decoded->paste;
        if (decoded->key) return std::optional<Event>{*decoded->key};
        continue;
      }
      // The start of a sequence: give the rest a moment to arrive.
      const auto waited = wait(static_cast<int>(ESCAPE_WAIT.count()), resized);
      if (!waited) return std::unexpected(waited.error());
      if (!*waited) {
        const auto decoded = decode_key(pending_, true);
        pending_.erase(0, decoded->length);
        in_paste_ = decoded->paste;
        if (decoded->key) return std::optional<Event>{*decoded->key};
        continue;
      }
    } else {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      const auto waited = wait(static_cast<int>(std::max<long long>(0, left)), resized);
      if (!waited) return std::unexpected(waited.error());
      if (!*waited) return std::optional<Event>{};
    }
    if (resized) {
      auto now = size();
      if (!now) return std::unexpected(now.error());
      return std::optional<Event>{ResizeEvent{now->width, now->height}};
    }
  }
}

}  // namespace tui
