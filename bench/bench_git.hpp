#pragma once
// The git program for the benchmark programs: a private HOME, no system
// configuration, fixed identities, the C locale. A git that cannot be
// started ends the program.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "utils/process.hpp"

namespace bench {

inline utils::ProcessResult git(const std::string& home, const std::string& cwd,
                                std::vector<std::string> args) {
  args.insert(args.begin(), "git");
  utils::ProcessOptions options;
  options.cwd = cwd;
  options.set_env = {{"HOME", home},
                     {"XDG_CONFIG_HOME", home + "/.config"},
                     {"GIT_CONFIG_NOSYSTEM", "1"},
                     {"GIT_AUTHOR_NAME", "Bench"},
                     {"GIT_AUTHOR_EMAIL", "bench@example.com"},
                     {"GIT_COMMITTER_NAME", "Bench"},
                     {"GIT_COMMITTER_EMAIL", "bench@example.com"},
                     {"LC_ALL", "C"}};
  options.unset_env = {"GIT_DIR", "GIT_WORK_TREE", "GIT_INDEX_FILE"};
  auto result = utils::run_process(args, options);
  if (!result) {
    std::fprintf(stderr, "cannot run git: %s\n", result.error().c_str());
    std::exit(1);
  }
  return *result;
}

}  // namespace bench
