#pragma once
// What the log's remote and outside-program commands are tested with: a HOME
// of their own for the program's git runs, no askpass, a bare "origin", and
// stand-in programs first on PATH (support/fake_programs.hpp). The event loop carries a worker's result
// into the state (support/loop_session.hpp).

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "log_fixture.hpp"
#include "support/env_guard.hpp"
#include "support/fake_programs.hpp"
#include "support/loop_session.hpp"
#include "support/temp_repo.hpp"
#include "support/text.hpp"

namespace app_testing {

using testing_support::EnvGuard;
using testing_support::read_file;
using testing_support::TempDir;
using testing_support::TempRepo;

// The program's own git runs read this HOME: no credential helper, no
// system configuration, and nothing that answers a credential question.
struct HermeticGit {
  TempDir home;
  EnvGuard env{{"HOME", home.path()},         {"XDG_CONFIG_HOME", home.path() + "/.config"},
               {"GIT_CONFIG_NOSYSTEM", "1"},  {"GIT_ASKPASS", std::nullopt},
               {"SSH_ASKPASS", std::nullopt}, {"GIT_TERMINAL_PROMPT", std::nullopt}};
};

// A work repository with one commit on main, pushed to a bare "origin".
struct OriginRepo {
  OriginRepo() {
    std::filesystem::create_directories(origin_dir.path() + "/origin.git");
    work.git({"init", "-q", "--bare", "-b", "main", origin()});
    work.write("f.txt", "one\n").commit("first");
    work.git({"remote", "add", "origin", origin()});
    work.git({"push", "-q", "-u", "origin", "main"});
  }
  std::string origin() const { return origin_dir.path() + "/origin.git"; }

  // A second clone that commits on main and pushes; returns the new commit.
  std::string push_from_elsewhere(const std::string& message) {
    const std::string clone = origin_dir.path() + "/clone";
    if (!std::filesystem::exists(clone)) work.git({"clone", "-q", origin(), clone});
    work.git_in(clone, {"pull", "-q", "--ff-only"});
    std::ofstream(clone + "/elsewhere.txt", std::ios::app) << message << "\n";
    work.git_in(clone, {"add", "elsewhere.txt"});
    work.git_in(clone, {"commit", "-q", "-m", message});
    work.git_in(clone, {"push", "-q", "origin", "main"});
    return work.git_in(clone, {"rev-parse", "HEAD"}).substr(0, 40);
  }

  TempDir origin_dir;
  TempRepo work;
};

// first <- second on main; rows: 0 second, 1 first.
struct TwoCommits {
  TwoCommits() {
    first = t.write("f.txt", "a\n").commit("first");
    second = t.write("f.txt", "b\n").commit("second");
  }
  HermeticGit home;
  TempRepo t;
  std::string first, second;
};

}  // namespace app_testing
