#pragma once
// A repository with several local and remote-tracking branches, for the
// branch-name prompts' tests.

#include <string>

#include "support/temp_repo.hpp"

namespace app_testing {

// main and topic at the newest commit, other at the first; remote-tracking
// alpha and beta at the newest.
struct BranchRepo {
  BranchRepo() {
    first = temp.commit("first");
    newest = temp.write("a.txt", "a\n").commit("second");
    temp.git({"branch", "topic"});
    temp.git({"branch", "other", first});
    temp.git({"branch", "feature-a"});
    temp.git({"branch", "feature-b"});
    temp.git({"branch", "fix"});
    temp.git({"update-ref", "refs/remotes/origin/alpha", newest});
    temp.git({"update-ref", "refs/remotes/origin/beta", newest});
  }

  testing_support::TempRepo temp;
  std::string first, newest;
};

}  // namespace app_testing
