#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>

#include "repo/git_handle.hpp"
#include "repo/repo.hpp"
#include "stopped_operations.hpp"
#include "support/repositories.hpp"
#include "support/temp_repo.hpp"
#include "support/text.hpp"
#include "work_tree_snapshot.hpp"

namespace {

namespace fs = std::filesystem;
using repo::BranchName;
using repo::HeadBranch;
using repo::HeadDetached;
using repo::HeadState;
using repo::Oid;
using repo::Repo;
using testing_support::lines_of;
using testing_support::oid_of;
using testing_support::open_repo;
using testing_support::snapshot;
using testing_support::TempRepo;

std::vector<std::string> sorted(std::vector<std::string> v) {
  std::ranges::sort(v);
  return v;
}

// main and a branch "other" that changes, adds and deletes files, a mode and
// a link; HEAD on main.
void two_branches(TempRepo& t) {
  t.write("a.txt", "a1\n").write("b.txt", "b\n").write("d.txt", "d\n").write("dir/e.txt", "e\n");
  t.write("run.sh", "#!/bin/sh\n");
  t.set_executable("run.sh", true);
  t.symlink("a.txt", "link");
  t.commit("base");
  t.git({"checkout", "-q", "-b", "other"});
  t.write("a.txt", "a2\n").write("c.txt", "c\n").remove("d.txt").write("dir/f.txt", "f\n");
  t.set_executable("run.sh", false);
  t.symlink("b.txt", "link");
  t.commit("other");
  t.git({"checkout", "-q", "main"});
}

// How our checkout relates to git's. The two cases that differ lose nothing
// either way: a file deleted locally that the target changes is refused (git
// writes the target's version), and a local edit that already equals the
// target is allowed (git refuses it).
enum class Outcome { LikeGit, RefusedUnlikeGit, AllowedUnlikeGit };

// A copy of the whole repository, work tree and all.
void copy_repo(const TempRepo& from, TempRepo& to) {
  fs::copy(from.path(), to.path(), fs::copy_options::recursive | fs::copy_options::copy_symlinks);
}

struct Scenario {
  const char* name;
  std::function<void(TempRepo&)> local_changes;
  Outcome outcome = Outcome::LikeGit;
};

const Scenario kScenarios[] = {
    {"clean", [](TempRepo&) {}},
    {"unrelated edit", [](TempRepo& t) { t.write("b.txt", "mine\n"); }},
    {"unrelated staged edit",
     [](TempRepo& t) {
       t.write("b.txt", "mine\n").git({"add", "b.txt"});
     }},
    {"unrelated deletion", [](TempRepo& t) { t.remove("b.txt"); }},
    {"untracked file", [](TempRepo& t) { t.write("u.txt", "u\n").write("dir/u.txt", "u\n"); }},
    {"same content, new time",
     [](TempRepo& t) {
       t.write("a.txt", "a1\n");
       fs::last_write_time(t.file_path("a.txt"), fs::file_time_type::clock::now() + std::chrono::hours(1));
     }},
    {"edit of a changed file", [](TempRepo& t) { t.write("a.txt", "mine\n"); }},
    {"staged edit of a changed file",
     [](TempRepo& t) {
       t.write("a.txt", "mine\n").git({"add", "a.txt"});
     }},
    {"edit of a file the target deletes", [](TempRepo& t) { t.write("d.txt", "mine\n"); }},
    {"untracked file in the way", [](TempRepo& t) { t.write("c.txt", "mine\n"); }},
    {"untracked file in the way, deeper", [](TempRepo& t) { t.write("dir/f.txt", "mine\n"); }},
    {"mode change of a changed file", [](TempRepo& t) { t.set_executable("run.sh", false); }},
    {"deletion of a changed file", [](TempRepo& t) { t.remove("a.txt"); }, Outcome::RefusedUnlikeGit},
    {"edit to the target's content", [](TempRepo& t) { t.write("a.txt", "a2\n"); },
     Outcome::AllowedUnlikeGit},
    {"staged new file",
     [](TempRepo& t) {
       t.write("n.txt", "n\n").git({"add", "n.txt"});
     }},
    {"ignored file in the way",
     [](TempRepo& t) { t.write(".git/info/exclude", "c.txt\n").write("c.txt", "ignored\n"); }},
};

enum class Target { Branch, Detached };

// The same change in two identical repositories, one by git and one by us:
// both agree on whether it is allowed; an allowed one leaves the same state,
// a refused one leaves ours exactly as it was.
TEST(Checkout, AgreesWithGit) {
  TempRepo history;
  two_branches(history);
  const std::string other = history.rev_parse("other");
  for (const auto& scenario : kScenarios) {
    for (Target target : {Target::Branch, Target::Detached}) {
      SCOPED_TRACE(std::string(scenario.name) + (target == Target::Branch ? ", branch" : ", detached"));
      TempRepo ours(false), oracle(false);
      copy_repo(history, ours);
      copy_repo(history, oracle);
      scenario.local_changes(ours);
      scenario.local_changes(oracle);

      // Where git refuses a harmless change, its forced checkout gives the same result.
      std::vector<std::string> args{"checkout", "-q"};
      if (scenario.outcome == Outcome::AllowedUnlikeGit) args.push_back("-f");
      if (target == Target::Detached) args.push_back("--detach");
      args.push_back(target == Target::Branch ? "other" : other);
      const bool allowed = oracle.git_result(args).success() && scenario.outcome != Outcome::RefusedUnlikeGit;

      std::optional<testing_support::Snapshot> before;
      if (!allowed) before = snapshot(ours);
      Repo r = open_repo(ours.path());
      auto done = target == Target::Branch ? r.checkout_branch("other") : r.checkout_sha(oid_of(other));
      ASSERT_EQ(done.has_value(), allowed) << (done ? "" : done.error());
      if (done) {
        EXPECT_EQ(snapshot(ours), snapshot(oracle));
        EXPECT_EQ(r.head, target == Target::Branch ? HeadState(HeadBranch{"other"})
                                                   : HeadState(HeadDetached{oid_of(other)}));
        EXPECT_EQ(r.head_sha(), oid_of(other));
      } else {
        EXPECT_EQ(snapshot(ours), *before);
        EXPECT_EQ(r.head, HeadState(HeadBranch{"main"}));
        EXPECT_EQ(done.error(), "1 conflict prevents checkout");
      }
    }
  }
}

// HEAD on a branch with no commits yet, nothing tracked, one untracked file.
void unborn_head(TempRepo& t) {
  two_branches(t);
  t.git({"checkout", "-q", "--orphan", "fresh"});
  t.git({"rm", "-rq", "--cached", "."});
  for (const char* p : {"a.txt", "b.txt", "d.txt", "dir", "run.sh", "link"}) t.remove(p);
  t.write("u.txt", "u\n");
}

TEST(Checkout, FromAnUnbornBranch) {
  TempRepo ours, oracle;
  unborn_head(ours);
  unborn_head(oracle);
  Repo r = open_repo(ours.path());
  ASSERT_TRUE(r.checkout_branch("other"));
  oracle.git({"checkout", "-q", "other"});
  EXPECT_EQ(snapshot(ours), snapshot(oracle));

  // HEAD cannot move: the files just written go again.
  TempRepo locked;
  unborn_head(locked);
  locked.write(".git/HEAD.lock", "");
  const auto before = snapshot(locked);
  Repo l = open_repo(locked.path());
  ASSERT_FALSE(l.checkout_branch("other"));
  EXPECT_EQ(snapshot(locked), before);
}

TEST(Checkout, BackAndForthAndReload) {
  TempRepo t, oracle;
  two_branches(t);
  two_branches(oracle);
  Repo r = open_repo(t.path());
  // A commit made behind the model's back shows up after the reload.
  t.git({"checkout", "-q", "other"});
  oracle.git({"checkout", "-q", "other"});
  const std::string tip = t.write("g.txt", "g\n").commit("more");
  oracle.write("g.txt", "g\n").commit("more");
  t.git({"checkout", "-q", "main"});
  oracle.git({"checkout", "-q", "main"});
  ASSERT_EQ(r.commits.size(), 2u);

  const std::string base = t.rev_parse("main");
  ASSERT_TRUE(r.checkout_sha(oid_of(base)));  // detached where a branch also is
  oracle.git({"checkout", "-q", "--detach", base});
  EXPECT_EQ(snapshot(t), snapshot(oracle));
  EXPECT_EQ(r.head, HeadState(HeadDetached{oid_of(base)}));
  EXPECT_EQ(r.commits.size(), 3u);

  ASSERT_TRUE(r.checkout_branch("other"));
  oracle.git({"checkout", "-q", "other"});
  EXPECT_EQ(snapshot(t), snapshot(oracle));
  EXPECT_EQ(r.head_sha(), oid_of(tip));

  ASSERT_TRUE(r.checkout_branch("main"));
  oracle.git({"checkout", "-q", "main"});
  EXPECT_EQ(snapshot(t), snapshot(oracle));
}

TEST(Checkout, NameWithoutLocalBranchLeavesHeadAlone) {
  TempRepo t;
  two_branches(t);
  t.git({"update-ref", "refs/remotes/origin/other", "other"});
  Repo r = open_repo(t.path());
  const auto before = snapshot(t);
  for (const std::string name : {"origin/other", "no-such-branch", "refs/heads/other"}) {
    SCOPED_TRACE(name);
    auto done = r.checkout_branch(name);
    ASSERT_FALSE(done);
    // What the library says when asked for that local branch.
    auto handle = repo::open_repository(t.path());
    ASSERT_TRUE(handle);
    git_reference* ref = nullptr;
    ASSERT_NE(git_branch_lookup(&ref, handle->get(), name.c_str(), GIT_BRANCH_LOCAL), 0);
    EXPECT_EQ(done.error(), repo::last_git_error());
    EXPECT_EQ(snapshot(t), before);
    EXPECT_EQ(r.head, HeadState(HeadBranch{"main"}));
  }
}

TEST(Checkout, HeadThatCannotMovePutsTheFilesBack) {
  TempRepo t;
  two_branches(t);
  t.write("b.txt", "mine\n").write("u.txt", "u\n");
  t.write(".git/HEAD.lock", "");
  const auto before = snapshot(t);
  Repo r = open_repo(t.path());
  for (bool detached : {false, true}) {
    SCOPED_TRACE(detached);
    auto done = detached ? r.checkout_sha(oid_of(t.rev_parse("other"))) : r.checkout_branch("other");
    ASSERT_FALSE(done);
    EXPECT_NE(done.error().find("HEAD.lock"), std::string::npos) << done.error();
    EXPECT_EQ(snapshot(t), before);
    EXPECT_EQ(r.head, HeadState(HeadBranch{"main"}));
  }
}

// main with file.txt at its third version and a directory sub/ added last, a branch "old" two
// commits back; an unrelated local edit and an untracked file.
void main_ahead_of_old(TempRepo& t) {
  t.write("file.txt", "one\n").write("keep.txt", "keep\n").commit("one");
  t.write("file.txt", "two\n").commit("two");
  t.git({"branch", "old"});
  t.write("file.txt", "three\n").commit("three");
  t.write("sub/only-in-main.txt", "main\n").commit("sub");
  t.write("keep.txt", "mine\n").write("untracked.txt", "u\n");
}

// The file's identity and time: unchanged only when nothing wrote it.
std::pair<ino_t, std::int64_t> written_state(const TempRepo& t, const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(t.file_path(path).c_str(), &st), 0) << path;
  return {st.st_ino, std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec};
}

// Another git holding a lock the checkout needs, or a local edit the checkout would overwrite:
// refused before any file is written, and nothing changes.
TEST(Checkout, ARefusalWritesNothing) {
  struct Case {
    const char* name;
    std::function<void(TempRepo&)> setup;
    std::string message;  // what the refusal says, in the library's words
  };
  const Case cases[] = {
      {"index.lock", [](TempRepo& t) { t.write(".git/index.lock", ""); },
       "the index is locked; this might be due to a concurrent or crashed process"},
      {"HEAD.lock", [](TempRepo& t) { t.write(".git/HEAD.lock", ""); }, "HEAD.lock"},
      {"local edit", [](TempRepo& t) { t.write("file.txt", "mine\n"); }, "conflict prevents checkout"},
  };
  for (const auto& c : cases) {
    for (bool detached : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (detached ? ", detached" : ", branch"));
      TempRepo t;
      main_ahead_of_old(t);
      c.setup(t);
      const auto before = snapshot(t);
      const auto file = written_state(t, "file.txt");
      const auto sub = written_state(t, "sub/only-in-main.txt");
      Repo r = open_repo(t.path());
      auto done = detached ? r.checkout_sha(oid_of(t.rev_parse("old"))) : r.checkout_branch("old");
      ASSERT_FALSE(done);
      EXPECT_NE(done.error().find(c.message), std::string::npos) << done.error();
      EXPECT_EQ(snapshot(t), before);
      EXPECT_EQ(written_state(t, "file.txt"), file);
      EXPECT_EQ(written_state(t, "sub/only-in-main.txt"), sub);
      EXPECT_EQ(t.read("sub/only-in-main.txt"), "main\n");
      EXPECT_EQ(r.head, HeadState(HeadBranch{"main"}));
    }
  }
  // As git shows it: only the user's own changes.
  TempRepo t;
  main_ahead_of_old(t);
  t.write(".git/index.lock", "");
  Repo r = open_repo(t.path());
  ASSERT_FALSE(r.checkout_branch("old"));
  EXPECT_EQ(t.git({"status", "--porcelain"}), " M keep.txt\n?? untracked.txt\n");
  EXPECT_EQ(t.read("file.txt"), "three\n");
}

// A checkout that fails once it has begun writing (here on a name too long for the file system,
// after file.txt is written and sub/ removed) puts back what it wrote.
TEST(Checkout, AFailedWritePutsTheFilesBack) {
  for (bool detached : {false, true}) {
    SCOPED_TRACE(detached ? "detached" : "branch");
    TempRepo t;
    main_ahead_of_old(t);
    const std::string blob = t.git({"hash-object", "-w", "--stdin"}, "x\n").substr(0, 40);
    std::string tree = t.git({"ls-tree", "old"});
    tree += "100644 blob " + blob + "\t" + std::string(300, 'z') + "\n";
    const std::string broken_tree = t.git({"mktree"}, tree).substr(0, 40);
    const std::string broken = t.git({"commit-tree", "-p", "old", "-m", "broken", broken_tree}).substr(0, 40);
    t.git({"branch", "broken", broken});
    const auto before = snapshot(t);
    Repo r = open_repo(t.path());
    auto done = detached ? r.checkout_sha(oid_of(broken)) : r.checkout_branch("broken");
    ASSERT_FALSE(done);
    EXPECT_NE(done.error().find("File name too long"), std::string::npos) << done.error();
    EXPECT_EQ(t.git({"status", "--porcelain"}), " M keep.txt\n?? untracked.txt\n");
    EXPECT_EQ(snapshot(t), before);
    EXPECT_EQ(t.read("file.txt"), "three\n");
    EXPECT_EQ(t.read("sub/only-in-main.txt"), "main\n");
    EXPECT_EQ(r.head, HeadState(HeadBranch{"main"}));
  }
}

// The library refuses to move HEAD once files and index are written: the branch is checked out
// in another work tree. Both go back, and an edit of the user's that already equals the target's
// version is still theirs, unstaged.
TEST(Checkout, AHeadTheLibraryRefusesPutsFilesAndIndexBack) {
  TempRepo t;
  main_ahead_of_old(t);
  testing_support::TempDir elsewhere;
  t.git({"worktree", "add", "-q", elsewhere.path() + "/wt", "old"});
  t.write("file.txt", "two\n");
  const auto before = snapshot(t);
  Repo r = open_repo(t.path());
  auto done = r.checkout_branch("old");
  ASSERT_FALSE(done);
  EXPECT_NE(done.error().find("linked repository"), std::string::npos) << done.error();
  EXPECT_EQ(t.git({"status", "--porcelain"}), " M file.txt\n M keep.txt\n?? untracked.txt\n");
  EXPECT_EQ(snapshot(t), before);
  EXPECT_EQ(t.read("file.txt"), "two\n");
  EXPECT_EQ(r.head, HeadState(HeadBranch{"main"}));
}

TEST(Checkout, UnknownCommit) {
  TempRepo t;
  two_branches(t);
  const auto before = snapshot(t);
  Repo r = open_repo(t.path());
  auto done = r.checkout_sha(oid_of("0123456789012345678901234567890123456789"));
  ASSERT_FALSE(done);
  EXPECT_EQ(snapshot(t), before);
}

// A checkout ends whatever merge, cherry-pick or revert was stopped, as git
// checkout does: the next commit on the branch checked out must not take in
// the commit that was being merged.
TEST(Checkout, EndsAStoppedOperationAsGitDoes) {
  for (const auto& op : testing_support::stopped_operations()) {
    for (Target target : {Target::Branch, Target::Detached}) {
      SCOPED_TRACE(std::string(op.name) + (target == Target::Branch ? ", branch" : ", detached"));
      TempRepo ours, oracle;
      for (TempRepo* t : {&ours, &oracle}) {
        testing_support::stopped_history(*t);
        op.stop(*t);
      }
      ASSERT_FALSE(testing_support::state_files_present(ours).empty());
      const std::string other = ours.rev_parse("other");

      Repo r = open_repo(ours.path());
      auto done = target == Target::Branch ? r.checkout_branch("other") : r.checkout_sha(oid_of(other));
      ASSERT_TRUE(done) << done.error();
      oracle.git(target == Target::Branch ? std::vector<std::string>{"checkout", "-q", "other"}
                                          : std::vector<std::string>{"checkout", "-q", "--detach", other});
      EXPECT_EQ(testing_support::state_files_present(ours), testing_support::state_files_present(oracle));
      EXPECT_EQ(snapshot(ours), snapshot(oracle));

      auto next = r.commit("next");
      ASSERT_TRUE(next) << next.error();
      EXPECT_EQ(ours.parents("HEAD"), std::vector<std::string>{other});
    }
  }
}

// git says nothing when it cannot remove one; the user must learn that the
// merge is still recorded.
TEST(Checkout, AStateFileThatCannotBeRemovedIsReported) {
  TempRepo t;
  testing_support::stopped_history(t);
  t.git({"merge", "-q", "--no-commit", "--no-ff", "side"});
  t.remove(".git/MERGE_MSG").write(".git/MERGE_MSG/held", "x\n");
  Repo r = open_repo(t.path());
  auto done = r.checkout_branch("other");
  ASSERT_FALSE(done);
  EXPECT_EQ(done.error(), "checked out, but could not remove MERGE_MSG: Is a directory (os error 21)");
  // The checkout itself stands, and the rest of the merge is gone.
  EXPECT_EQ(r.head, HeadState(HeadBranch{"other"}));
  EXPECT_EQ(t.git({"symbolic-ref", "HEAD"}), "refs/heads/other\n");
  EXPECT_EQ(testing_support::state_files_present(t), std::vector<std::string>{"MERGE_MSG"});
}

TEST(Branches, CreateAndDelete) {
  TempRepo t;
  two_branches(t);
  t.git({"update-ref", "refs/remotes/origin/main", "main"});
  t.git({"worktree", "add", "-q", "-b", "elsewhere", t.path() + "-wt", "main"});
  const std::string base = t.rev_parse("main");
  Repo r = open_repo(t.path());
  // Changes made behind the model's back: only the branch map is reloaded.
  t.write("x", "x\n").commit("not reloaded");
  const std::size_t loaded = r.commits.size();
  const std::string refs_before = t.git({"for-each-ref"});

  struct Case {
    const char* op;
    std::string name;
    std::string fails_with;  // the library's message; empty: succeeds
  };
  const Case cases[] = {
      {"create", "feature", ""},
      {"create", "topic/x", ""},
      {"create", "main",
       "failed to write reference 'refs/heads/main': a reference with that name already exists."},
      {"create", "bad..name", "the given reference name 'refs/heads/bad..name' is not valid"},
      {"create", "", "the given reference name 'refs/heads/' is not valid"},
      {"create", "-x", "'-x' is not a valid branch name"},
      {"delete", "main",
       "cannot delete branch 'refs/heads/main' as it is the current HEAD of the repository."},
      // Checked out in another work tree.
      {"delete", "elsewhere",
       "Cannot delete branch 'refs/heads/elsewhere' as it is the current HEAD of a linked repository."},
      {"delete", "origin/main", "cannot locate local branch 'origin/main'"},
      {"delete", "nope", "cannot locate local branch 'nope'"},
      {"delete", "feature", ""},
  };

  std::vector<std::string> expected_refs = lines_of(refs_before);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.op) + " " + c.name);
    // Deleting names the branch's own tip; a name that is no local branch gives the base.
    const auto local = t.git_result({"rev-parse", "--verify", "-q", "refs/heads/" + c.name});
    const std::string tip = local.success() ? local.out.substr(0, 40) : base;
    auto done = std::string(c.op) == "create" ? r.create_branch(c.name, oid_of(base))
                                              : r.delete_branch(c.name, oid_of(tip));
    if (c.fails_with.empty()) {
      ASSERT_TRUE(done) << done.error();
      const std::string line = base + " commit\trefs/heads/" + c.name;
      if (std::string(c.op) == "create")
        expected_refs.push_back(line);
      else
        std::erase(expected_refs, line);
    } else {
      ASSERT_FALSE(done);
      EXPECT_EQ(done.error(), c.fails_with);
    }
    EXPECT_EQ(sorted(lines_of(t.git({"for-each-ref"}))), sorted(expected_refs));
    EXPECT_EQ(r.commits.size(), loaded);
  }
  EXPECT_EQ(r.branches.count(BranchName{"topic/x"}), 1u);
  EXPECT_EQ(r.branches.count(BranchName{"feature"}), 0u);
  EXPECT_EQ(r.branches.at(BranchName{"main"}),
            oid_of(t.rev_parse("main")));  // the fresh read sees the new tip
  EXPECT_EQ(r.create_branch("at-nothing", Oid::zero()).has_value(), false);
}

// A local branch may carry a remote-tracking branch's name: asked to delete the name at one
// commit, the local branch elsewhere, with the commits only it holds, stays.
TEST(Branches, DeletesOnlyTheLocalBranchWhoseTipIsTheCommit) {
  TempRepo t;
  const std::string shared = t.write("f", "1\n").commit("shared");
  const std::string local_only = t.write("f", "2\n").commit("only on the local branch");
  t.git({"branch", "origin/wip"});
  t.git({"reset", "-q", "--hard", shared});
  t.git({"update-ref", "refs/remotes/origin/wip", shared});
  Repo r = open_repo(t.path());
  const std::string refs_before = t.git({"for-each-ref"});

  auto refused = r.delete_branch("origin/wip", oid_of(shared));
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error(), "local branch 'origin/wip' is not at " + shared.substr(0, 7));
  EXPECT_EQ(t.git({"for-each-ref"}), refs_before);

  ASSERT_TRUE(r.delete_branch("origin/wip", oid_of(local_only)));
  EXPECT_FALSE(t.git_result({"rev-parse", "--verify", "-q", "refs/heads/origin/wip"}).success());
  EXPECT_EQ(t.rev_parse("refs/remotes/origin/wip"), shared);
}

TEST(Branches, LocalBranchesAtACommit) {
  TempRepo t;
  two_branches(t);
  const std::string base = t.rev_parse("main"), other = t.rev_parse("other");
  t.git({"branch", "feature", "main"});
  t.git({"branch", "feat/x", "main"});
  t.git({"symbolic-ref", "refs/heads/alias", "refs/heads/other"});
  t.git({"pack-refs", "--all"});
  t.git({"branch", "loose", "main"});
  t.git({"update-ref", "refs/remotes/origin/remote-only", "HEAD~0"});
  t.git({"update-ref", "refs/remotes/origin/at-other", "other"});
  const Repo r = open_repo(t.path());
  for (const auto& at : {base, other}) {
    SCOPED_TRACE(at);
    auto want =
        lines_of(t.git({"for-each-ref", "--points-at", at, "--format=%(refname:short)", "refs/heads"}));
    EXPECT_EQ(sorted(r.local_branches_at(oid_of(at))), sorted(want));
  }
  EXPECT_EQ(sorted(r.local_branches_at(oid_of(other))), (std::vector<std::string>{"alias", "other"}));
  // Only a remote-tracking branch points here.
  const std::string lone = t.write("z", "z\n").commit("z");
  t.git({"update-ref", "refs/remotes/origin/lone", lone});
  t.git({"reset", "-q", "--hard", base});
  EXPECT_TRUE(r.local_branches_at(oid_of(lone)).empty());
  EXPECT_TRUE(r.local_branches_at(Oid::zero()).empty());

  Repo gone = r;
  gone.path = t.path() + "/missing";
  EXPECT_TRUE(gone.local_branches_at(oid_of(base)).empty());
}

TEST(Branches, NewBranchNameCandidates) {
  TempRepo t;
  two_branches(t);
  const std::string base = t.rev_parse("main"), other = t.rev_parse("other");
  t.git({"branch", "feature/x", "main"});
  for (const char* ref :
       {"origin/main", "origin/feature/x", "origin/topic", "upstream/topic", "upstream/solo"})
    t.git({"update-ref", std::string("refs/remotes/") + ref, base});
  t.git({"update-ref", "refs/remotes/origin/other", other});
  t.git({"update-ref", "refs/remotes/origin/elsewhere", other});
  t.git({"symbolic-ref", "refs/remotes/origin/HEAD", "refs/remotes/origin/main"});
  Repo r = open_repo(t.path());
  // Created after the load: the loaded model decides.
  t.git({"branch", "topic", "main"});

  // main is local; feature/x has a slash so it does not count as local.
  EXPECT_EQ(sorted(r.new_branch_name_candidates_at(oid_of(base))),
            (std::vector<std::string>{"feature/x", "solo", "topic", "topic"}));
  EXPECT_EQ(r.new_branch_name_candidates_at(oid_of(other)), (std::vector<std::string>{"elsewhere"}));

  // Without a local main, origin/main offers it; origin/HEAD never offers HEAD.
  r.branches.erase(BranchName{"main"});
  auto candidates = r.new_branch_name_candidates_at(oid_of(base));
  EXPECT_NE(std::ranges::find(candidates, "main"), candidates.end());
  EXPECT_EQ(std::ranges::find(candidates, "HEAD"), candidates.end());
  EXPECT_TRUE(r.new_branch_name_candidates_at(Oid::zero()).empty());
}

}  // namespace
