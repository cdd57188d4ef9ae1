// The staging view on a file with a 20,000-line diff: moving the selection
// onto it (which colours its first rows afresh), scrolling and stepping
// between hunks, one 200x60 frame (which colours what it is about to show),
// the first jump to the end (which colours every line above it), and
// reloading the lists after a change; `git diff` of the same file as the
// yardstick.
//
// The repository: big.cpp of 10,000 lines, every line since changed (one
// hunk, 10,000 lines out and 10,000 in), and small.txt with one change.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "action/action.hpp"
#include "action/commit_view_lists.hpp"
#include "bench_git.hpp"
#include "highlight/highlight.hpp"
#include "render/render.hpp"
#include "repo/repo.hpp"
#include "tui/memory_backend.hpp"
#include "tui/terminal.hpp"
#include "viewport/staging_geometry.hpp"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kLines = 10'000;
constexpr int kRuns = 15;

std::string g_home;

utils::ProcessResult git(const std::string& cwd, std::vector<std::string> args) {
  auto result = bench::git(g_home, cwd, std::move(args));
  if (!result.success()) {
    std::fprintf(stderr, "git failed: %s\n", result.err.c_str());
    std::exit(1);
  }
  return result;
}

std::string cpp_line(int n, bool changed) {
  switch (n % 4) {
    case 0:
      return "  // Keep the selection visible after the reload " + std::to_string(n);
    case 1:
      return "  const std::string name = \"branch-" + std::to_string(n) + (changed ? "x" : "") + "\";";
    case 2:
      return "  for (std::size_t i = 0; i < rows.size(); ++i) total += rows[i].width * " + std::to_string(n) +
             ";";
    default:
      return changed ? "  if (auto found = lookup(name); found) {  /* " + std::to_string(n) + " */"
                     : "  return std::unexpected(\"could not find hunk location\");  // " + std::to_string(n);
  }
}

void write_file(const fs::path& path, bool changed) {
  std::ofstream out(path);
  for (int i = 0; i < kLines; ++i) out << cpp_line(i, changed) << (changed ? " " : "") << "\n";
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double time_ms(const std::function<void()>& step, int runs = kRuns) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    step();
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return median(ms);
}

void press(action::Action::Kind kind, state::State& state, repo::Repo& repo, tui::Terminal& terminal) {
  (void)action::Action(kind).execute(state, repo, terminal);
}

}  // namespace

int main() {
  const fs::path dir = fs::temp_directory_path() / ("tarnwick-bench-staging-" + std::to_string(::getpid()));
  fs::create_directories(dir / "home");
  g_home = (dir / "home").string();
  const std::string work = (dir / "repo").string();
  fs::create_directories(work);
  git(work, {"init", "-q"});
  write_file(work + "/big.cpp", false);
  std::ofstream(work + "/small.txt") << "one\n";
  git(work, {"add", "-A"});
  git(work, {"commit", "-q", "-m", "base"});
  write_file(work + "/big.cpp", true);
  std::ofstream(work + "/small.txt") << "two\n";

  highlight::prepare_process();
  auto opened = repo::Repo::open(work, 2000);
  if (!opened) return 1;
  repo::Repo repo = std::move(*opened);
  state::State state = state::State::create(repo);
  tui::MemoryBackend backend({200, 60});
  backend.keep_output(false);
  tui::Terminal terminal(backend);

  const double load = time_ms([&] { (void)repo.load_worktree_status(false); });
  if (!action::open_commit_view(state, repo)) return 1;
  const state::CommitViewState& view = *state.commit_view;
  if (view.selected_path != "big.cpp" || view.unstaged.front().unstaged_hunks.empty()) return 1;
  std::size_t diff_lines = 0;
  for (const repo::Hunk& h : view.unstaged.front().unstaged_hunks) diff_lines += h.lines.size();

  // Onto big.cpp from small.txt: one key, the whole file coloured afresh.
  std::vector<double> onto;
  for (int i = 0; i < kRuns; ++i) {
    press(action::Action::FocusDown, state, repo, terminal);
    const auto start = Clock::now();
    press(action::Action::FocusUp, state, repo, terminal);
    onto.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  const double away = time_ms([&] {
                        press(action::Action::FocusDown, state, repo, terminal);
                        press(action::Action::FocusUp, state, repo, terminal);
                      }) -
                      median(onto);
  const double highlight_only = time_ms([&] { action::update_staging_highlight(state); });

  // As the event loop draws: the window about to be shown is coloured first.
  const auto draw = [&] {
    action::highlight_staging_window(state, {200, 60});
    if (!terminal.draw([&](tui::Frame& f) { render::render(f, state, repo); })) std::abort();
  };
  // The first jump to the end colours every line above it.
  std::vector<double> to_end;
  for (int i = 0; i < kRuns; ++i) {
    press(action::Action::FocusDown, state, repo, terminal);
    press(action::Action::FocusUp, state, repo, terminal);
    const auto start = Clock::now();
    press(action::Action::GoBottom, state, repo, terminal);
    draw();
    to_end.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    press(action::Action::GoTop, state, repo, terminal);
  }
  const double frame_top = time_ms(draw, 200);
  state.commit_view->diff_scroll = diff_lines / 2;
  const double frame_mid = time_ms(draw, 200);
  const double scroll_key = time_ms(
      [&] {
        press(action::Action::MoveDown, state, repo, terminal);
        draw();
      },
      200);
  const double next_hunk = time_ms([&] { press(action::Action::NextMatch, state, repo, terminal); }, 200);
  const double reload =
      time_ms([&] { action::refresh_commit_view(state, repo, viewport::diff_viewport_height(terminal)); }, 5);
  const double git_diff = time_ms([&] { (void)git(work, {"diff", "--no-color", "--", "big.cpp"}); });

  std::printf("staging view on a %zu-line diff (big.cpp, %d lines changed):\n", diff_lines, kLines);
  std::printf("  %-52s %8.2f ms\n", "selection change onto the file (Ctrl-k)", median(onto));
  std::printf("  %-52s %8.2f ms\n", "  of which colouring its first rows", highlight_only);
  std::printf("  %-52s %8.2f ms\n", "selection change onto a one-line file (Ctrl-j)", away);
  std::printf("  %-52s %8.3f ms\n", "one 200x60 frame, top of the file", frame_top);
  std::printf("  %-52s %8.3f ms\n", "one 200x60 frame, scrolled to the middle", frame_mid);
  std::printf("  %-52s %8.3f ms\n", "j and its frame", scroll_key);
  std::printf("  %-52s %8.2f ms\n", "G and its frame, first time (colours it all)", median(to_end));
  std::printf("  %-52s %8.4f ms\n", "n (next hunk)", next_hunk);
  std::printf("  %-52s %8.2f ms\n", "reload after a change (lists and colouring)", reload);
  std::printf("  %-52s %8.2f ms\n", "  of which the status with hunks", load);
  std::printf("  %-52s %8.2f ms\n", "git diff -- big.cpp", git_diff);
  std::printf("  %-52s %8.2f\n", "selection change / git diff", median(onto) / git_diff);
  std::printf("  %-52s %8.4f\n", "frame / git diff", frame_mid / git_diff);
  fs::remove_all(dir);
  return 0;
}
