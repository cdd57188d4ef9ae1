// The stages of `tarnwick --debug-graph -a` timed one by one on the
// benchmark repository (BENCH_REPO, or the first argument): the revision
// walk that loads the log, closing the repository (the library frees its
// cache of every object read), the graph layout and the formatting of the
// printed lines. Best of BENCH_RUNS runs (default 3), each on a freshly
// opened repository.

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "commit_graph/graph.hpp"
#include "main/debug_graph.hpp"
#include "repo/git_handle.hpp"
#include "repo/repo.hpp"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const char* env_repo = std::getenv("BENCH_REPO");
  const std::string path = argc > 1 ? argv[1] : env_repo ? env_repo : "";
  if (path.empty()) {
    std::fprintf(stderr, "usage: bench_log REPO (or set BENCH_REPO)\n");
    return 2;
  }
  const char* env_runs = std::getenv("BENCH_RUNS");
  const int runs = std::max(1, env_runs ? std::atoi(env_runs) : 3);

  repo::ensure_libgit2();
  enum Stage { kWalk, kClose, kLayout, kFormat, kStages };
  std::array<double, kStages> best;
  best.fill(std::numeric_limits<double>::max());
  auto keep = [&](Stage stage, double took) { best[stage] = std::min(best[stage], took); };

  std::size_t commits = 0, cells = 0, widest = 0, bytes = 0;
  for (int r = 0; r < runs; ++r) {
    auto handle = repo::open_repository(path);
    if (!handle) {
      std::fprintf(stderr, "bench_log: %s\n", handle.error().c_str());
      return 1;
    }
    auto start = Clock::now();
    auto load = repo::Repo::get_commits(handle->get(), std::nullopt);
    keep(kWalk, seconds_since(start));
    if (!load) {
      std::fprintf(stderr, "bench_log: %s\n", load.error().c_str());
      return 1;
    }
    start = Clock::now();
    handle->reset();
    keep(kClose, seconds_since(start));

    start = Clock::now();
    const auto rows = commit_graph::build_from(load->commits);
    keep(kLayout, seconds_since(start));

    start = Clock::now();
    bytes = 0;
    for (std::size_t i = 0; i < rows.size(); ++i)
      bytes += app::debug_graph_line(load->commits[i], rows[i]).size();
    keep(kFormat, seconds_since(start));

    commits = rows.size(), cells = 0, widest = 0;
    for (const auto& row : rows) cells += row.size(), widest = std::max(widest, row.size());
  }

  std::printf("log stages on %zu commits (best of %d)\n", commits, runs);
  std::printf("  %-44s %7.3f s\n", "walk (Repo::get_commits)", best[kWalk]);
  std::printf("  %-44s %7.3f s\n", "close (the library frees its cache)", best[kClose]);
  std::printf("  %-44s %7.3f s   %zu cells, widest row %zu\n", "layout (commit_graph::build_from)",
              best[kLayout], cells, widest);
  std::printf("  %-44s %7.3f s   %zu bytes\n", "format (debug_graph_line)", best[kFormat], bytes);
  return 0;
}
