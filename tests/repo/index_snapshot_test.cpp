#include <gtest/gtest.h>

#include "repo/repo.hpp"
#include "support/repositories.hpp"
#include "support/temp_repo.hpp"

namespace {

using testing_support::open_repo;
using testing_support::TempRepo;

TEST(IndexSnapshot, PutsBackEveryEntryStagesAndIntentsIncluded) {
  TempRepo t;
  t.write("c.txt", "base\n").write("f.txt", "f\n").write("run.sh", "#!/bin/sh\n").commit("base");
  t.git({"update-index", "--chmod=+x", "run.sh"});
  t.git({"checkout", "-q", "-b", "side"});
  t.write("c.txt", "side\n").commit("side");
  t.git({"checkout", "-q", "main"});
  t.write("c.txt", "main\n").commit("main");
  ASSERT_FALSE(t.git_result({"merge", "side"}).success());
  t.write("f.txt", "staged\n").write("later.txt", "intent\n");
  t.git({"add", "f.txt"});
  t.git({"add", "-N", "later.txt"});
  const repo::Repo r = open_repo(t);
  const std::string before = t.index_listing();

  auto snapshot = r.snapshot_index();
  ASSERT_TRUE(snapshot) << snapshot.error();
  EXPECT_EQ(snapshot->entries.size(), 6u);  // three stages of c.txt, f.txt, later.txt, run.sh

  // Resolve, unstage and reset behind its back, then put it back.
  t.git({"add", "c.txt"});
  t.git({"rm", "-q", "--cached", "f.txt"});
  t.git({"reset", "-q", "--", "later.txt"});
  ASSERT_NE(t.index_listing(), before);
  ASSERT_TRUE(r.restore_index(*snapshot, {"c.txt", "f.txt", "later.txt"}));
  EXPECT_EQ(t.index_listing(), before);
  EXPECT_NE(t.git({"ls-files", "-u"}), "");
  EXPECT_EQ(t.git({"diff", "--cached", "--name-only"}), "c.txt\nf.txt\n");
  // git sees the same resolve-undo record as before (none) and can go on.
  EXPECT_TRUE(t.git_result({"checkout", "-m", "c.txt"}).success());
}

TEST(IndexSnapshot, AnUnreadableIndexIsAFailure) {
  TempRepo t;
  t.write("f.txt", "f\n").commit("base");
  const repo::Repo r = open_repo(t);
  t.write(".git/index", "not an index");
  EXPECT_FALSE(r.snapshot_index());
}

}  // namespace
