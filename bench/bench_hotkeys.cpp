// One key press and its frame with the hotkey panel shown, beside the same
// without the panel: on a work tree of 20,000 files (the changes fact is a
// work-tree status) and on the generated repository (BENCH_REPO) with the
// selection on a side branch (the ancestry fact). "asked every frame" is the
// panel with none of its facts kept: every query put again on every frame.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "fixtures.hpp"
#include "main/event_loop.hpp"
#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/memory_backend.hpp"

namespace {

constexpr int kPresses = 60;

struct Run {
  repo::Repo repo;
  state::State state;
  tui::MemoryBackend backend{tui::Size{200, 60}};
  tui::Terminal terminal{backend};
  tui::ScriptedEvents events;
  utils::Sender<utils::Signal> watcher_sender;
  utils::Receiver<utils::Signal> watcher;
  app::Session session{state, repo, terminal, events, watcher};

  explicit Run(repo::Repo r) : repo(std::move(r)), state(state::State::create(repo)) {
    auto [tx, rx] = utils::make_channel<utils::Signal>();
    watcher_sender = std::move(tx);
    watcher = std::move(rx);
    backend.keep_output(false);
  }
};

enum class Panel { Hidden, Shown, AskedEveryFrame };

// Milliseconds per key: j pressed kPresses times from the selection, each a
// pass of the loop with its frame; k as many times back, so every run walks
// the same rows.
double per_key(Run& run, Panel panel, std::size_t from) {
  run.state.show_hotkeys = panel != Panel::Hidden;
  const std::vector<bool> marks = run.repo.head_history;
  if (panel == Panel::AskedEveryFrame) run.repo.head_history.clear();
  run.state.panel_facts.reset();
  run.state.selected = from;
  const double ms = bench::median_ms(
      [&] {
        for (char32_t key : {U'j', U'k'}) {
          for (int i = 0; i < kPresses; ++i) {
            if (panel == Panel::AskedEveryFrame) run.state.panel_facts.reset();
            run.events.push(tui::KeyEvent::character(key));
            if (app::run_pass(run.session, std::chrono::milliseconds(0)) == app::Pass::Quit) std::abort();
          }
        }
      },
      panel == Panel::AskedEveryFrame ? 1 : 5);
  run.repo.head_history = marks;
  return ms / (2 * kPresses);
}

void report(const char* what, Run& run, std::size_t from) {
  const double hidden = per_key(run, Panel::Hidden, from);
  const double shown = per_key(run, Panel::Shown, from);
  const double every = per_key(run, Panel::AskedEveryFrame, from);
  std::printf("%s\n", what);
  std::printf("  key and frame, panel hidden              %8.2f ms\n", hidden);
  std::printf("  key and frame, panel shown               %8.2f ms   (+%.2f ms)\n", shown, shown - hidden);
  std::printf("  key and frame, panel asked every frame   %8.2f ms   (+%.2f ms)\n", every, every - hidden);
}

}  // namespace

int main() {
  {
    const bench::Scratch scratch;
    const bench::LargeTree tree;
    const std::string dir = tree.build(scratch);
    auto opened = repo::Repo::open(dir, 2000);
    if (!opened) {
      std::fprintf(stderr, "%s\n", opened.error().message.c_str());
      return 1;
    }
    Run run(std::move(*opened));
    report("hotkey panel, work tree of 20,000 files with 50 changed", run, 0);
  }

  const char* generated = std::getenv("BENCH_REPO");
  if (generated == nullptr) {
    std::printf("hotkey panel on the generated repository: BENCH_REPO not set, skipped\n");
    return 0;
  }
  auto opened = repo::Repo::open(generated, std::nullopt);
  if (!opened) {
    std::fprintf(stderr, "%s\n", opened.error().message.c_str());
    return 1;
  }
  // A local branch's tip outside HEAD's history, far enough down that j has
  // rows to walk.
  std::size_t from = 0;
  for (const auto& [name, tip] : opened->branches) {
    if (name.name.find('/') != std::string::npos) continue;
    for (std::size_t i = 0; i + kPresses < opened->commits.size(); ++i)
      if (opened->commits[i].id == tip && !opened->is_ancestor_of_head_at(i)) from = std::max(from, i);
  }
  const std::size_t commits = opened->commits.size();
  Run run(std::move(*opened));
  const std::string what = "hotkey panel, generated repository, " + std::to_string(commits) +
                           " commits loaded, selection on a side branch at row " + std::to_string(from);
  report(what.c_str(), run, from);
  return 0;
}
