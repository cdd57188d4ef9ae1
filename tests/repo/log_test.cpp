#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unordered_map>

#include "repo/repo.hpp"
#include "support/repositories.hpp"
#include "support/temp_repo.hpp"

namespace {

using repo::BranchName;
using repo::Commit;
using repo::HeadBranch;
using repo::HeadDetached;
using repo::Oid;
using repo::Repo;
using testing_support::oid_of;
using testing_support::open_repo;
using testing_support::summaries;
using testing_support::TempRepo;

TEST(RepoLog, EmptyRepositoryHasUnbornHead) {
  TempRepo t;
  Repo r = open_repo(t.path());
  EXPECT_TRUE(r.commits.empty());
  EXPECT_TRUE(r.graph.empty());
  EXPECT_FALSE(r.has_more);
  EXPECT_TRUE(r.branches.empty());
  EXPECT_EQ(r.head, repo::HeadState(HeadDetached{Oid::zero()}));
  EXPECT_EQ(r.head_sha(), Oid::zero());
  EXPECT_EQ(r.name, "repo");
  EXPECT_FALSE(r.cut_short);
}

TEST(RepoLog, LimitCutsTheWalk) {
  TempRepo t;
  for (int i = 0; i < 5; ++i) t.write("f", std::to_string(i)).commit("c" + std::to_string(i));
  struct Case {
    std::optional<std::uint64_t> limit;
    std::size_t count;
    bool has_more;
  };
  const Case cases[] = {
      {std::nullopt, 5, false}, {5, 5, false}, {6, 5, false}, {4, 4, true}, {1, 1, true}, {0, 0, true},
      {UINT64_MAX, 5, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.limit ? std::to_string(*c.limit) : "none");
    Repo r = open_repo(t.path(), c.limit);
    EXPECT_EQ(r.commits.size(), c.count);
    EXPECT_EQ(r.graph.size(), c.count);
    EXPECT_EQ(r.has_more, c.has_more);
    EXPECT_EQ(r.limit, c.limit);
    if (c.count > 0) {
      EXPECT_EQ(r.commits.front().summary, "c4");
    }
  }
}

TEST(RepoLog, CommitFieldsAndHead) {
  TempRepo t;
  const std::string root = t.write("f", "1").commit("first\n\nbody text");
  const std::string second = t.write("f", "2").commit("second   line\nwrapped");
  Repo r = open_repo(t.path());
  ASSERT_EQ(r.commits.size(), 2u);
  const auto& c = r.commits[0];
  EXPECT_EQ(c.id.hex(), second);
  EXPECT_EQ(c.summary, "second   line wrapped");
  EXPECT_EQ(c.author, "Test Author");
  EXPECT_EQ(c.time, 1700000060);
  ASSERT_EQ(c.parent_ids.size(), 1u);
  EXPECT_EQ(c.parent_ids[0].hex(), root);
  EXPECT_TRUE(r.commits[1].parent_ids.empty());
  EXPECT_EQ(r.head, repo::HeadState(HeadBranch{"main"}));
  EXPECT_EQ(r.head_sha().hex(), second);
}

TEST(RepoLog, DetachedHeadOutsideEveryBranchIsListed) {
  TempRepo t;
  t.write("f", "1").commit("one");
  t.git({"checkout", "-q", "--detach"});
  const std::string loose = t.write("f", "2").commit("loose");
  Repo r = open_repo(t.path());
  EXPECT_EQ(summaries(r), (std::vector<std::string>{"loose", "one"}));
  EXPECT_EQ(r.head, repo::HeadState(HeadDetached{oid_of(loose)}));
  EXPECT_EQ(r.head_sha().hex(), loose);
  EXPECT_FALSE(r.cut_short);
}

TEST(RepoLog, BranchMapSkipsRemoteHeadAndKeepsTheLaterDuplicate) {
  TempRepo t;
  const std::string a = t.write("f", "1").commit("a");
  const std::string b = t.write("f", "2").commit("b");
  t.git({"update-ref", "refs/remotes/origin/main", a});
  t.git({"symbolic-ref", "refs/remotes/origin/HEAD", "refs/remotes/origin/main"});
  t.git({"branch", "feature/x", a});
  Repo r = open_repo(t.path());
  EXPECT_EQ(r.branches.size(), 3u);
  EXPECT_EQ(r.branches.at(BranchName{"main"}).hex(), b);
  EXPECT_EQ(r.branches.at(BranchName{"origin/main"}).hex(), a);
  EXPECT_EQ(r.branches.at(BranchName{"feature/x"}).hex(), a);
  EXPECT_FALSE(r.branches.contains(BranchName{"origin/HEAD"}));

  // A local branch named like the remote-tracking one: one entry.
  t.git({"branch", "origin/main", b});
  r = open_repo(t.path());
  EXPECT_EQ(r.branches.size(), 3u);
  const std::string got = r.branches.at(BranchName{"origin/main"}).hex();
  EXPECT_TRUE(got == a || got == b);
}

TEST(RepoLog, NamesFromTheWorkDirectory) {
  TempRepo t;
  t.write("f", "1").commit("a");
  EXPECT_EQ(open_repo(t.path()).name, "repo");
  Repo via_git_dir = open_repo(t.path() + "/.git");
  EXPECT_EQ(via_git_dir.name, "repo");
  EXPECT_EQ(via_git_dir.workdir, std::filesystem::canonical(t.path()).string());
  EXPECT_EQ(via_git_dir.workdir_path("a/b"), via_git_dir.workdir + "/a/b");

  const std::string bare = t.path() + "/../bare.git";
  t.git({"clone", "-q", "--bare", t.path(), bare});
  Repo b = open_repo(bare);
  EXPECT_EQ(b.name, "unknown");
  EXPECT_TRUE(b.workdir.empty());
  EXPECT_EQ(b.commits.size(), 1u);

  const std::string odd = t.path() + "/../bad\xFFname";
  t.git({"init", "-q", odd});
  EXPECT_EQ(open_repo(odd).name, "unknown");
}

TEST(RepoLog, InvalidUtf8AuthorAndSummaryBecomeEmpty) {
  TempRepo t;
  const std::string base = t.write("f", "1").commit("base");
  const std::string tree = t.rev_parse("HEAD^{tree}");
  const std::string raw = "tree " + tree + "\nparent " + base +
                          "\nauthor Bad\xFFName <a@b> 1700000100 +0000\n"
                          "committer C <c@d> 1700000100 +0000\n\nsum\xFEmary\n";
  std::string made = t.git({"hash-object", "-t", "commit", "-w", "--stdin"}, raw);
  made.pop_back();
  t.git({"update-ref", "refs/heads/main", made});
  Repo r = open_repo(t.path());
  ASSERT_EQ(r.commits.size(), 2u);
  EXPECT_EQ(r.commits[0].id.hex(), made);
  EXPECT_EQ(r.commits[0].author, "");
  EXPECT_EQ(r.commits[0].summary, "");
  EXPECT_EQ(r.commits[1].summary, "base");
}

TEST(RepoLog, InterleavedBranchesGiveOneTopologicalList) {
  TempRepo t;
  t.write("f", "0").commit("root");
  t.git({"branch", "side"});
  for (int i = 0; i < 4; ++i) {
    t.git({"checkout", "-q", "main"});
    t.write("m", std::to_string(i)).commit("main " + std::to_string(i));
    t.git({"checkout", "-q", "side"});
    // Skewed clocks: side commits claim to be older than their parents.
    t.set_next_time(1700000000 - 1000 * (i + 1));
    t.write("s", std::to_string(i)).commit("side " + std::to_string(i));
    t.set_next_time(1700100000 + 100 * i);
  }
  Repo r = open_repo(t.path());
  ASSERT_EQ(r.commits.size(), 9u);
  std::unordered_map<Oid, std::size_t> pos;
  for (std::size_t i = 0; i < r.commits.size(); ++i) ASSERT_TRUE(pos.emplace(r.commits[i].id, i).second);
  for (std::size_t i = 0; i < r.commits.size(); ++i)
    for (const auto& p : r.commits[i].parent_ids) EXPECT_LT(i, pos.at(p));
  EXPECT_EQ(r.commits.back().summary, "root");
}

TEST(RepoLog, ShallowCloneNeitherHangsNorFails) {
  TempRepo t;
  for (int i = 0; i < 4; ++i) t.write("f", std::to_string(i)).commit("c" + std::to_string(i));
  const std::string shallow = t.path() + "/../shallow";
  t.git({"clone", "-q", "--depth", "2", "file://" + t.path(), shallow});
  auto r = Repo::open(shallow, 2000);
  ASSERT_TRUE(r) << r.error().message;
  EXPECT_LE(r->commits.size(), 2u);
  EXPECT_EQ(r->commits.size(), r->graph.size());
}

TEST(RepoRefresh, ReloadsAndKeepsTheModelOnFailure) {
  TempRepo t;
  t.write("f", "1").commit("one");
  Repo r = open_repo(t.path());
  ASSERT_EQ(r.commits.size(), 1u);

  t.write("f", "2").commit("two");
  t.git({"branch", "extra"});
  r.refresh();
  EXPECT_EQ(summaries(r), (std::vector<std::string>{"two", "one"}));
  EXPECT_EQ(r.branches.size(), 2u);
  EXPECT_EQ(r.graph.size(), 2u);

  // A damaged packed-refs file makes the walk fail to set up: keep the last
  // good model rather than ending the session.
  t.write("f", "3").commit("three");
  t.git({"pack-refs", "--all"});
  std::ofstream(t.file_path(".git/packed-refs"), std::ios::app) << "garbage line\n";
  EXPECT_FALSE(Repo::open(t.path(), 2000));
  r.refresh();
  EXPECT_EQ(summaries(r), (std::vector<std::string>{"two", "one"}));

  // The repository gone altogether: nothing changes either.
  std::filesystem::remove_all(t.path());
  r.refresh();
  EXPECT_EQ(r.commits.size(), 2u);
  EXPECT_EQ(r.name, "repo");
}

TEST(RepoRefresh, LimitChangesApplyOnRefresh) {
  TempRepo t;
  for (int i = 0; i < 5; ++i) t.write("f", std::to_string(i)).commit("c" + std::to_string(i));
  Repo r = open_repo(t.path(), 2);
  EXPECT_TRUE(r.has_more);
  r.limit = 4;
  r.refresh();
  EXPECT_EQ(r.commits.size(), 4u);
  EXPECT_TRUE(r.has_more);
  r.limit = std::nullopt;
  r.refresh();
  EXPECT_EQ(r.commits.size(), 5u);
  EXPECT_FALSE(r.has_more);
}

TEST(RepoOpen, FailsWithTheLibraryMessage) {
  testing_support::TempDir d;
  auto r = Repo::open(d.path() + "/nothing", 2000);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error().exit_status, 1);
  EXPECT_TRUE(r.error().message.starts_with("Failed to open repository: ")) << r.error().message;
  // A plain directory inside a repository is not the top of the work tree.
  TempRepo t;
  t.write("sub/f", "1").commit("a");
  EXPECT_FALSE(Repo::open(t.path() + "/sub", 2000));
}

// ---- The graph of a loaded log ----

// Checks that hold for any history: one row per commit, one node per row,
// every lane index inside the row.
void expect_graph_invariants(const std::vector<Commit>& commits, const commit_graph::Graph& rows) {
  ASSERT_EQ(rows.size(), commits.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    SCOPED_TRACE("row " + std::to_string(r));
    int nodes = 0;
    for (std::size_t i = 0; i < rows[r].size(); ++i) {
      if (rows[r][i].glyph == U'●') ++nodes;
      if (rows[r][i].lane) {
        EXPECT_LT(*rows[r][i].lane, rows[r].size());
        EXPECT_EQ(*rows[r][i].lane, i);
      }
    }
    EXPECT_EQ(nodes, 1);
  }
}

// Each commit once, every child above its parents.
void expect_topological(const std::vector<Commit>& commits) {
  std::unordered_map<Oid, std::size_t> pos;
  for (std::size_t i = 0; i < commits.size(); ++i) EXPECT_TRUE(pos.emplace(commits[i].id, i).second);
  for (std::size_t i = 0; i < commits.size(); ++i)
    for (const auto& p : commits[i].parent_ids)
      if (auto it = pos.find(p); it != pos.end()) {
        EXPECT_LT(i, it->second);
      }
}

TEST(CommitGraph, HoldsOnRealHistories) {
  testing_support::TempRepo t;
  t.write("f", "0\n").commit("root");
  // Many branches, criss-cross merges and an octopus.
  for (int b = 0; b < 6; ++b) {
    t.git({"checkout", "-q", "-b", "b" + std::to_string(b), "main"});
    for (int k = 0; k < 3; ++k)
      t.write("b" + std::to_string(b), std::to_string(k) + "\n").commit("b" + std::to_string(b));
  }
  t.git({"checkout", "-q", "main"});
  t.write("m", "1\n").commit("main 1");
  t.git({"merge", "-q", "--no-edit", "b0"});
  t.git({"checkout", "-q", "b1"});
  t.git({"merge", "-q", "--no-edit", "main"});
  t.git({"checkout", "-q", "main"});
  t.git({"merge", "-q", "--no-edit", "b1"});
  t.git({"merge", "-q", "--no-edit", "b2", "b3", "b4"});
  t.write("m", "2\n").commit("main 2");

  auto full = repo::Repo::open(t.path(), std::nullopt);
  ASSERT_TRUE(full);
  expect_topological(full->commits);
  expect_graph_invariants(full->commits, full->graph);

  // Cut by the limit, so parents are missing below the last row.
  auto cut = repo::Repo::open(t.path(), 7);
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->commits.size(), 7u);
  EXPECT_TRUE(cut->has_more);
  expect_graph_invariants(cut->commits, cut->graph);
}

}  // namespace
