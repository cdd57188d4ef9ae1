#pragma once
// Merges, cherry-picks and reverts stopped halfway, as git leaves them, for
// the operations that must end them the way git does.

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/temp_repo.hpp"

namespace testing_support {

// The files a stopped merge, squash merge, cherry-pick or revert leaves in
// the git directory.
inline const std::vector<std::string>& operation_state_files() {
  static const std::vector<std::string> names = {"MERGE_HEAD",       "MERGE_MODE", "MERGE_MSG",
                                                 "MERGE_RR",         "AUTO_MERGE", "SQUASH_MSG",
                                                 "CHERRY_PICK_HEAD", "REVERT_HEAD"};
  return names;
}

inline std::vector<std::string> state_files_present(const TempRepo& t) {
  std::vector<std::string> present;
  for (const auto& name : operation_state_files()) {
    std::error_code ec;
    if (std::filesystem::symlink_status(t.file_path(".git/" + name), ec).type() !=
        std::filesystem::file_type::not_found)
      present.push_back(name);
  }
  return present;
}

// base: f.txt and o.txt. topic (from base) changes f.txt and adds t.txt;
// side (from base) adds s.txt; main changes f.txt twice; other, from main's
// tip, changes only o.txt. HEAD on main. The library's commits get an
// identity from the repository's own configuration.
inline void stopped_history(TempRepo& t) {
  t.set_identity();
  t.write("f.txt", "base\n").write("o.txt", "o\n").commit("base");
  t.git({"checkout", "-q", "-b", "topic"});
  t.write("f.txt", "theirs\n").write("t.txt", "t\n").commit("topic");
  t.git({"checkout", "-q", "-b", "side", "main"});
  t.write("s.txt", "s\n").commit("side");
  t.git({"checkout", "-q", "main"});
  t.write("f.txt", "ours\n").commit("ours");
  t.write("f.txt", "ours again\n").commit("ours again");
  t.git({"checkout", "-q", "-b", "other"});
  t.write("o.txt", "other\n").commit("other");
  t.git({"checkout", "-q", "main"});
}

struct StoppedOperation {
  const char* name;
  std::function<void(TempRepo&)> stop;  // run on stopped_history
};

inline std::vector<StoppedOperation> stopped_operations() {
  auto resolve = [](TempRepo& t) { t.write("f.txt", "resolved\n").git({"add", "f.txt"}); };
  return {
      {"merge --no-commit",
       [](TempRepo& t) {
         t.git({"merge", "-q", "--no-commit", "--no-ff", "side"});
       }},
      {"conflicted merge, resolved and staged",
       [=](TempRepo& t) {
         t.git({"config", "rerere.enabled", "true"});
         t.git_result({"merge", "-q", "topic"});
         resolve(t);
       }},
      {"squash merge",
       [](TempRepo& t) {
         t.git({"merge", "-q", "--squash", "side"});
       }},
      {"conflicted cherry-pick, resolved and staged",
       [=](TempRepo& t) {
         t.git_result({"cherry-pick", "topic"});
         resolve(t);
       }},
      {"conflicted revert, resolved and staged",
       [=](TempRepo& t) {
         t.git_result({"revert", "--no-edit", "main~1"});
         resolve(t);
       }},
  };
}

}  // namespace testing_support
