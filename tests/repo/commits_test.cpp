#include <gtest/gtest.h>

#include <ctime>
#include <expected>
#include <filesystem>
#include <functional>
#include <sstream>

#include "repo/git_handle.hpp"
#include "repo/repo.hpp"
#include "stopped_operations.hpp"
#include "support/repositories.hpp"
#include "support/temp_repo.hpp"
#include "support/text.hpp"

namespace {

using repo::Oid;
using repo::Repo;
using testing_support::open_repo;
using testing_support::TempRepo;
using testing_support::trimmed;

namespace fs = std::filesystem;

// A repository the library's own commits take their identity from.
struct IdentityRepo : TempRepo {
  IdentityRepo() { set_identity(); }
};

struct CommitInfo {
  std::string tree;
  std::vector<std::string> parents;
  std::string author;  // "name <email> time"
  std::string committer;
  std::int64_t author_time = 0;
  std::int64_t committer_time = 0;
  std::string message;
};

std::int64_t signature_time(const std::string& line) {
  std::istringstream words(line.substr(line.rfind('>') + 1));
  std::int64_t t = 0;
  words >> t;
  return t;
}

// The raw commit object, as git stores it.
CommitInfo read_commit(TempRepo& t, const std::string& id) {
  const std::string raw = t.git({"cat-file", "commit", id});
  CommitInfo info;
  std::istringstream in(raw);
  std::string line;
  std::size_t consumed = 0;
  while (std::getline(in, line)) {
    consumed += line.size() + 1;
    if (line.empty()) break;
    const auto space = line.find(' ');
    const std::string key = line.substr(0, space), value = line.substr(space + 1);
    if (key == "tree") info.tree = value;
    if (key == "parent") info.parents.push_back(value);
    if (key == "author") {
      info.author = value.substr(0, value.find('>') + 1);
      info.author_time = signature_time(value);
    }
    if (key == "committer") {
      info.committer = value.substr(0, value.find('>') + 1);
      info.committer_time = signature_time(value);
    }
  }
  info.message = raw.substr(std::min(consumed, raw.size()));
  return info;
}

void make_hook(TempRepo& t, const std::string& path, bool executable) {
  t.write(path, "#!/bin/sh\nexit 0\n");
  fs::permissions(t.file_path(path),
                  executable ? fs::perms::owner_all : fs::perms::owner_read | fs::perms::owner_write);
}

bool exists(TempRepo& t, const std::string& git_file) { return fs::exists(t.file_path(".git/" + git_file)); }

TEST(Commit, RecordsTheIndexOnHead) {
  IdentityRepo t;
  const std::string base = t.write("a.txt", "one\n").write("b.txt", "two\n").commit("base");
  t.write("a.txt", "one\nmore\n").write("c.txt", "new\n").git({"add", "a.txt", "c.txt"});
  t.write("b.txt", "unstaged edit\n");  // the work tree is not what is recorded
  const std::string want_tree = trimmed(t.git({"write-tree"}));
  Repo r = open_repo(t);

  const std::int64_t before = std::time(nullptr);
  auto id = r.commit("Add more\n\nWith a body.");
  const std::int64_t after = std::time(nullptr);
  ASSERT_TRUE(id) << id.error();
  EXPECT_EQ(id->hex(), t.rev_parse("HEAD"));
  EXPECT_EQ(id->hex(), t.rev_parse("main"));
  const CommitInfo c = read_commit(t, id->hex());
  EXPECT_EQ(c.tree, want_tree);
  EXPECT_EQ(c.parents, std::vector<std::string>{base});
  EXPECT_EQ(c.author, "Commit Maker <maker@example.com>");
  EXPECT_EQ(c.committer, "Commit Maker <maker@example.com>");
  EXPECT_GE(c.author_time, before);
  EXPECT_LE(c.author_time, after);
  EXPECT_EQ(c.message, "Add more\n\nWith a body.");  // stored unchanged
  // The index file itself is untouched: the unstaged edit is still unstaged.
  EXPECT_EQ(t.git({"status", "--porcelain"}), " M b.txt\n");
}

TEST(Commit, NothingStagedRecordsTheParentsTree) {
  IdentityRepo t;
  const std::string base = t.write("a.txt", "one\n").commit("base");
  Repo r = open_repo(t);
  auto id = r.commit("empty");
  ASSERT_TRUE(id) << id.error();
  EXPECT_EQ(read_commit(t, id->hex()).tree, read_commit(t, base).tree);
  EXPECT_EQ(read_commit(t, id->hex()).parents, std::vector<std::string>{base});
}

// The first commit of a new repository, made as git makes it: the same
// root commit, on the branch HEAD names, with git's reflog entry.
TEST(Commit, FirstCommitOfABranchIsItsRoot) {
  for (const char* branch : {"main", "topic"}) {
    SCOPED_TRACE(branch);
    IdentityRepo ours, oracle;
    for (TempRepo* t : {static_cast<TempRepo*>(&ours), static_cast<TempRepo*>(&oracle)}) {
      t->git({"symbolic-ref", "HEAD", std::string("refs/heads/") + branch});
      t->write("a.txt", "one\n").write("dir/b.txt", "two\n").git({"add", "a.txt", "dir/b.txt"});
      t->write("untracked.txt", "not recorded\n");
    }
    auto id = open_repo(ours).commit("first");
    ASSERT_TRUE(id) << id.error();
    oracle.git({"commit", "-q", "-m", "first"});

    EXPECT_EQ(id->hex(), ours.rev_parse(std::string("refs/heads/") + branch));
    EXPECT_EQ(trimmed(ours.git({"symbolic-ref", "HEAD"})), std::string("refs/heads/") + branch);
    const CommitInfo c = read_commit(ours, id->hex());
    EXPECT_TRUE(c.parents.empty());
    EXPECT_EQ(c.tree, read_commit(oracle, "HEAD").tree);
    EXPECT_EQ(c.message, "first");
    EXPECT_EQ(ours.git({"reflog", "--format=%gs", branch}), oracle.git({"reflog", "--format=%gs", branch}));
    EXPECT_EQ(ours.git({"ls-files", "-s"}), oracle.git({"ls-files", "-s"}));
    EXPECT_EQ(ours.git({"status", "--porcelain"}), oracle.git({"status", "--porcelain"}));
    EXPECT_EQ(ours.git({"fsck", "--strict"}), "");
  }
}

TEST(Commit, NoFilesOnAnUnbornBranchGiveAnEmptyRootCommit) {
  IdentityRepo t;
  auto id = open_repo(t).commit("nothing yet");
  ASSERT_TRUE(id) << id.error();
  const CommitInfo c = read_commit(t, id->hex());
  EXPECT_TRUE(c.parents.empty());
  EXPECT_EQ(c.tree, "4b825dc642cb6eb9a060e54bf8d69288fbee4904");
}

// git add -N records that a file will be added, not its content: git
// leaves such entries out of what it commits, and they stay intent-to-add.
TEST(Commit, IntentToAddEntriesAreNotRecorded) {
  struct Case {
    const char* name;
    bool amend;
    bool unborn;
  };
  const Case cases[] = {{"commit", false, false}, {"amend", true, false}, {"first commit", false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    IdentityRepo ours, oracle;
    for (TempRepo* t : {static_cast<TempRepo*>(&ours), static_cast<TempRepo*>(&oracle)}) {
      if (!c.unborn) t->write("a.txt", "one\n").commit("base");
      if (c.amend) t->write("a.txt", "two\n").commit("to amend");
      t->write("a.txt", "three\n").git({"add", "a.txt"});
      t->write("ita.txt", "later\n").write("only/ita.txt", "later\n").write("mixed/ita.txt", "later\n");
      t->write("mixed/kept.txt", "kept\n").git({"add", "mixed/kept.txt"});
      t->git({"add", "-N", "ita.txt", "only/ita.txt", "mixed/ita.txt"});
    }
    Repo r = open_repo(ours);
    auto id = c.amend ? r.amend_commit("recorded") : r.commit("recorded");
    ASSERT_TRUE(id) << id.error();
    oracle.git(c.amend ? std::vector<std::string>{"commit", "-q", "--amend", "-m", "recorded"}
                       : std::vector<std::string>{"commit", "-q", "-m", "recorded"});

    EXPECT_EQ(read_commit(ours, id->hex()).tree, read_commit(oracle, "HEAD").tree);
    EXPECT_EQ(ours.git({"ls-tree", "-r", "--name-only", "HEAD"}), "a.txt\nmixed/kept.txt\n");
    // Still intent-to-add in the index, entry for entry as git leaves it.
    EXPECT_EQ(ours.git({"ls-files", "-s"}), oracle.git({"ls-files", "-s"}));
    EXPECT_EQ(ours.git({"status", "--porcelain"}), " A ita.txt\n A mixed/ita.txt\n A only/ita.txt\n");
    EXPECT_EQ(ours.git({"fsck", "--strict"}), "");
  }
}

// Another git writing the index holds its lock: the commit is refused in
// the words a staging change is refused in, and the lock stays theirs.
TEST(Commit, RefusedWhileTheIndexIsLocked) {
  IdentityRepo t;
  const std::string base = t.write("a.txt", "one\n").commit("base");
  t.write("a.txt", "two\n").git({"add", "a.txt"});
  t.write(".git/index.lock", "another git's\n");
  Repo r = open_repo(t);
  t.write("b.txt", "b\n");
  auto staged = r.stage_file("b.txt");
  ASSERT_FALSE(staged);
  EXPECT_EQ(staged.error(), "the index is locked; this might be due to a concurrent or crashed process");

  auto checked = r.check_index_unlocked();
  ASSERT_FALSE(checked);
  EXPECT_EQ(checked.error(), staged.error());
  for (bool amend : {false, true}) {
    auto id = amend ? r.amend_commit("amended") : r.commit("committed");
    ASSERT_FALSE(id);
    EXPECT_EQ(id.error(), staged.error());
  }
  EXPECT_EQ(t.rev_parse("HEAD"), base);
  EXPECT_EQ(t.read(".git/index.lock"), "another git's\n");

  t.remove(".git/index.lock");
  EXPECT_TRUE(r.check_index_unlocked());
  auto id = r.commit("committed");
  ASSERT_TRUE(id) << id.error();
  EXPECT_FALSE(exists(t, "index.lock"));
}

// What c asks before it runs the editor: would the commit change anything?
// git's answer is the oracle: it refuses an empty commit, and an amend that
// would leave HEAD with its parent's tree.
TEST(Commit, HasStagedChangesAsGitCommitSeesThem) {
  struct Case {
    const char* name;
    void (*prepare)(TempRepo&);
    bool amend;
    bool want;
  };
  const Case cases[] = {
      {"nothing staged", [](TempRepo&) {}, false, false},
      {"a change staged",
       [](TempRepo& t) {
         t.write("a.txt", "new\n").git({"add", "a.txt"});
       },
       false, true},
      {"only intent to add",
       [](TempRepo& t) {
         t.write("n.txt", "n\n").git({"add", "-N", "n.txt"});
       },
       false, false},
      {"staged, then committed from outside",
       [](TempRepo& t) {
         t.write("a.txt", "new\n").git({"add", "a.txt"});
         t.commit_staged("outside");
       },
       false, false},
      {"amend, nothing new: a rewording", [](TempRepo&) {}, true, true},
      {"amend back to the parent's tree",
       [](TempRepo& t) {
         t.git({"read-tree", "HEAD~1"});
       },
       true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    IdentityRepo t;
    t.write("a.txt", "one\n").commit("base");
    t.write("b.txt", "b\n").commit("head");
    c.prepare(t);
    auto got = open_repo(t).has_staged_changes(c.amend);
    ASSERT_TRUE(got) << got.error();
    EXPECT_EQ(*got, c.want);
    std::vector<std::string> args{"commit", "-q", "-m", "oracle"};
    if (c.amend) args.emplace_back("--amend");
    EXPECT_EQ(t.git_result(args).success(), c.want);
  }

  IdentityRepo unborn;
  EXPECT_EQ(open_repo(unborn).has_staged_changes(false), false);
  unborn.write("n.txt", "n\n").git({"add", "-N", "n.txt"});
  EXPECT_EQ(open_repo(unborn).has_staged_changes(false), false);
  unborn.write("a.txt", "a\n").git({"add", "a.txt"});
  EXPECT_EQ(open_repo(unborn).has_staged_changes(false), true);
}

// libgit2 runs no hooks and signs nothing: where git would do either, the
// commit must be git's.
TEST(Commit, NeedsGitForHooksAndSigning) {
  struct Case {
    const char* name;
    void (*prepare)(TempRepo&);
    bool want;
  };
  const Case cases[] = {
      {"a new repository: only git's samples", [](TempRepo&) {}, false},
      {"pre-commit", [](TempRepo& t) { make_hook(t, ".git/hooks/pre-commit", true); }, true},
      {"prepare-commit-msg", [](TempRepo& t) { make_hook(t, ".git/hooks/prepare-commit-msg", true); }, true},
      {"commit-msg", [](TempRepo& t) { make_hook(t, ".git/hooks/commit-msg", true); }, true},
      {"a hook git would not run: not executable",
       [](TempRepo& t) { make_hook(t, ".git/hooks/pre-commit", false); }, false},
      {"a hook of another command", [](TempRepo& t) { make_hook(t, ".git/hooks/post-commit", true); }, false},
      {"core.hooksPath, relative to the work tree",
       [](TempRepo& t) {
         make_hook(t, "tools/hooks/commit-msg", true);
         t.git({"config", "core.hooksPath", "tools/hooks"});
       },
       true},
      {"core.hooksPath elsewhere: .git/hooks is not looked at",
       [](TempRepo& t) {
         make_hook(t, ".git/hooks/pre-commit", true);
         t.git({"config", "core.hooksPath", "tools/hooks"});
       },
       false},
      {"commit.gpgsign",
       [](TempRepo& t) {
         t.git({"config", "commit.gpgsign", "true"});
       },
       true},
      {"commit.gpgsign off",
       [](TempRepo& t) {
         t.git({"config", "commit.gpgsign", "false"});
       },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    IdentityRepo t;
    c.prepare(t);
    EXPECT_EQ(open_repo(t).commit_needs_git(), c.want);
  }

  // A linked work tree runs the hooks of the repository it belongs to.
  IdentityRepo main_tree;
  main_tree.write("a.txt", "a\n").commit("base");
  testing_support::TempDir linked;
  main_tree.git({"worktree", "add", "-q", linked.path() + "/wt"});
  auto in_linked = Repo::open(linked.path() + "/wt", 2000);
  ASSERT_TRUE(in_linked);
  EXPECT_FALSE(in_linked->commit_needs_git());
  make_hook(main_tree, ".git/hooks/pre-commit", true);
  EXPECT_TRUE(in_linked->commit_needs_git());
}

TEST(Commit, MissingIdentityFailsWithTheLibraryMessage) {
  TempRepo t;  // no identity in the repository's configuration
  const std::string base = t.write("a.txt", "one\n").commit("base");
  // nor in any global one the library could find
  repo::ensure_libgit2();
  for (int level : {GIT_CONFIG_LEVEL_SYSTEM, GIT_CONFIG_LEVEL_XDG, GIT_CONFIG_LEVEL_GLOBAL})
    ASSERT_EQ(git_libgit2_opts(GIT_OPT_SET_SEARCH_PATH, level, t.path().c_str()), 0);
  Repo r = open_repo(t);
  auto id = r.commit("no identity");
  for (int level : {GIT_CONFIG_LEVEL_SYSTEM, GIT_CONFIG_LEVEL_XDG, GIT_CONFIG_LEVEL_GLOBAL})
    git_libgit2_opts(GIT_OPT_SET_SEARCH_PATH, level, nullptr);
  ASSERT_FALSE(id);
  EXPECT_EQ(id.error(), "config value 'user.name' was not found");
  EXPECT_EQ(t.rev_parse("HEAD"), base);
}

TEST(Commit, ConcludesAStoppedMerge) {
  IdentityRepo t;
  t.write("f.txt", "base\n").commit("base");
  t.git({"checkout", "-q", "-b", "side"});
  const std::string side = t.write("f.txt", "side\n").commit("side");
  t.git({"checkout", "-q", "main"});
  const std::string ours = t.write("f.txt", "ours\n").commit("ours");
  ASSERT_FALSE(t.git_result({"merge", "side"}).success());  // stops on the conflict
  ASSERT_TRUE(exists(t, "MERGE_HEAD"));

  Repo r = open_repo(t);
  auto unresolved = r.commit("too early");
  ASSERT_FALSE(unresolved);
  EXPECT_FALSE(unresolved.error().empty());
  EXPECT_EQ(t.rev_parse("HEAD"), ours);
  EXPECT_TRUE(exists(t, "MERGE_HEAD"));

  t.write("f.txt", "both\n").git({"add", "f.txt"});
  const std::string want_tree = trimmed(t.git({"write-tree"}));
  // Another stopped operation's state, and a newer git's merge file.
  t.write(".git/rebase-merge/head-name", "refs/heads/main\n");
  t.write(".git/AUTO_MERGE", want_tree + "\n");
  t.write(".git/SQUASH_MSG", "kept\n");

  auto id = r.commit("Merge side");
  ASSERT_TRUE(id) << id.error();
  const CommitInfo c = read_commit(t, id->hex());
  EXPECT_EQ(c.parents, (std::vector<std::string>{ours, side}));
  EXPECT_EQ(c.tree, want_tree);
  for (const char* gone : {"MERGE_HEAD", "MERGE_MODE", "MERGE_MSG", "AUTO_MERGE"})
    EXPECT_FALSE(exists(t, gone)) << gone;
  EXPECT_TRUE(exists(t, "rebase-merge/head-name"));
  // git commit removes it with the merge's own files.
  EXPECT_FALSE(exists(t, "SQUASH_MSG"));
}

TEST(Commit, OctopusMergeKeepsEveryMergedCommitInOrder) {
  IdentityRepo t;
  t.write("base.txt", "base\n").commit("base");
  std::vector<std::string> tips;
  for (const char* name : {"one", "two"}) {
    t.git({"checkout", "-q", "-b", name, "main"});
    tips.push_back(t.write(std::string(name) + ".txt", "x\n").commit(name));
  }
  t.git({"checkout", "-q", "main"});
  const std::string head = t.rev_parse("HEAD");
  t.git({"merge", "-q", "--no-commit", "--no-ff", "one", "two"});
  const std::string want_tree = trimmed(t.git({"write-tree"}));

  auto id = open_repo(t).commit("Merge one and two");
  ASSERT_TRUE(id) << id.error();
  const CommitInfo c = read_commit(t, id->hex());
  EXPECT_EQ(c.parents, (std::vector<std::string>{head, tips[0], tips[1]}));
  EXPECT_EQ(c.tree, want_tree);
  EXPECT_FALSE(exists(t, "MERGE_HEAD"));
}

// A commit ends whatever merge, cherry-pick or revert was stopped, as git
// commit does, and records the merged commits, and only those, as further
// parents.
TEST(Commit, EndsAStoppedOperationAsGitDoes) {
  for (const auto& op : testing_support::stopped_operations()) {
    SCOPED_TRACE(op.name);
    TempRepo ours, oracle;
    for (TempRepo* t : {&ours, &oracle}) {
      testing_support::stopped_history(*t);
      op.stop(*t);
    }
    ASSERT_FALSE(testing_support::state_files_present(ours).empty());
    const std::string want_tree = trimmed(ours.git({"write-tree"}));
    auto id = open_repo(ours).commit("concluded");
    ASSERT_TRUE(id) << id.error();
    oracle.git({"commit", "-q", "--no-edit", "-m", "concluded"});
    EXPECT_EQ(testing_support::state_files_present(ours), testing_support::state_files_present(oracle));
    EXPECT_EQ(read_commit(ours, id->hex()).tree, want_tree);
    EXPECT_EQ(read_commit(ours, id->hex()).parents.size(), read_commit(oracle, "HEAD").parents.size());
    EXPECT_EQ(ours.git({"status", "--porcelain"}), oracle.git({"status", "--porcelain"}));
  }
}

// A lock another git holds is refused with its reason, which the library's
// own words leave out ("... for writing: " and no more). HEAD.lock refuses a
// commit as it refuses git's.
TEST(Commit, ALockHeldElsewhereIsToldWithItsReason) {
  using Run = std::function<std::expected<void, std::string>(Repo&)>;
  const Run commit = [](Repo& r) -> std::expected<void, std::string> {
    auto made = r.commit("held");
    if (!made) return std::unexpected(made.error());
    return {};
  };
  const Run amend = [](Repo& r) -> std::expected<void, std::string> {
    auto made = r.amend_commit("held");
    if (!made) return std::unexpected(made.error());
    return {};
  };
  struct Case {
    const char* name;
    const char* lock;
    bool detached;
    Run run;
    std::vector<std::string> oracle;  // git's own command, refused too; none for a checkout, which git
                                      // refuses only after it has written the files
  };
  const Case cases[] = {
      {"commit, branch locked", "refs/heads/main.lock", false, commit, {"commit", "-q", "-m", "held"}},
      {"commit, HEAD locked", "HEAD.lock", false, commit, {"commit", "-q", "-m", "held"}},
      {"commit, detached HEAD locked", "HEAD.lock", true, commit, {"commit", "-q", "-m", "held"}},
      {"amend, HEAD locked", "HEAD.lock", false, amend, {"commit", "-q", "--amend", "-m", "held"}},
      {"checkout, HEAD locked", "HEAD.lock", false, [](Repo& r) { return r.checkout_branch("side"); }, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    IdentityRepo t;
    t.write("a.txt", "one\n").commit("base");
    t.git({"branch", "side"});
    t.write("side.txt", "side\n").commit("on main");
    if (c.detached) t.git({"checkout", "-q", "--detach"});
    t.write("a.txt", "two\n").git({"add", "a.txt"});
    const std::string head = t.rev_parse("HEAD");
    const std::string head_file = t.read(".git/HEAD");
    t.write(".git/" + std::string(c.lock), "");
    if (!c.oracle.empty()) {
      ASSERT_FALSE(t.git_result(c.oracle).success());
    }
    Repo r = open_repo(t);
    auto done = c.run(r);
    ASSERT_FALSE(done);
    const std::string lock = fs::canonical(t.file_path(".git/" + std::string(c.lock))).string();
    EXPECT_EQ(done.error(), "failed to lock file '" + lock + "' for writing: File exists (os error 17)");
    EXPECT_EQ(t.rev_parse("HEAD"), head);
    EXPECT_EQ(t.read(".git/HEAD"), head_file);
    EXPECT_EQ(t.git({"status", "--porcelain"}), "M  a.txt\n");
    EXPECT_TRUE(fs::exists(t.file_path(".git/" + std::string(c.lock))));
  }
}

TEST(Commit, AStateFileThatCannotBeRemovedIsReported) {
  TempRepo t;
  testing_support::stopped_history(t);
  t.git_result({"cherry-pick", "topic"});
  t.write("f.txt", "resolved\n").git({"add", "f.txt"});
  t.remove(".git/CHERRY_PICK_HEAD").write(".git/CHERRY_PICK_HEAD/held", "x\n");
  const std::string before = t.rev_parse("HEAD");
  auto id = open_repo(t).commit("picked");
  ASSERT_FALSE(id);
  // The commit stands; the user learns what is left behind.
  const std::string made = t.rev_parse("HEAD");
  EXPECT_NE(made, before);
  EXPECT_EQ(id.error(), "committed " + made.substr(0, 7) +
                            ", but could not remove CHERRY_PICK_HEAD: Is a directory (os error 21)");
  EXPECT_EQ(testing_support::state_files_present(t), std::vector<std::string>{"CHERRY_PICK_HEAD"});
}

TEST(Amend, ReplacesHeadKeepingParentsAndAuthor) {
  IdentityRepo t;
  const std::string base = t.write("a.txt", "one\n").commit("base");
  const std::string old = t.write("a.txt", "two\n").commit("old message");
  t.write("b.txt", "added\n").git({"add", "b.txt"});
  const std::string want_tree = trimmed(t.git({"write-tree"}));

  const std::int64_t before = std::time(nullptr);
  auto id = open_repo(t).amend_commit("new message");
  const std::int64_t after = std::time(nullptr);
  ASSERT_TRUE(id) << id.error();
  EXPECT_EQ(id->hex(), t.rev_parse("main"));
  const CommitInfo c = read_commit(t, id->hex());
  const CommitInfo was = read_commit(t, old);
  EXPECT_EQ(c.parents, std::vector<std::string>{base});
  EXPECT_EQ(c.tree, want_tree);
  EXPECT_EQ(c.message, "new message");
  EXPECT_EQ(c.author, was.author);  // "Test Author <author@example.com>"
  EXPECT_EQ(c.author, "Test Author <author@example.com>");
  EXPECT_EQ(c.committer, "Commit Maker <maker@example.com>");
  // Unlike git commit --amend, the author time becomes now as well.
  EXPECT_NE(c.author_time, was.author_time);
  EXPECT_GE(c.author_time, before);
  EXPECT_LE(c.author_time, after);
  EXPECT_EQ(c.committer_time, c.author_time);
}

TEST(Amend, MergeCommitKeepsBothParents) {
  IdentityRepo t;
  t.write("base.txt", "base\n").commit("base");
  t.git({"checkout", "-q", "-b", "side"});
  const std::string side = t.write("side.txt", "side\n").commit("side");
  t.git({"checkout", "-q", "main"});
  const std::string ours = t.write("main.txt", "main\n").commit("main");
  t.git({"merge", "-q", "--no-ff", "-m", "Merge side", "side"});

  auto id = open_repo(t).amend_commit("Merge side, reworded");
  ASSERT_TRUE(id) << id.error();
  const CommitInfo c = read_commit(t, id->hex());
  EXPECT_EQ(c.parents, (std::vector<std::string>{ours, side}));
  EXPECT_EQ(c.author, "Test Author <author@example.com>");
  EXPECT_EQ(c.message, "Merge side, reworded");
}

TEST(Amend, DetachedHeadMovesOnlyHead) {
  IdentityRepo t;
  t.write("a.txt", "one\n").commit("base");
  const std::string tip = t.write("a.txt", "two\n").commit("tip");
  t.git({"checkout", "-q", "--detach"});
  auto id = open_repo(t).amend_commit("detached amend");
  ASSERT_TRUE(id) << id.error();
  EXPECT_EQ(t.rev_parse("HEAD"), id->hex());
  EXPECT_EQ(t.rev_parse("main"), tip);
}

TEST(Amend, RefusedDuringAMerge) {
  IdentityRepo t;
  t.write("base.txt", "base\n").commit("base");
  t.git({"checkout", "-q", "-b", "side"});
  t.write("side.txt", "side\n").commit("side");
  t.git({"checkout", "-q", "main"});
  const std::string head = t.write("main.txt", "main\n").commit("main");
  t.git({"merge", "-q", "--no-commit", "--no-ff", "side"});

  auto id = open_repo(t).amend_commit("would lose the merge");
  ASSERT_FALSE(id);
  EXPECT_EQ(id.error(), "You are in the middle of a merge -- cannot amend.");
  EXPECT_EQ(t.rev_parse("HEAD"), head);
  EXPECT_TRUE(exists(t, "MERGE_HEAD"));
}

TEST(Amend, UnbornBranchFails) {
  IdentityRepo t;
  auto id = open_repo(t).amend_commit("nothing to amend");
  ASSERT_FALSE(id);
  EXPECT_EQ(id.error(), "reference 'refs/heads/main' not found");
}

TEST(HeadMessage, IsTheFullMessage) {
  IdentityRepo t;
  EXPECT_EQ(open_repo(t).head_message(), std::nullopt);
  t.write("a.txt", "one\n").commit("Subject line\n\nBody\nmore body");
  EXPECT_EQ(open_repo(t).head_message(), std::optional<std::string>("Subject line\n\nBody\nmore body\n"));
}

}  // namespace
