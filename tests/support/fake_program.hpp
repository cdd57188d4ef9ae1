#pragma once
// A program first on PATH that writes each run's arguments to a log, one
// line per run, and then runs the rest of its script; so a test sees which
// commands the program ran. PATH is put back when it goes.

#include "support/env_guard.hpp"
#include "support/temp_repo.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <string>

namespace testing_support {

class FakeProgram {
 public:
  // `then`: shell lines run after the arguments are logged.
  FakeProgram(const std::string& name, const std::string& then) {
    const std::string script = dir_.path() + "/" + name;
    std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" << log_path() << "'\n" << then << "\n";
    EXPECT_EQ(::chmod(script.c_str(), 0755), 0);
    const char* path = std::getenv("PATH");
    path_.emplace(std::initializer_list<std::pair<std::string, std::optional<std::string>>>{
        {"PATH", dir_.path() + ":" + (path ? path : "/usr/bin:/bin")}});
  }

  // Every run so far, "arguments joined by blanks\n" each.
  std::string calls() const {
    std::ifstream in(log_path());
    std::stringstream out;
    out << in.rdbuf();
    return out.str();
  }

 private:
  std::string log_path() const { return dir_.path() + "/calls"; }

  TempDir dir_;
  std::optional<EnvGuard> path_;
};

// The program's path as PATH finds it now.
inline std::string find_on_path(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  ADD_FAILURE() << "no " << name << " on PATH";
  return name;
}

// A git that logs its runs and hands over to the real git, so the commands
// still do their work.
inline FakeProgram fake_git() { return FakeProgram("git", "exec '" + find_on_path("git") + "' \"$@\""); }

}  // namespace testing_support
