// One frame of the log screen at 200x60 on the benchmark repository
// (BENCH_REPO, or the first argument): with the default limit of 2000
// commits, and with the whole history loaded. The column widths scan every
// loaded commit and graph row on every frame, so the second figure shows
// what that costs; it is also timed on its own. Median and best of batches.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "render/log_table.hpp"
#include "render/render.hpp"
#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/memory_backend.hpp"
#include "tui/terminal.hpp"
#include "viewport/viewport.hpp"

namespace {

using Clock = std::chrono::steady_clock;

template <class Step>
void run(const char* name, int per_batch, Step step) {
  std::vector<double> us;
  for (int batch = 0; batch < 15; ++batch) {
    const auto start = Clock::now();
    for (int i = 0; i < per_batch; ++i) step(i);
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count() / per_batch);
  }
  std::sort(us.begin(), us.end());
  std::printf("  %-46s %9.1f us (best batch %.1f)\n", name, us[us.size() / 2], us[0]);
}

void measure(const std::string& path, std::optional<std::uint64_t> limit) {
  auto opened = repo::Repo::open(path, limit);
  if (!opened) {
    std::fprintf(stderr, "bench_log_table: %s\n", opened.error().message.c_str());
    std::exit(1);
  }
  const repo::Repo& r = *opened;
  state::State s = state::State::create(r);
  std::printf("%zu commits loaded (%s), %zu branches, selection at row %zu\n", r.commits.size(),
              limit ? "limit 2000" : "-a", r.branches.size(), s.selected);

  // The window scrolls through the log so that every frame builds new rows.
  const std::size_t rows = viewport::visible_rows({200, 60}, false);
  const std::size_t span = r.commits.size() > rows ? r.commits.size() - rows : 1;
  tui::Buffer buffer(tui::Rect{0, 0, 200, 60});
  run("render::render into a buffer", 200, [&](int i) {
    s.scroll = static_cast<std::size_t>(i * 37) % span;
    s.selected = s.scroll + 5;
    buffer.reset();
    tui::Frame frame(buffer);
    render::render(frame, s, r, state::Clock::time_point{});
  });
  s.search_query = "merge";
  run("  the same with a search query", 200, [&](int i) {
    s.scroll = static_cast<std::size_t>(i * 37) % span;
    s.selected = s.scroll + 5;
    buffer.reset();
    tui::Frame frame(buffer);
    render::render(frame, s, r, state::Clock::time_point{});
  });
  s.search_query.clear();
  run("  of which the column widths", 200, [&](int) {
    const auto w = render::log_column_widths(r);
    if (w.index == 0) std::abort();
  });
  run("  of which the branch-label map", 200, [&](int) {
    if (render::branches_at_commit(r.branches).size() > r.branches.size()) std::abort();
  });

  tui::MemoryBackend backend({200, 60});
  backend.keep_output(false);
  tui::Terminal terminal(backend);
  run("through the terminal, scrolling one row a frame", 200, [&](int i) {
    s.scroll = static_cast<std::size_t>(i) % span;
    s.selected = s.scroll + 5;
    if (!terminal.draw([&](tui::Frame& f) { render::render(f, s, r, state::Clock::time_point{}); }))
      std::abort();
  });
}

}  // namespace

int main(int argc, char** argv) {
  const char* env_repo = std::getenv("BENCH_REPO");
  const std::string path = argc > 1 ? argv[1] : env_repo ? env_repo : "";
  if (path.empty()) {
    std::fprintf(stderr, "usage: bench_log_table REPO (or set BENCH_REPO)\n");
    return 2;
  }
  measure(path, 2000);
  measure(path, std::nullopt);
  return 0;
}
