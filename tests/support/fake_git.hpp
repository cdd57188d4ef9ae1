#pragma once
// A git first on PATH that writes each run's arguments to a log, one line
// per run, and then hands over to the real git; so a test sees which git
// commands the program ran, and that they still did their work.

#include "support/env_guard.hpp"
#include "support/temp_repo.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace testing_support {

class FakeGit {
 public:
  FakeGit() {
    const std::string real = find_real_git();
    const std::string script = dir_.path() + "/git";
    std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" << log_path() << "'\nexec '" << real
                          << "' \"$@\"\n";
    EXPECT_EQ(::chmod(script.c_str(), 0755), 0);
    const char* path = std::getenv("PATH");
    path_.emplace(std::initializer_list<std::pair<std::string, std::optional<std::string>>>{
        {"PATH", dir_.path() + ":" + (path ? path : "/usr/bin:/bin")}});
  }

  // Every run so far, "args joined by blanks\n" each.
  std::string calls() const {
    std::ifstream in(log_path());
    std::stringstream out;
    out << in.rdbuf();
    return out.str();
  }

 private:
  std::string log_path() const { return dir_.path() + "/calls"; }

  static std::string find_real_git() {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    for (std::string dir; std::getline(dirs, dir, ':');) {
      const std::string candidate = (dir.empty() ? "." : dir) + "/git";
      if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    ADD_FAILURE() << "no git on PATH";
    return "git";
  }

  TempDir dir_;
  std::optional<EnvGuard> path_;
};

}  // namespace testing_support
