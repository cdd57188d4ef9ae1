#pragma once
// The repository layer's model of a test repository, opened as the program
// opens it, and what the tests read back from a model.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "repo/repo.hpp"
#include "support/temp_repo.hpp"

namespace testing_support {

// The log of at most `limit` commits (none: every one). A repository that
// cannot be opened fails the test and gives an empty model.
inline repo::Repo open_repo(const std::string& path, std::optional<std::uint64_t> limit = 2000) {
  auto r = repo::Repo::open(path, limit);
  EXPECT_TRUE(r) << (r ? "" : r.error().message);
  return r ? std::move(*r) : repo::Repo{};
}

inline repo::Repo open_repo(const TempRepo& t, std::optional<std::uint64_t> limit = 2000) {
  return open_repo(t.path(), limit);
}

// The id of a full hex name the test knows to be well formed.
inline repo::Oid oid_of(const std::string& hex) { return *repo::Oid::from_hex(hex); }

// The log's summaries, top row first.
inline std::vector<std::string> summaries(const repo::Repo& r) {
  std::vector<std::string> out;
  for (const repo::Commit& c : r.commits) out.push_back(c.summary);
  return out;
}

// The log row of the commit with this id.
inline std::size_t row_of(const repo::Repo& r, const std::string& hex) {
  for (std::size_t i = 0; i < r.commits.size(); ++i)
    if (r.commits[i].id.hex() == hex) return i;
  ADD_FAILURE() << "no row for " << hex;
  return 0;
}

// Whether the model lists a branch of this name, local or remote-tracking.
inline bool has_branch(const repo::Repo& r, const std::string& name) {
  return r.branches.contains(repo::BranchName{name});
}

// a.txt goes 1, 2, 3 on main; HEAD on main at "third".
struct LineRepo {
  LineRepo() {
    first = temp.write("a.txt", "1\n").commit("first");
    second = temp.write("a.txt", "2\n").commit("second");
    third = temp.write("a.txt", "3\n").commit("third");
  }

  TempRepo temp;
  std::string first, second, third;
};

}  // namespace testing_support
