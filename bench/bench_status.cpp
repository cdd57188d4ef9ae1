// Work-tree status on a large tree beside git status on the same tree.
//
// Builds a repository of 20,000 tracked files with 50 of them changed, lets
// the index settle (refreshed more than a second after the last write, so no
// entry's timestamp is too close to the index's to be trusted), then times
// Repo::load_worktree_status, Repo::has_changes, `git status` and
// `git -c core.preloadIndex=false status`; then the same on the tree with
// its changes undone, where has_changes has to look at every file. Prints
// medians and ratios.

#include "bench_git.hpp"
#include "utils/process.hpp"
#include "repo/repo.hpp"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kDirs = 200;
constexpr int kFilesPerDir = 100;  // 20,000 tracked files
constexpr int kChanged = 50;
constexpr int kRuns = 15;

std::string g_home;

utils::ProcessResult git(const std::string& cwd, std::vector<std::string> args) {
  return bench::git(g_home, cwd, std::move(args));
}

void must(const utils::ProcessResult& r, const char* what) {
  if (!r.success()) {
    std::fprintf(stderr, "%s failed: %s%s\n", what, r.out.c_str(), r.err.c_str());
    std::exit(1);
  }
}

std::string file_name(int dir, int file) {
  return "src/d" + std::to_string(dir) + "/f" + std::to_string(file) + ".txt";
}

void write_file(const fs::path& p, const std::string& content) {
  std::ofstream(p, std::ios::binary | std::ios::trunc) << content;
}

std::string build_fixture(const std::string& base) {
  const std::string dir = base + "/repo";
  fs::create_directories(dir);
  must(git(dir, {"init", "-q", "-b", "main"}), "git init");
  for (int d = 0; d < kDirs; ++d) {
    fs::create_directories(dir + "/src/d" + std::to_string(d));
    for (int f = 0; f < kFilesPerDir; ++f) {
      std::string content;
      for (int line = 0; line < 20; ++line)
        content += "line " + std::to_string(line) + " of file " + std::to_string(d * kFilesPerDir + f) + "\n";
      write_file(dir + "/" + file_name(d, f), content);
    }
  }
  must(git(dir, {"add", "-A"}), "git add");
  must(git(dir, {"commit", "-q", "-m", "tree"}), "git commit");
  // Changes spread over the tree: a changed line in one file of every fourth
  // directory.
  for (int i = 0; i < kChanged; ++i) {
    const fs::path p = dir + "/" + file_name(i * (kDirs / kChanged), i % kFilesPerDir);
    std::ifstream in(p);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    content.replace(0, 4, "LINE");
    write_file(p, content);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  // Exit status 1 only says that the changed files need updating.
  git(dir, {"update-index", "-q", "--refresh", "--force-write-index"});
  return dir;
}

double median_ms(const std::function<void()>& run) {
  run();  // warm the caches
  std::vector<double> times;
  for (int i = 0; i < kRuns; ++i) {
    const auto start = Clock::now();
    run();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main() {
  std::string pattern = (fs::temp_directory_path() / "tarnwick-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::string base = pattern;
  g_home = base + "/home";
  fs::create_directories(g_home);
  // The library reads the user's configuration too: keep it private.
  ::setenv("HOME", g_home.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (g_home + "/.config").c_str(), 1);
  ::setenv("GIT_CONFIG_NOSYSTEM", "1", 1);

  const auto build_start = Clock::now();
  const std::string dir = build_fixture(base);
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
    f.git_status = median_ms([&] { must(git(dir, {"status"}), "git status"); });
    f.git_plain = median_ms([&] { must(git(dir, {"-c", "core.preloadIndex=false", "status"}), "git status"); });
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
  must(git(dir, {"checkout", "-q", "--", "."}), "git checkout");
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  git(dir, {"update-index", "-q", "--refresh", "--force-write-index"});
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

  std::error_code ec;
  fs::remove_all(base, ec);
  return 0;
}
