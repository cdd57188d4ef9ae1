#pragma once
// The environment of the program's own git runs in the tests of the
// commands that make commits (revert, rebase): an identity, and no
// configuration of the user running the tests.

#include <optional>
#include <string>

#include "support/env_guard.hpp"

namespace testing_support {

struct ProgramGitEnv {
  // The editor git would start, when it asks for one (unset: git's own choice).
  explicit ProgramGitEnv(std::optional<std::string> editor = std::nullopt)
      : editor_{{"GIT_EDITOR", std::move(editor)}} {}

 private:
  EnvGuard env_{{"GIT_CONFIG_GLOBAL", "/dev/null"},          {"GIT_CONFIG_NOSYSTEM", "1"},
                {"GIT_AUTHOR_NAME", "Program Author"},       {"GIT_AUTHOR_EMAIL", "program@example.com"},
                {"GIT_COMMITTER_NAME", "Program Committer"}, {"GIT_COMMITTER_EMAIL", "program@example.com"}};
  EnvGuard editor_;
};

}  // namespace testing_support
