// The log view's n and N over a long log, through the dispatcher, as a key
// press runs them: one search pass from the selection, wrapping.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "action/action.hpp"
#include "tui/memory_backend.hpp"

namespace {

constexpr std::size_t kCommits = 200000;
constexpr int kPasses = 20;

const char* const kWords[] = {"fix",    "parser", "add",   "remove", "refactor", "update", "tests",
                              "render", "branch", "graph", "diff",   "status",   "merge",  "config"};

}  // namespace

int main() {
  std::mt19937_64 rng(7);
  repo::Repo repo;
  repo.commits.resize(kCommits);
  std::int64_t time = 1'700'000'000;
  for (auto& c : repo.commits) {
    for (auto& b : c.id.bytes) b = static_cast<unsigned char>(rng());
    for (int w = 0; w < 4; ++w) c.summary += std::string(w ? " " : "") + kWords[rng() % std::size(kWords)];
    c.author = "Grace Hopper";
    time -= 600 + static_cast<std::int64_t>(rng() % 7200);
    c.time = time;
  }
  repo.commits[kCommits / 2].summary = "the one needle";
  repo.head = repo::HeadDetached{repo.commits[0].id};

  tui::MemoryBackend backend(tui::Size{120, 40});
  tui::Terminal terminal(backend);

  struct Case {
    const char* label;
    const char* query;
    action::Action::Kind key;
  };
  const Case cases[] = {
      {"n, no match", "zzqx", action::Action::NextMatch},
      {"N, no match", "zzqx", action::Action::PrevMatch},
      {"n, one match", "needle", action::Action::NextMatch},
      {"n, every commit", "grace", action::Action::NextMatch},
  };
  std::printf("log keys over %zu commits (best of %d)\n", kCommits, kPasses);
  for (const auto& c : cases) {
    double best = 1e300;
    for (int pass = 0; pass < kPasses; ++pass) {
      state::State state = state::State::create(repo);
      state.search_query = c.query;
      const auto start = std::chrono::steady_clock::now();
      action::Action(c.key).execute(state, repo, terminal);
      const auto end = std::chrono::steady_clock::now();
      best = std::min(best, std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::printf("  %-18s %8.2f ms\n", c.label, best);
  }
}
