// The interactive program's costs on the benchmark repository (BENCH_REPO,
// or the first argument), with the default limit of 2000 commits: from start
// to the first frame (open, UI state, watcher start, centring, one frame into
// a 200x60 screen in memory), one reload (Repo::refresh) with the default
// limit and with the whole history, one frame of the log, and one pass of
// the event loop for a key (j) with its frame. Best of BENCH_RUNS runs
// (default 3).
//
// With --first-frame it starts once, draws the first frame and ends, for the
// case script to time as a process beside git.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

#include "main/command_line.hpp"
#include "main/event_loop.hpp"
#include "render/render.hpp"
#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/memory_backend.hpp"
#include "tui/terminal.hpp"
#include "utils/channel.hpp"
#include "watcher/watcher.hpp"

namespace {

using Clock = std::chrono::steady_clock;

constexpr tui::Size SCREEN{200, 60};

double ms_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Everything start-up does short of taking over a terminal.
struct Started {
  repo::Repo repo;
  state::State state;
  tui::MemoryBackend backend{SCREEN};
  tui::Terminal terminal{backend};
  tui::ScriptedEvents events;
  utils::Receiver<utils::Signal> changes;

  explicit Started(const std::string& path)
      : repo(repo::Repo::open_with_limit(path, app::kDefaultLimit)), state(state::State::create(repo)) {
    backend.keep_output(false);
    changes = watcher::watch_git_dir(path);
    app::Session session = this->session();
    app::show_first_frame(session);
  }
  app::Session session() { return {state, repo, terminal, events, changes}; }
};

double best_of(int runs, const std::function<void()>& step) {
  double best = std::numeric_limits<double>::max();
  for (int r = 0; r < runs; ++r) {
    const auto start = Clock::now();
    step();
    best = std::min(best, ms_since(start));
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const bool first_frame_only = argc > 1 && std::strcmp(argv[1], "--first-frame") == 0;
  const int arg = first_frame_only ? 2 : 1;
  const char* env_repo = std::getenv("BENCH_REPO");
  const std::string path = argc > arg ? argv[arg] : env_repo ? env_repo : "";
  if (path.empty()) {
    std::fprintf(stderr, "usage: bench_loop [--first-frame] REPO (or set BENCH_REPO)\n");
    return 2;
  }
  if (first_frame_only) {
    Started started(path);
    return started.backend.bytes_written() > 0 ? 0 : 1;
  }
  const char* env_runs = std::getenv("BENCH_RUNS");
  const int runs = std::max(1, env_runs ? std::atoi(env_runs) : 3);

  std::size_t loaded = 0;
  const double first_frame = best_of(runs, [&] {
    Started started(path);
    loaded = started.repo.commits.size();
  });

  Started s(path);
  const double refresh = best_of(runs, [&] { s.repo.refresh(); });
  repo::Repo whole = repo::Repo::open_with_limit(path, std::nullopt);
  const std::size_t all = whole.commits.size();
  const double refresh_all = best_of(runs, [&] { whole.refresh(); });

  // Frames that differ from the one before: the selection moves each time.
  const int frames = 200;
  const double frame = best_of(runs,
                               [&] {
                                 for (int i = 0; i < frames; ++i) {
                                   s.state.selected = static_cast<std::size_t>(i % 50);
                                   (void)s.terminal.draw([&](tui::Frame& f) {
                                     render::render(f, s.state, s.repo, state::Clock::now());
                                   });
                                 }
                               }) /
                       frames;
  s.state.selected = 0;
  s.state.scroll = 0;
  app::Session session = s.session();
  const double pass = best_of(runs,
                              [&] {
                                for (int i = 0; i < frames; ++i) {
                                  s.events.push(tui::KeyEvent::character(i % 100 < 50 ? U'j' : U'k'));
                                  app::run_pass(session, std::chrono::milliseconds(0));
                                }
                              }) /
                      frames;

  std::printf("\nlog view, %dx%d screen in memory, best of %d runs\n", SCREEN.width, SCREEN.height, runs);
  std::printf("  start to first frame (%zu commits)   %9.1f ms\n", loaded, first_frame);
  std::printf("  Repo::refresh, limit %llu            %9.1f ms\n",
              static_cast<unsigned long long>(app::kDefaultLimit), refresh);
  std::printf("  Repo::refresh, whole history (%zu) %9.1f ms\n", all, refresh_all);
  std::printf("  one frame of the log                 %9.3f ms\n", frame);
  std::printf("  one pass for a key (j/k) with frame  %9.3f ms\n", pass);
  return 0;
}
