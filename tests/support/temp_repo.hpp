#pragma once
// A git repository in a temporary directory, driven by the real git program
// with a private HOME, no system config and fixed identities and dates.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "utils/process.hpp"

namespace testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The environment every git run of the tests gets.
std::vector<std::pair<std::string, std::string>> git_env(const std::string& home);

class TempRepo {
 public:
  // init: run "git init -b main" (false leaves an empty directory).
  explicit TempRepo(bool init = true);

  const std::string& path() const { return dir_; }
  std::string file_path(const std::string& relative) const { return dir_ + "/" + relative; }

  TempRepo& write(const std::string& relative, const std::string& content);
  TempRepo& remove(const std::string& relative);
  TempRepo& symlink(const std::string& target, const std::string& relative);
  TempRepo& set_executable(const std::string& relative, bool executable);
  std::string read(const std::string& relative) const;

  // Runs git in the repository; a failure is a test failure. Returns stdout.
  std::string git(std::vector<std::string> args, const std::string& input = {});
  std::string git_in(const std::string& cwd, std::vector<std::string> args, const std::string& input = {});
  // Runs git and returns whatever happened.
  utils::ProcessResult git_result(std::vector<std::string> args, const std::string& input = {});

  // Stages everything and commits with the next fixed date; returns the id.
  std::string commit(const std::string& message);
  // Commits only what is staged (possibly nothing).
  std::string commit_staged(const std::string& message);
  std::string rev_parse(const std::string& rev);
  // The parents git lists for a commit, in order.
  std::vector<std::string> parents(const std::string& rev = "HEAD");
  // The index as git lists it, with the stat data: every entry, or one path's.
  std::string index_listing(const std::string& path = {});

  // `count` empty commits in one line on `branch`, one minute apart, each
  // summary "commit N" (1 is the oldest); with `main_at`, main points at
  // that commit. Made with fast-import: hundreds of commits in a blink.
  void line_of_commits(int count, const std::string& branch = "main",
                       std::optional<int> main_at = std::nullopt);

  // The identity "Commit Maker <maker@example.com>" in the repository's own
  // configuration: the library reads that, not the private HOME the git runs
  // get.
  void set_identity();

  // The fixed committer time the next commit gets.
  std::int64_t next_time() const { return time_; }
  void set_next_time(std::int64_t t) { time_ = t; }

 private:
  TempDir tmp_;
  std::string dir_;
  std::string home_;
  std::int64_t time_ = 1700000000;
};

// A whole file's bytes (empty when it cannot be read), and a file written
// whole, its directories made first.
std::string read_file(const std::string& path);
void write_file(const std::string& path, std::string_view content);

}  // namespace testing_support
