#pragma once
// What the log's remote and outside-program commands are tested with: a HOME
// of their own for the program's git runs, no askpass, a bare "origin",
// stand-in programs first on PATH, and the event loop to carry a worker's
// result into the state.

#include "log_fixture.hpp"
#include "main/event_loop.hpp"
#include "support/env_guard.hpp"
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

// A session whose passes are the real event loop's.
struct LoopSession : Session {
  using Session::Session;

  // Passes until the push (fetch) is over, so that its result is the status
  // message and the log reloaded as the loop does it.
  template <class Result>
  void finish(std::optional<state::Task<Result>>& task) {
    ASSERT_TRUE(task);
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (task && std::chrono::steady_clock::now() < give_up) {
      app::run_pass(loop);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_FALSE(task) << "the worker never reported";
    // The reload it asked for runs behind the loop; its model comes in at
    // the start of a pass.
    for (int i = 0; i < 100 && loop.loader.busy(); ++i) {
      loop.loader.wait();
      app::run_pass(loop);
    }
    ASSERT_FALSE(loop.loader.busy());
  }
  void finish_push() { finish(state.push_task); }
  void finish_fetch() { finish(state.fetch_task); }
  std::string status() const { return state.status_message ? state.status_message->text : "(none)"; }

  tui::ScriptedEvents events;
  utils::Receiver<utils::Signal> watcher;
  app::Session loop{state, repo, terminal, events, watcher};
};

}  // namespace app_testing
