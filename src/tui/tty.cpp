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

// Process-wide by necessity: the restore that fatal paths call and the signal handlers can
// reach nothing else.
struct Taken {
  std::atomic<bool> held{false};    // a Tty exists
  std::atomic<bool> active{false};  // raw mode and alternate screen are on
  std::atomic<bool> owed{false};    // given back by a stop signal, to be taken again on continuing
  std::atomic<bool> ending{false};  // a signal is ending the program: the terminal stays given back
  std::atomic<int> in_fd{-1};
  std::atomic<int> out_fd{-1};
  termios original{};
  termios raw{};
};
Taken g_taken;
std::atomic<int> g_wake_fd{-1};
// Counts the continues, so a stop handler can tell whether SIGCONT's handler has seen its own.
std::atomic<unsigned> g_continues{0};

// What the self-pipe carries to the event loop.
constexpr char WAKE_RESIZED = 'w';
constexpr char WAKE_TAKEN_BACK = 'c';

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

int set_modes(int fd, const termios& modes) {
  while (::tcsetattr(fd, TCSANOW, &modes) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

// Everything here is async-signal-safe. Returns 0 or the errno of the first failure, but always
// attempts every step; `left` tells whether the terminal was ours to leave.
int leave_terminal(bool* left = nullptr) {
  const bool was_active = g_taken.active.exchange(false);
  if (left != nullptr) *left = was_active;
  if (!was_active) return 0;
  const int saved = errno;
  int failure = write_all(g_taken.out_fd.load(), LEAVE);
  if (const int err = set_modes(g_taken.in_fd.load(), g_taken.original); err != 0 && failure == 0)
    failure = err;
  errno = saved;
  return failure;
}

void wake(char why) {
  const int fd = g_wake_fd.load();
  if (fd >= 0) [[maybe_unused]]
    ssize_t ignored = ::write(fd, &why, 1);
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
  g_taken.ending = true;
  g_taken.owed = false;
  leave_terminal();
  if (sig > 0 && sig < NSIG) ::sigaction(sig, &g_before_ending[sig], nullptr);
  // Delivered once this handler returns (or, for a fault, when the instruction runs again).
  ::raise(sig);
}

void on_winch(int) {
  const int saved = errno;
  wake(WAKE_RESIZED);
  errno = saved;
}

// Job control: a stop signal (kill -TSTP, or a background read or mode change) gives the terminal
// back to the shell before the program stops, and SIGCONT takes it again. SIGCONT is blocked while
// a stop handler runs, so on continuing its handler runs once the stop handler has returned.
constexpr int STOP_SIGNALS[] = {SIGTSTP, SIGTTIN, SIGTTOU};
struct ::sigaction g_before_stop[NSIG];
bool g_stop_handled[NSIG];
struct ::sigaction g_before_cont {};
bool g_cont_handled = false;

// In the foreground of its terminal, or on a terminal that is not the controlling one (where
// job control does not reach).
bool in_foreground() {
  const pid_t group = ::tcgetpgrp(g_taken.in_fd.load());
  return group < 0 || group == ::getpgrp();
}

// Stops the process as the signal's default action does; returns once it is continued (or at
// once where the kernel discards the stop, in an orphaned process group).
void stop_by(int sig) {
  struct ::sigaction stop {
  }, ours{};
  stop.sa_handler = SIG_DFL;
  sigemptyset(&stop.sa_mask);
  ::sigaction(sig, &stop, &ours);
  sigset_t just{};
  sigemptyset(&just);
  sigaddset(&just, sig);
  ::sigprocmask(SIG_UNBLOCK, &just, nullptr);  // the handler's own return blocks nothing again
  ::raise(sig);
  ::sigaction(sig, &ours, nullptr);
}

// Raw mode and the alternate screen again, and the event loop told to paint everything. In the
// background the terminal is the shell's: stop again, as a background job that wants the
// terminal does, until brought to the foreground.
void take_back(int stop_signal) {
  if (g_taken.ending || !g_taken.held) return;
  if (!in_foreground()) {
    if (g_taken.owed || g_taken.active) {
      bool left = false;
      leave_terminal(&left);
      if (left) g_taken.owed = true;
      stop_by(stop_signal);
    }
    return;
  }
  // A terminal never given back may still have been changed meanwhile: stopped by SIGSTOP, which
  // no handler sees, the shell set its own modes and drew its prompt.
  if (!g_taken.owed.exchange(false) && !g_taken.active) return;  // the editor has the terminal
  if (g_taken.ending) return;
  set_modes(g_taken.in_fd.load(), g_taken.raw);
  g_taken.active = true;
  write_all(g_taken.out_fd.load(), ENTER);
  wake(WAKE_TAKEN_BACK);
}

void on_stop_signal(int sig) {
  const int saved = errno;
  const unsigned continues = g_continues.load();
  bool left = false;
  leave_terminal(&left);
  if (left) g_taken.owed = true;
  stop_by(sig);
  // Continued: SIGCONT's handler, pending here, takes the terminal back. A stop the kernel
  // discarded brings no SIGCONT: take it back here.
  sigset_t pending{};
  sigemptyset(&pending);
  ::sigpending(&pending);
  if (!sigismember(&pending, SIGCONT) && g_continues.load() == continues && g_taken.owed) take_back(SIGTTOU);
  errno = saved;
}

void on_continue(int) {
  const int saved = errno;
  ++g_continues;
  take_back(SIGTTOU);
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
  g_taken.raw = raw_;
  g_taken.owed = false;
  g_taken.ending = false;

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
  // Giving the terminal back from the background must not stop the program on its way out, nor
  // a continue take the terminal again meanwhile.
  for (int sig : STOP_SIGNALS) sigaddset(&ending.sa_mask, sig);
  sigaddset(&ending.sa_mask, SIGCONT);
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

  struct ::sigaction job {};
  sigemptyset(&job.sa_mask);
  for (int sig : STOP_SIGNALS) sigaddset(&job.sa_mask, sig);
  sigaddset(&job.sa_mask, SIGCONT);
  // A mode change or a read interrupted by the stop goes on where it was once continued.
  job.sa_flags = SA_RESTART;
  std::ranges::fill(g_stop_handled, false);
  job_installed_ = true;
  job.sa_handler = on_stop_signal;
  for (int sig : STOP_SIGNALS) {
    if (::sigaction(sig, nullptr, &g_before_stop[sig]) != 0) return std::unexpected(error_text(errno));
    // A program started with job control signals ignored (by a shell without job control) does
    // not stop on them.
    if (!(g_before_stop[sig].sa_flags & SA_SIGINFO) && g_before_stop[sig].sa_handler == SIG_IGN) continue;
    if (::sigaction(sig, &job, nullptr) != 0) return std::unexpected(error_text(errno));
    g_stop_handled[sig] = true;
  }
  job.sa_handler = on_continue;
  if (::sigaction(SIGCONT, &job, &g_before_cont) != 0) return std::unexpected(error_text(errno));
  g_cont_handled = true;
  return resume();
}

Tty::~Tty() {
  leave_terminal();
  if (job_installed_) {
    for (int sig : STOP_SIGNALS)
      if (g_stop_handled[sig]) ::sigaction(sig, &g_before_stop[sig], nullptr);
    if (g_cont_handled) ::sigaction(SIGCONT, &g_before_cont, nullptr);
    g_cont_handled = false;
  }
  g_taken.owed = false;
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
  // Given back by a stop: the shell's screen is not ours to draw on; the whole frame is painted
  // again once the terminal is taken back.
  if (g_taken.owed) return {};
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
  const int failed = set_modes(in_fd_, raw_);
  g_taken.active = true;  // from here on a restore must undo it
  auto entered = write(ENTER);
  if (failed != 0) return std::unexpected(error_text(failed));
  return entered;
}

std::expected<bool, std::string> Tty::wait(int timeout_ms, bool& resized) {
  resized = false;
  bool taken_back = false;
  pollfd fds[2] = {{in_fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
  const int n = ::poll(fds, 2, timeout_ms);
  if (n < 0) {
    if (errno == EINTR) return true;  // a signal; look again
    return std::unexpected(error_text(errno));
  }
  if (n == 0) return false;
  if (fds[1].revents & POLLIN) {
    char drain[64];
    for (ssize_t got; (got = ::read(wake_[0], drain, sizeof drain)) > 0;) {
      for (const char why : std::string_view(drain, static_cast<std::size_t>(got))) {
        resized |= why == WAKE_RESIZED;
        taken_back |= why == WAKE_TAKEN_BACK;
      }
    }
  }
  taken_back_ |= taken_back;
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

// g++ 12 takes the events returned through std::optional for uninitialized (a known false
// warning about std::variant); every return constructs its event whole.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
std::expected<std::optional<Event>, std::string> Tty::poll_event(std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    bool resized = false;
    // Before any key: what is typed next lands on the frame painted anew.
    if (std::exchange(taken_back_, false)) return std::optional<Event>{RedrawEvent{}};
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
    if (taken_back_) continue;
    if (resized) {
      auto now = size();
      if (!now) return std::unexpected(now.error());
      return std::optional<Event>{ResizeEvent{now->width, now->height}};
    }
  }
}
#pragma GCC diagnostic pop

}  // namespace tui
