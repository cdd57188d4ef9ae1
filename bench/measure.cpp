// measure [--runs N] [--stdout FILE] [--] COMMAND [ARG...]
//
// Runs COMMAND N times (default 3), one after another, with standard input
// from /dev/null and standard output to FILE (default /dev/null), and prints
// one line:
//   wall_us=BEST median_us=MEDIAN rss_kb=PEAK user_us=U sys_us=S
// BEST and MEDIAN are wall-clock times in microseconds; PEAK is the lowest
// peak resident set size of the runs (ru_maxrss from wait4, in KiB, which
// also covers the command's own waited-for children); U and S are the CPU
// times of the fastest run. Exits 1 when any run fails, 2 on bad usage.
// Only the C library: the benchmark must not need GNU time.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Run {
  long long wall_us = 0;
  long long rss_kb = 0;
  long long user_us = 0;
  long long sys_us = 0;
};

long long micros(const timeval& tv) { return static_cast<long long>(tv.tv_sec) * 1000000 + tv.tv_usec; }

int usage() {
  std::fprintf(stderr, "usage: measure [--runs N] [--stdout FILE] [--] COMMAND [ARG...]\n");
  return 2;
}

// One run; false (with a message) when the command cannot start or fails.
bool run_once(char** argv, const char* out_path, Run& run) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) {
    std::fprintf(stderr, "measure: fork: %s\n", std::strerror(errno));
    return false;
  }
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(out_path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0) {
      std::fprintf(stderr, "measure: %s: %s\n", out_path, std::strerror(errno));
      _exit(127);
    }
    close(in);
    close(out);
    execvp(argv[0], argv);
    std::fprintf(stderr, "measure: %s: %s\n", argv[0], std::strerror(errno));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, 0, &usage) < 0) {
    if (errno != EINTR) {
      std::fprintf(stderr, "measure: wait4: %s\n", std::strerror(errno));
      return false;
    }
  }
  const auto end = std::chrono::steady_clock::now();
  if (WIFSIGNALED(status)) {
    std::fprintf(stderr, "measure: %s ended by signal %d\n", argv[0], WTERMSIG(status));
    return false;
  }
  if (WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "measure: %s exited with status %d\n", argv[0], WEXITSTATUS(status));
    return false;
  }
  run.wall_us = std::chrono::duration_cast<std::chrono::microseconds>(end - start).count();
  run.rss_kb = usage.ru_maxrss;
  run.user_us = micros(usage.ru_utime);
  run.sys_us = micros(usage.ru_stime);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 3;
  const char* out_path = "/dev/null";
  int i = 1;
  for (; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") {
      ++i;
      break;
    }
    if (arg == "--runs" && i + 1 < argc) {
      char* end = nullptr;
      const long n = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || n < 1 || n > 1000) return usage();
      runs = static_cast<int>(n);
    } else if (arg == "--stdout" && i + 1 < argc) {
      out_path = argv[++i];
    } else if (arg.starts_with("-")) {
      return usage();
    } else {
      break;
    }
  }
  if (i >= argc) return usage();

  std::vector<Run> results;
  for (int r = 0; r < runs; ++r) {
    Run run;
    if (!run_once(argv + i, out_path, run)) return 1;
    results.push_back(run);
  }
  std::vector<long long> walls;
  for (const Run& r : results) walls.push_back(r.wall_us);
  std::sort(walls.begin(), walls.end());
  const Run& best = *std::min_element(results.begin(), results.end(),
                                      [](const Run& a, const Run& b) { return a.wall_us < b.wall_us; });
  long long rss = results.front().rss_kb;
  for (const Run& r : results) rss = std::min(rss, r.rss_kb);
  std::printf("wall_us=%lld median_us=%lld rss_kb=%lld user_us=%lld sys_us=%lld\n", best.wall_us,
              walls[walls.size() / 2], rss, best.user_us, best.sys_us);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
