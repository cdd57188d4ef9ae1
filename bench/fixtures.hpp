#pragma once
// What several benchmark programs build their fixtures with: a private
// scratch directory and git configuration, git runs that must succeed, a
// large work tree, and medians of repeated runs.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "bench_git.hpp"
#include "utils/process.hpp"

namespace bench {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A scratch directory with a HOME of its own, removed at the end. The
// library reads the user's configuration too, so the process's HOME moves
// there as well.
class Scratch {
 public:
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "tarnwick-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::exit(1);
    }
    base_ = pattern;
    home_ = base_ + "/home";
    fs::create_directories(home_);
    ::setenv("HOME", home_.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home_ + "/.config").c_str(), 1);
    ::setenv("GIT_CONFIG_NOSYSTEM", "1", 1);
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(base_, ec);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  const std::string& base() const { return base_; }
  const std::string& home() const { return home_; }

 private:
  std::string base_, home_;
};

inline utils::ProcessResult git(const Scratch& scratch, const std::string& cwd,
                                std::vector<std::string> args) {
  return git(scratch.home(), cwd, std::move(args));
}

inline void must(const utils::ProcessResult& r, const char* what) {
  if (!r.success()) {
    std::fprintf(stderr, "%s failed: %s%s\n", what, r.out.c_str(), r.err.c_str());
    std::exit(1);
  }
}

inline void write_file(const fs::path& p, const std::string& content) {
  std::ofstream(p, std::ios::binary | std::ios::trunc) << content;
}

// A repository of dirs x files_per_dir tracked files of 20 lines under
// src/dN/fM.txt, committed, with one line changed in `changed` files spread
// over the tree, and an index settled so that no entry is racily clean.
struct LargeTree {
  int dirs = 200;
  int files_per_dir = 100;
  int changed = 50;

  std::string file_name(int dir, int file) const {
    return "src/d" + std::to_string(dir) + "/f" + std::to_string(file) + ".txt";
  }

  std::string build(const Scratch& scratch) const {
    const std::string dir = scratch.base() + "/repo";
    fs::create_directories(dir);
    must(git(scratch, dir, {"init", "-q", "-b", "main"}), "git init");
    for (int d = 0; d < dirs; ++d) {
      fs::create_directories(dir + "/src/d" + std::to_string(d));
      for (int f = 0; f < files_per_dir; ++f) {
        std::string content;
        for (int line = 0; line < 20; ++line)
          content +=
              "line " + std::to_string(line) + " of file " + std::to_string(d * files_per_dir + f) + "\n";
        write_file(dir + "/" + file_name(d, f), content);
      }
    }
    must(git(scratch, dir, {"add", "-A"}), "git add");
    must(git(scratch, dir, {"commit", "-q", "-m", "tree"}), "git commit");
    for (int i = 0; i < changed; ++i) {
      const fs::path p = dir + "/" + file_name(i * (dirs / changed), i % files_per_dir);
      std::ifstream in(p);
      std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      content.replace(0, 4, "LINE");
      write_file(p, content);
    }
    settle_index(scratch, dir);
    return dir;
  }

  // Refreshed more than a second after the last write, so no entry's time
  // is too close to the index's to be trusted.
  static void settle_index(const Scratch& scratch, const std::string& dir) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    // Exit status 1 only says that the changed files need updating.
    git(scratch, dir, {"update-index", "-q", "--refresh", "--force-write-index"});
  }
};

// The median of `runs` timed runs after one to warm the caches.
inline double median_ms(const std::function<void()>& run, int runs = 15) {
  run();
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    run();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace bench
