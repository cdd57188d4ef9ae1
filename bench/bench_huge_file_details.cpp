// The details of a commit that adds one large text file (BENCH_HUGE_LINES
// lines of `seq`, 7,000,000 unless said otherwise: 55 MB): how long Enter
// and its first frame, G and a search take in a 200x60 terminal, and the
// memory the process holds after each, beside the size of the diff.

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "action/action.hpp"
#include "action/details_panel.hpp"
#include "fixtures.hpp"
#include "highlight/highlight.hpp"
#include "render/render.hpp"
#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/memory_backend.hpp"
#include "tui/terminal.hpp"

namespace {

constexpr tui::Size kTerminal{200, 60};

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM").
long status_kib(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.starts_with(field + ":")) return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
  return -1;
}

double time_ms(const std::function<void()>& run) {
  const auto start = bench::Clock::now();
  run();
  return std::chrono::duration<double, std::milli>(bench::Clock::now() - start).count();
}

}  // namespace

int main() {
  const char* env_lines = std::getenv("BENCH_HUGE_LINES");
  const long lines = env_lines ? std::strtol(env_lines, nullptr, 10) : 7'000'000;
  bench::Scratch scratch;
  const std::string dir = scratch.base() + "/repo";
  bench::must(bench::git(scratch, scratch.base(), {"init", "-q", dir}), "git init");
  std::size_t bytes = 0;
  {
    std::ofstream out(dir + "/huge.txt", std::ios::binary);
    std::string text;
    for (long n = 1; n <= lines; ++n) {
      text = std::to_string(n) + "\n";
      bytes += text.size();
      out << text;
    }
  }
  bench::must(bench::git(scratch, dir, {"add", "huge.txt"}), "git add");
  bench::must(bench::git(scratch, dir, {"commit", "-qm", "add huge"}), "git commit");

  auto repo = repo::Repo::open(dir, 2000);
  if (!repo || repo->commits.empty()) return 1;
  highlight::prepare_process();
  const long base = status_kib("VmRSS");

  state::State state;
  state.selected = 0;
  tui::MemoryBackend backend{kTerminal};
  backend.keep_output(false);
  tui::Terminal terminal{backend};
  // As the event loop draws: what the panel will show is coloured first.
  const auto frame = [&] {
    action::highlight_details_window(state, kTerminal);
    if (!terminal.draw([&](tui::Frame& f) { render::render(f, state, *repo, state::Clock::now()); }))
      std::exit(1);
  };
  const auto report = [&](const char* what, double ms) {
    const long held = status_kib("VmRSS") - base;
    const struct mallinfo2 heap = mallinfo2();
    std::printf("  %-28s %9.1f ms   held %8.1f MiB (%5.1fx the file)   heap in use %8.1f MiB\n", what, ms,
                held / 1024.0, held * 1024.0 / static_cast<double>(bytes),
                static_cast<double>(heap.uordblks + heap.hblkhd) / 1048576.0);
  };

  std::printf("details of a commit adding a file of %ld lines (%.1f MB) in a %ux%u terminal:\n", lines,
              static_cast<double>(bytes) / 1e6, kTerminal.width, kTerminal.height);
  report("open: Enter and first frame", time_ms([&] {
           action::Action(action::Action::Confirm).execute(state, *repo, terminal);
           frame();
         }));
  report("G and its frame", time_ms([&] {
           action::Action(action::Action::GoBottom).execute(state, *repo, terminal);
           frame();
         }));
  report("search the next to last line", time_ms([&] {
           state.details_query = std::to_string(lines - 1);
           action::find_next_match_in_details(state, kTerminal);
           frame();
         }));
  std::printf("  %-28s %9.1f MiB\n", "peak resident (VmHWM)", status_kib("VmHWM") / 1024.0);
  return 0;
}
