// Work-tree status on a large tree beside git status on the same tree.
//
// Builds a repository of 20,000 tracked files with 50 of them changed, lets
// the index settle (refreshed more than a second after the last write, so no
// entry's timestamp is too close to the index's to be trusted), then times
// Repo::load_worktree_status, Repo::has_changes, `git status` and
// `git -c core.preloadIndex=false status`; then the same on the tree with
// its changes undone, where has_changes has to look at every file. Prints
// medians and ratios.

#include <cstdio>
#include <string>

#include "fixtures.hpp"
#include "repo/repo.hpp"

namespace {

using bench::Clock;
using bench::git;
using bench::median_ms;
using bench::must;

constexpr int kRuns = 15;

}  // namespace

int main() {
  const bench::Scratch scratch;
  const bench::LargeTree tree;
  const int kDirs = tree.dirs, kFilesPerDir = tree.files_per_dir, kChanged = tree.changed;

  const auto build_start = Clock::now();
  const std::string dir = tree.build(scratch);
  const double build_s = std::chrono::duration<double>(Clock::now() - build_start).count();

  auto opened = repo::Repo::open(dir, 2000);
  if (!opened) {
    std::fprintf(stderr, "%s\n", opened.error().message.c_str());
    return 1;
  }
  const repo::Repo r = std::move(*opened);
  const auto status = r.load_worktree_status(false);
  if (!status || status->unstaged.size() != static_cast<std::size_t>(kChanged) || !status->staged.empty()) {
    std::fprintf(stderr, "unexpected status: %zu unstaged\n", status ? status->unstaged.size() : 0);
    return 1;
  }

  struct Figures {
    double ours, changes, git_status, git_plain;
  };
  auto measure = [&] {
    Figures f{};
    f.ours = median_ms([&] { (void)r.load_worktree_status(false); });
    f.changes = median_ms([&] { (void)r.has_changes(); });
    f.git_status = median_ms([&] { must(git(scratch, dir, {"status"}), "git status"); });
    f.git_plain = median_ms([&] {
      must(git(scratch, dir, {"-c", "core.preloadIndex=false", "status"}), "git status");
    });
    return f;
  };
  auto print = [](const Figures& f) {
    std::printf("  Repo::load_worktree_status            %8.1f ms\n", f.ours);
    std::printf("  Repo::has_changes                     %8.1f ms\n", f.changes);
    std::printf("  git status                            %8.1f ms\n", f.git_status);
    std::printf("  git -c core.preloadIndex=false status %8.1f ms\n", f.git_plain);
    std::printf("ratios:\n");
    std::printf("  load_worktree_status / git status                 %5.2f\n", f.ours / f.git_status);
    std::printf("  load_worktree_status / git status, no preload     %5.2f\n", f.ours / f.git_plain);
    std::printf("  has_changes / git status, no preload              %5.2f\n", f.changes / f.git_plain);
  };
  const Figures changed = measure();

  // The changes undone: nothing to find, every file to look at.
  must(git(scratch, dir, {"checkout", "-q", "--", "."}), "git checkout");
  bench::LargeTree::settle_index(scratch, dir);
  const auto clean_status = r.load_worktree_status(false);
  if (!clean_status || !clean_status->unstaged.empty() || !clean_status->staged.empty() || r.has_changes()) {
    std::fprintf(stderr, "unexpected status of the clean tree\n");
    return 1;
  }
  const Figures clean = measure();

  std::printf("work tree: %d tracked files, %d changed (built in %.1f s)\n", kDirs * kFilesPerDir, kChanged,
              build_s);
  std::printf("median of %d runs:\n", kRuns);
  print(changed);
  std::printf("the same tree with nothing changed, median of %d runs:\n", kRuns);
  print(clean);
  return 0;
}
