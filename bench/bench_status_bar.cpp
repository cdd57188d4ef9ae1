// One status bar per frame in each of its costly modes, on the generated
// repository: the branch prompts query the repository on every frame, and
// the search counter and match position run the search over the whole log.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

#include "render/status_bar.hpp"
#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/buffer.hpp"

namespace {

constexpr int kFrames = 30;

double best_frame_ms(const state::State& s, const repo::Repo& r) {
  const bool details = s.commit_details.has_value();
  const render::StatusBarContext context{details, details ? s.details_query : s.search_query, 198,
                                         r.head_sha(), state::Clock::now()};
  double best = 1e300;
  for (int i = 0; i < kFrames; ++i) {
    tui::Buffer buffer({0, 0, 200, 3});
    const auto start = std::chrono::steady_clock::now();
    render::render_status_bar(buffer, buffer.area(), s, r, context);
    const auto end = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double, std::milli>(end - start).count());
  }
  return best;
}

}  // namespace

int main() {
  const char* path = std::getenv("BENCH_REPO");
  if (!path) {
    std::fprintf(stderr, "BENCH_REPO is not set\n");
    return 1;
  }
  const std::pair<const char*, std::function<void(state::State&)>> modes[] = {
      {"idle", [](state::State&) {}},
      {"search prompt", [](state::State& s) { s.searching = true, s.search_query = "fix"; }},
      {"match position", [](state::State& s) { s.search_query = "fix"; }},
      {"create branch", [](state::State& s) { s.creating_branch = true; }},
      {"checkout", [](state::State& s) { s.checking_out = true; }},
      {"rebase target", [](state::State& s) { s.entering_rebase_target = true; }},
      {"move branch", [](state::State& s) { s.selecting_move_branch = true; }},
  };
  for (const std::optional<std::uint64_t> limit :
       {std::optional<std::uint64_t>(2000), std::optional<std::uint64_t>()}) {
    auto opened = repo::Repo::open(path, limit);
    if (!opened) {
      std::fprintf(stderr, "%s\n", opened.error().message.c_str());
      return 1;
    }
    const repo::Repo& r = *opened;
    std::printf("status bar, %zu commits, %zu branches (best of %d frames)\n", r.commits.size(),
                r.branches.size(), kFrames);
    for (const auto& [label, set] : modes) {
      state::State s = state::State::create(r);
      set(s);
      std::printf("  %-16s %9.3f ms\n", label, best_frame_ms(s, r));
    }
  }
  return 0;
}
