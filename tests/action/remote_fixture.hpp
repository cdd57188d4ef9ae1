#pragma once
// What the log's remote and outside-program commands are tested with: a HOME
// of their own for the program's git runs, no askpass, a bare "origin", and
// stand-in programs first on PATH. The event loop carries a worker's result
// into the state (support/loop_session.hpp).

#include "log_fixture.hpp"
#include "support/env_guard.hpp"
#include "support/loop_session.hpp"
#include "support/temp_repo.hpp"
#include "support/text.hpp"

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

namespace app_testing {

using testing_support::EnvGuard;
using testing_support::read_file;
using testing_support::TempDir;
using testing_support::TempRepo;

// The program's own git runs read this HOME: no credential helper, no
// system configuration, and nothing that answers a credential question.
struct HermeticGit {
  TempDir home;
  EnvGuard env{{"HOME", home.path()},
               {"XDG_CONFIG_HOME", home.path() + "/.config"},
               {"GIT_CONFIG_NOSYSTEM", "1"},
               {"GIT_ASKPASS", std::nullopt},
               {"SSH_ASKPASS", std::nullopt},
               {"GIT_TERMINAL_PROMPT", std::nullopt}};
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

// Scripts in a directory of their own first on PATH. Alone on it, no real
// program of the same name can be found (nor git: set the repository up
// first). Each script sets a PATH of its own for the tools it uses.
class FakePrograms {
 public:
  enum Search { Alone, BeforeSystem };
  explicit FakePrograms(Search search = Alone)
      : path_{{"PATH", search == Alone ? dir_.path() : dir_.path() + ":/usr/bin:/bin"}} {}

  // `body` runs under /bin/sh; $LOG names this program's record file.
  void add(const std::string& name, const std::string& body) {
    const std::string script = dir_.path() + "/" + name;
    std::ofstream(script) << "#!/bin/sh\nPATH=/usr/bin:/bin\nLOG='" << log_path(name) << "'\n" << body << "\n";
    ::chmod(script.c_str(), 0755);
  }
  // A program that records its arguments and its input, then exits so.
  void add_recorder(const std::string& name, int status) {
    add(name, "echo \"$@\" > \"$LOG.args\"; cat > \"$LOG\"; exit " + std::to_string(status));
  }
  std::string log_path(const std::string& name) const { return dir_.path() + "/" + name + ".log"; }
  bool ran(const std::string& name) const { return std::filesystem::exists(log_path(name)); }
  std::string log(const std::string& name) const { return read_file(log_path(name)); }
  std::string args(const std::string& name) const { return read_file(log_path(name) + ".args"); }
  const std::string& dir() const { return dir_.path(); }

 private:
  TempDir dir_;
  EnvGuard path_;
};

}  // namespace app_testing
