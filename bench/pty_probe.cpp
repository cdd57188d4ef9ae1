// pty_probe: a full-screen program in a terminal of its own, timed as a
// user sees it.
//
//   pty_probe [--runs N] [--size COLSxROWS] [--quiet MS] first-frame MARKER -- COMMAND...
//       Starts COMMAND in a new pseudo-terminal N times (default 3) and
//       times each start until MARKER (text without spaces) shows in what it
//       writes; then types q and waits for the end. Prints
//         wall_us=BEST median_us=MEDIAN rss_kb=RSS hwm_kb=PEAK
//       with the resident and peak memory of the program when MARKER showed,
//       or, with --quiet, once it has written nothing for MS milliseconds
//       after that (a load behind the first frame has landed).
//
//   pty_probe [--size COLSxROWS] key-wait --ready MARKER --during SCRIPT
//             --seen MARKER2 -- COMMAND...
//       Starts COMMAND, waits for MARKER, then runs SCRIPT (sh -c) meanwhile
//       typing j and k in turn, each once the frame for the one before has
//       come, and times each key until the program writes again. Goes on
//       until SCRIPT has ended and MARKER2 has shown, and one second more.
//       Prints
//         keys=N max_us=M median_us=D reload_us=R
//       where R runs from the end of SCRIPT to MARKER2.
//
// Text is matched after escape sequences are dropped from the output, so a
// marker must be drawn in one piece (a word, an id).

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long long us_since(Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t).count();
}

int usage() {
  std::fprintf(
      stderr,
      "usage: pty_probe [--runs N] [--size COLSxROWS] [--quiet MS] first-frame MARKER -- COMMAND...\n"
      "       pty_probe [--size COLSxROWS] key-wait --ready M --during SCRIPT --seen M2 -- COMMAND...\n");
  return 2;
}

// The output with escape sequences dropped, kept as it grows.
class Screen {
 public:
  void feed(const char* data, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) step(static_cast<unsigned char>(data[i]));
  }
  bool shows(const std::string& marker) const { return text_.find(marker) != std::string::npos; }
  // The end of what was written, for a failure's message.
  std::string tail(std::size_t n) const { return text_.substr(text_.size() > n ? text_.size() - n : 0); }
  void forget() { text_.clear(); }

 private:
  enum class Mode { Text, Escape, Csi, Osc, Charset };
  void step(unsigned char c) {
    switch (mode_) {
      case Mode::Text:
        if (c == 0x1b)
          mode_ = Mode::Escape;
        else if (c >= 0x20 || c == '\n')
          text_ += static_cast<char>(c);
        break;
      case Mode::Escape:
        mode_ = c == '['                 ? Mode::Csi
                : c == ']'               ? Mode::Osc
                : (c == '(' || c == ')') ? Mode::Charset
                                         : Mode::Text;
        break;
      case Mode::Csi:
        if (c >= 0x40 && c <= 0x7e) mode_ = Mode::Text;
        break;
      case Mode::Osc:
        if (c == 0x07 || c == '\\') mode_ = Mode::Text;
        break;
      case Mode::Charset:
        mode_ = Mode::Text;
        break;
    }
  }
  Mode mode_ = Mode::Text;
  std::string text_;
};

struct Child {
  pid_t pid = -1;
  int fd = -1;
};

Child spawn(char** argv, unsigned short cols, unsigned short rows) {
  winsize size{};
  size.ws_col = cols;
  size.ws_row = rows;
  Child child;
  child.pid = forkpty(&child.fd, nullptr, nullptr, &size);
  if (child.pid < 0) {
    std::perror("pty_probe: forkpty");
    std::exit(1);
  }
  if (child.pid == 0) {
    setenv("TERM", "xterm-256color", 1);
    execvp(argv[0], argv);
    std::fprintf(stderr, "pty_probe: %s: %s\n", argv[0], std::strerror(errno));
    _exit(127);
  }
  return child;
}

// Reads what is there within the time; false once the terminal is closed.
bool pump(const Child& child, Screen& screen, int timeout_ms) {
  pollfd p{child.fd, POLLIN, 0};
  if (poll(&p, 1, timeout_ms) <= 0) return true;
  char buf[65536];
  const ssize_t n = read(child.fd, buf, sizeof buf);
  if (n <= 0) return false;
  screen.feed(buf, static_cast<std::size_t>(n));
  return true;
}

long status_kib(pid_t pid, const char* field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.starts_with(field)) return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
  return -1;
}

// Types q, reads until the terminal closes, kills after two seconds.
void finish(Child& child, Screen& screen) {
  (void)!write(child.fd, "q", 1);
  const auto start = Clock::now();
  while (us_since(start) < 2'000'000 && pump(child, screen, 50)) {
    int status;
    if (waitpid(child.pid, &status, WNOHANG) == child.pid) {
      child.pid = -1;
      break;
    }
  }
  if (child.pid > 0) {
    kill(child.pid, SIGKILL);
    waitpid(child.pid, nullptr, 0);
  }
  close(child.fd);
}

bool wait_for(Child& child, Screen& screen, const std::string& marker, long long timeout_us) {
  const auto start = Clock::now();
  while (!screen.shows(marker)) {
    if (us_since(start) > timeout_us || !pump(child, screen, 20)) return false;
  }
  return true;
}

int first_frame(int runs, unsigned short cols, unsigned short rows, int quiet_ms, const std::string& marker,
                char** argv) {
  std::vector<long long> walls;
  long rss = -1, hwm = -1;
  for (int r = 0; r < runs; ++r) {
    Screen screen;
    const auto start = Clock::now();
    Child child = spawn(argv, cols, rows);
    if (!wait_for(child, screen, marker, 60'000'000)) {
      std::fprintf(stderr, "pty_probe: %s never showed %s; it wrote, last:\n%s\n", argv[0], marker.c_str(),
                   screen.tail(4000).c_str());
      finish(child, screen);
      return 1;
    }
    walls.push_back(us_since(start));
    if (quiet_ms > 0) {
      pollfd p{child.fd, POLLIN, 0};
      while (poll(&p, 1, quiet_ms) > 0 && pump(child, screen, 0)) {
      }
    }
    rss = status_kib(child.pid, "VmRSS:");
    hwm = status_kib(child.pid, "VmHWM:");
    finish(child, screen);
  }
  const long long best = *std::min_element(walls.begin(), walls.end());
  std::sort(walls.begin(), walls.end());
  std::printf("wall_us=%lld median_us=%lld rss_kb=%ld hwm_kb=%ld\n", best, walls[walls.size() / 2], rss, hwm);
  return 0;
}

int key_wait(unsigned short cols, unsigned short rows, const std::string& ready, const std::string& during,
             const std::string& seen, char** argv) {
  Screen screen;
  Child child = spawn(argv, cols, rows);
  if (!wait_for(child, screen, ready, 120'000'000)) {
    std::fprintf(stderr, "pty_probe: %s never showed %s\n", argv[0], ready.c_str());
    finish(child, screen);
    return 1;
  }
  // Let the start settle: nothing is timed before the screen is quiet.
  while (true) {
    pollfd p{child.fd, POLLIN, 0};
    if (poll(&p, 1, 300) <= 0) break;
    pump(child, screen, 0);
  }
  screen.forget();
  const pid_t script = fork();
  if (script == 0) {
    execl("/bin/sh", "sh", "-c", during.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  std::vector<long long> waits;
  std::optional<Clock::time_point> script_end, seen_at;
  bool down = true;
  while (true) {
    if (!script_end) {
      int status;
      if (waitpid(script, &status, WNOHANG) == script) script_end = Clock::now();
    }
    if (script_end && !seen_at && screen.shows(seen)) seen_at = Clock::now();
    if (seen_at && us_since(*seen_at) > 1'000'000) break;
    if (script_end && us_since(*script_end) > 60'000'000) {
      std::fprintf(stderr, "pty_probe: %s never showed %s\n", argv[0], seen.c_str());
      finish(child, screen);
      return 1;
    }
    const char key = down ? 'j' : 'k';
    down = !down;
    const auto typed = Clock::now();
    (void)!write(child.fd, &key, 1);
    pollfd p{child.fd, POLLIN, 0};
    if (poll(&p, 1, 60'000) <= 0) {
      std::fprintf(stderr, "pty_probe: no frame for a key in a minute\n");
      finish(child, screen);
      return 1;
    }
    waits.push_back(us_since(typed));
    // The rest of that frame, then a short pause as a typist makes.
    const auto pause = Clock::now();
    while (us_since(pause) < 20'000) pump(child, screen, 5);
  }
  finish(child, screen);
  const long long most = *std::max_element(waits.begin(), waits.end());
  std::sort(waits.begin(), waits.end());
  std::printf("keys=%zu max_us=%lld median_us=%lld reload_us=%lld\n", waits.size(), most,
              waits[waits.size() / 2],
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::microseconds>(*seen_at - *script_end).count()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  int runs = 3;
  unsigned short cols = 200, rows = 60;
  int quiet_ms = 0;
  int i = 1;
  for (; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--quiet" && i + 1 < argc) {
      quiet_ms = std::max(0, std::atoi(argv[++i]));
    } else if (arg == "--size" && i + 1 < argc) {
      unsigned c = 0, r = 0;
      if (std::sscanf(argv[++i], "%ux%u", &c, &r) != 2 || c == 0 || r == 0) return usage();
      cols = static_cast<unsigned short>(c), rows = static_cast<unsigned short>(r);
    } else {
      break;
    }
  }
  if (i >= argc) return usage();
  const std::string mode = argv[i++];
  std::string marker, ready, during, seen;
  if (mode == "first-frame") {
    if (i >= argc) return usage();
    marker = argv[i++];
  } else if (mode == "key-wait") {
    for (; i + 1 < argc && std::strcmp(argv[i], "--") != 0; i += 2) {
      const std::string opt = argv[i];
      if (opt == "--ready")
        ready = argv[i + 1];
      else if (opt == "--during")
        during = argv[i + 1];
      else if (opt == "--seen")
        seen = argv[i + 1];
      else
        return usage();
    }
    if (ready.empty() || during.empty() || seen.empty()) return usage();
  } else {
    return usage();
  }
  if (i >= argc || std::strcmp(argv[i], "--") != 0 || i + 1 >= argc) return usage();
  char** command = argv + i + 1;
  return mode == "first-frame" ? first_frame(runs, cols, rows, quiet_ms, marker, command)
                               : key_wait(cols, rows, ready, during, seen, command);
}
