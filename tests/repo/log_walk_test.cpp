// The log's order and content against the library's own sorted walk, by
// each way a load can take: git's walk with and without a commit-graph
// file (of either generation, split, or older than the newest commits), and
// the walk of our own that reads the whole history.

#include <git2.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <unordered_map>

#include "repo/git_handle.hpp"
#include "repo/repo.hpp"
#include "support/env_guard.hpp"
#include "support/repositories.hpp"
#include "support/temp_repo.hpp"

namespace {

using repo::Commit;
using repo::Oid;
using repo::Repo;
using testing_support::open_repo;
using testing_support::summaries;
using testing_support::TempDir;
using testing_support::TempRepo;

// The library's sorted walk over every branch and remote-tracking branch:
// what the log showed before it had ways of its own.
std::vector<Oid> library_walk(const std::string& path) {
  auto handle = repo::open_repository(path);
  EXPECT_TRUE(handle);
  if (!handle) return {};
  git_revwalk* raw = nullptr;
  EXPECT_EQ(git_revwalk_new(&raw, handle->get()), 0);
  repo::RevwalkPtr walk(raw);
  git_revwalk_sorting(walk.get(), GIT_SORT_TOPOLOGICAL | GIT_SORT_TIME);
  EXPECT_EQ(git_revwalk_push_glob(walk.get(), "refs/heads/*"), 0);
  EXPECT_EQ(git_revwalk_push_glob(walk.get(), "refs/remotes/*"), 0);
  std::vector<Oid> out;
  git_oid id;
  while (git_revwalk_next(&id, walk.get()) == 0) out.push_back(repo::to_oid(&id));
  return out;
}

std::vector<Oid> ids(const std::vector<Commit>& commits) {
  std::vector<Oid> out;
  for (const Commit& c : commits) out.push_back(c.id);
  return out;
}

// A generated history: `count` empty commits on `branches` branches that
// fork from one another, merge (octopus merges among them) and lag behind
// under refs/remotes/origin/. With `ties`, commits share their commit time
// in runs of four; without, every time differs, some older than their
// parents. A second call with a later `epoch` goes on from the branches
// the first one made.
void generate(TempRepo& t, int count, int branches, bool ties, unsigned seed = 7, std::int64_t epoch = 0) {
  std::mt19937 rng(seed);
  std::vector<std::string> tip(branches);
  for (int b = 0; b < branches; ++b)
    if (!t.git_result({"rev-parse", "-q", "--verify", "refs/heads/b" + std::to_string(b)}).out.empty())
      tip[b] = "refs/heads/b" + std::to_string(b) + "^0";
  std::string script;
  for (int i = 1; i <= count; ++i) {
    const int b = static_cast<int>(rng() % branches);
    const std::int64_t base = 1700000000 + epoch;
    const std::int64_t time =
        ties ? base + (i / 4) * 60 : (rng() % 20 == 0 ? base - 10'000'000 - 10 * i - 5 : base + 10 * i);
    script += "commit refs/heads/b" + std::to_string(b) + "\nmark :" + std::to_string(i) + "\n";
    script += "committer C <c@example.com> " + std::to_string(time) + " +0000\ndata 4\nc" +
              std::to_string(i % 100 / 10) + std::to_string(i % 10) + "\n";
    const bool first = tip[b].empty();
    if (!first) {
      script += "from " + tip[b] + "\n";
    } else if (i > 1 && rng() % 8 != 0) {
      script += "from :" + std::to_string(1 + rng() % (i - 1)) + "\n";
    }
    if (!first && rng() % 6 == 0) {
      const int others = 1 + static_cast<int>(rng() % 3);
      std::set<std::string> merged{tip[b]};
      for (int k = 0; k < others; ++k) {
        const int o = static_cast<int>(rng() % branches);
        if (!tip[o].empty() && merged.insert(tip[o]).second) script += "merge " + tip[o] + "\n";
      }
    }
    script += "\n";
    tip[b] = ":" + std::to_string(i);
    if (rng() % 15 == 0)
      script += "reset refs/remotes/origin/b" + std::to_string(b) + "\nfrom :" + std::to_string(i) + "\n\n";
  }
  t.git({"fast-import", "--quiet"}, script);
}

// What must hold whatever the order among commits of one time: the same
// commits, each child before its parents, and at each step the newest of
// the commits whose children are all listed.
void expect_log_order(const std::vector<Commit>& log, const std::vector<Oid>& reference) {
  const std::vector<Oid> listed = ids(log);
  ASSERT_EQ(std::set<Oid>(reference.begin(), reference.end()), std::set<Oid>(listed.begin(), listed.end()));
  ASSERT_EQ(log.size(), reference.size());
  std::unordered_map<Oid, std::size_t, repo::OidHash> row, children;
  for (std::size_t i = 0; i < log.size(); ++i) row.emplace(log[i].id, i);
  for (const Commit& c : log)
    for (const Oid& p : c.parent_ids)
      if (row.contains(p)) ++children[p];
  std::set<std::pair<std::int64_t, std::size_t>> ready;  // (time, row)
  for (std::size_t i = 0; i < log.size(); ++i)
    if (!children.contains(log[i].id)) ready.emplace(log[i].time, i);
  for (std::size_t i = 0; i < log.size(); ++i) {
    ASSERT_FALSE(ready.empty()) << "row " << i;
    ASSERT_EQ(ready.rbegin()->first, log[i].time) << "row " << i << " is not the newest ready commit";
    ASSERT_TRUE(ready.erase({log[i].time, i})) << "row " << i << " lists a commit before its child";
    for (const Oid& p : log[i].parent_ids) {
      auto r = row.find(p);
      if (r != row.end() && --children[p] == 0) ready.emplace(log[r->second].time, r->second);
    }
  }
}

// The ways a repository can hold a commit-graph file.
enum class GraphFile { None, Default, GenerationOne, Split, Stale };

void write_graph_file(TempRepo& t, GraphFile kind) {
  switch (kind) {
    case GraphFile::None:
      break;
    case GraphFile::Default:
      t.git({"commit-graph", "write", "--reachable"});
      break;
    case GraphFile::GenerationOne:
      t.git({"-c", "commitGraph.generationVersion=1", "commit-graph", "write", "--reachable"});
      break;
    case GraphFile::Split:
    case GraphFile::Stale:
      break;  // written while the history grows
  }
}

std::string name_of(GraphFile kind) {
  const char* names[] = {"no file", "default file", "generation-1 file", "split chain", "stale file"};
  return names[static_cast<int>(kind)];
}

// A history made in two halves, so that a split chain has two layers and a
// stale file misses the newer half.
void history_with(TempRepo& t, GraphFile kind, bool ties) {
  generate(t, 150, 6, ties, 7);
  if (kind == GraphFile::Split || kind == GraphFile::Stale)
    t.git({"commit-graph", "write", "--reachable", kind == GraphFile::Split ? "--split" : "--no-progress"});
  generate(t, 150, 6, ties, 11, 100'000);  // newer commits on the same branches
  if (kind == GraphFile::Split) t.git({"commit-graph", "write", "--reachable", "--split=no-merge"});
  write_graph_file(t, kind);
}

TEST(LogWalk, OrderMatchesTheLibrarysWalk) {
  for (GraphFile kind :
       {GraphFile::None, GraphFile::Default, GraphFile::GenerationOne, GraphFile::Split, GraphFile::Stale}) {
    for (bool ties : {false, true}) {
      SCOPED_TRACE(name_of(kind) + (ties ? ", shared times" : ", distinct times"));
      TempRepo t;
      history_with(t, kind, ties);
      if (kind == GraphFile::Split) {
        EXPECT_TRUE(
            std::filesystem::exists(t.file_path(".git/objects/info/commit-graphs/commit-graph-chain")));
      }
      const std::vector<Oid> reference = library_walk(t.path());
      ASSERT_GT(reference.size(), 250u);
      for (std::optional<std::uint64_t> limit :
           {std::optional<std::uint64_t>{}, std::optional<std::uint64_t>{2000}}) {
        SCOPED_TRACE(limit ? "limit 2000" : "whole history");
        const Repo r = open_repo(t.path(), limit);
        EXPECT_FALSE(r.has_more);
        EXPECT_FALSE(r.cut_short);
        expect_log_order(r.commits, reference);
        if (!ties) {
          EXPECT_EQ(ids(r.commits), reference);
        }
        EXPECT_EQ(r.graph.size(), r.commits.size());
      }
      // The first n of the same order, and whether more are there.
      const Repo cut = open_repo(t.path(), 40);
      EXPECT_TRUE(cut.has_more);
      ASSERT_EQ(cut.commits.size(), 40u);
      if (!ties) {
        EXPECT_EQ(ids(cut.commits), std::vector<Oid>(reference.begin(), reference.begin() + 40));
      }
    }
  }
}

TEST(LogWalk, CommitsAreReadWhole) {
  TempRepo t;
  const std::string root = t.write("f", "1").commit("first\n\nbody");
  t.write("f", "2").commit("second   line\nwrapped");
  t.git({"commit-graph", "write", "--reachable"});
  for (std::optional<std::uint64_t> limit :
       {std::optional<std::uint64_t>{}, std::optional<std::uint64_t>{5}}) {
    const Repo r = open_repo(t.path(), limit);
    ASSERT_EQ(r.commits.size(), 2u);
    EXPECT_EQ(r.commits[0].summary, "second   line wrapped");
    EXPECT_EQ(r.commits[0].author, "Test Author");
    EXPECT_EQ(r.commits[0].time, 1700000060);
    ASSERT_EQ(r.commits[0].parent_ids.size(), 1u);
    EXPECT_EQ(r.commits[0].parent_ids[0].hex(), root);
    EXPECT_EQ(r.longest_author, 11u);
  }
}

// git's walk must see the parents the library reads: neither replace
// objects nor grafts change them.
TEST(LogWalk, ReplaceObjectsAndGraftsChangeNoParents) {
  TempRepo t;
  const std::string a = t.write("f", "a").commit("a");
  const std::string b = t.write("f", "b").commit("b");
  const std::string c = t.write("f", "c").commit("c");
  t.git({"checkout", "-q", "--orphan", "other"});
  const std::string x = t.write("f", "x").commit("x");
  t.git({"checkout", "-q", "main"});
  // b stands in for a root of the other history; c claims x as its parent.
  t.git({"replace", b, x});
  std::ofstream(t.file_path(".git/info/grafts")) << c << " " << x << "\n";
  for (GraphFile kind : {GraphFile::None, GraphFile::Default}) {
    write_graph_file(t, kind);
    for (std::optional<std::uint64_t> limit :
         {std::optional<std::uint64_t>{}, std::optional<std::uint64_t>{10}}) {
      SCOPED_TRACE(name_of(kind) + (limit ? ", limit" : ", whole history"));
      const Repo r = open_repo(t.path(), limit);
      EXPECT_EQ(ids(r.commits), library_walk(t.path()));
      ASSERT_EQ(r.commits.size(), 4u);
      for (const Commit& commit : r.commits) {
        if (commit.id.hex() == c) {
          EXPECT_EQ(commit.parent_ids, std::vector<Oid>{*Oid::from_hex(b)});
        } else if (commit.id.hex() == b) {
          EXPECT_EQ(commit.parent_ids, std::vector<Oid>{*Oid::from_hex(a)});
        }
      }
    }
  }
}

TEST(LogWalk, ABranchNamedLikeATagIsTheBranch) {
  TempRepo t;
  t.write("f", "1").commit("on main");
  t.git({"checkout", "-q", "-b", "topic"});
  t.write("f", "2").commit("on topic");
  t.git({"checkout", "-q", "--orphan", "loose"});
  const std::string tagged = t.write("f", "3").commit("only tagged");
  t.git({"tag", "topic", tagged});
  t.git({"checkout", "-q", "main"});
  t.git({"branch", "-D", "loose"});
  t.git({"commit-graph", "write", "--reachable"});
  const Repo r = open_repo(t.path(), 2000);
  std::vector<std::string> summaries;
  for (const Commit& c : r.commits) summaries.push_back(c.summary);
  EXPECT_EQ(summaries, (std::vector<std::string>{"on topic", "on main"}));
}

TEST(LogWalk, AnOctopusMergeListsEveryParent) {
  TempRepo t;
  t.write("f", "0").commit("root");
  for (const char* b : {"p1", "p2", "p3"}) {
    t.git({"checkout", "-q", "-b", b, "main"});
    t.write(b, b).commit(b);
  }
  t.git({"checkout", "-q", "main"});
  t.write("m", "m").commit("on main");
  t.git({"merge", "-q", "--no-edit", "p1", "p2", "p3"});
  t.git({"commit-graph", "write", "--reachable"});
  for (std::optional<std::uint64_t> limit :
       {std::optional<std::uint64_t>{}, std::optional<std::uint64_t>{10}}) {
    const Repo r = open_repo(t.path(), limit);
    ASSERT_EQ(r.commits.size(), 6u);
    EXPECT_EQ(r.commits[0].parent_ids.size(), 4u);
    expect_log_order(r.commits, library_walk(t.path()));
  }
}

// The whole of a long history through git's walk is read by more than one
// thread; the order stays that of the single walk.
TEST(LogWalk, ALongHistoryReadInParallelKeepsItsOrder) {
  TempRepo t;
  generate(t, 25000, 3, false, 3);
  const Repo walked = open_repo(t.path(), std::nullopt);  // no file: our own walk
  t.git({"commit-graph", "write", "--reachable"});
  const Repo listed = open_repo(t.path(), std::nullopt);
  ASSERT_EQ(listed.commits.size(), 25000u);
  EXPECT_EQ(ids(listed.commits), ids(walked.commits));
  for (std::size_t i = 0; i < listed.commits.size(); i += 997) {
    EXPECT_EQ(listed.commits[i].summary, walked.commits[i].summary);
    EXPECT_EQ(listed.commits[i].parent_ids, walked.commits[i].parent_ids);
  }
}

// A stand-in for git on PATH that notes how it was run, then runs git.
class GitSpy {
 public:
  GitSpy() {
    const std::string real = which_git();
    script_ = dir_.path() + "/git";
    std::ofstream(script_) << "#!/bin/sh\n"
                           << "printf '%s\\n' \"GIT_GRAFT_FILE=$GIT_GRAFT_FILE $*\" >> '" << log_path()
                           << "'\n"
                           << "exec '" << real << "' \"$@\"\n";
    std::filesystem::permissions(script_, std::filesystem::perms::owner_all);
    const char* path = std::getenv("PATH");
    saved_ = path ? path : "";
    setenv("PATH", (dir_.path() + ":" + saved_).c_str(), 1);
  }
  ~GitSpy() { setenv("PATH", saved_.c_str(), 1); }
  std::string runs() const {
    std::ifstream in(log_path());
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  static std::string which_git() {
    auto found = utils::run_process({"sh", "-c", "command -v git"});
    std::string out = found ? found->out : "/usr/bin/git\n";
    out.pop_back();
    return out;
  }
  std::string log_path() const { return dir_.path() + "/runs"; }
  TempDir dir_;
  std::string script_;
  std::string saved_;
};

TEST(LogWalk, GitListsTheCommitsWithoutReplaceObjectsOrGrafts) {
  TempRepo t;
  for (int i = 0; i < 3; ++i) t.write("f", std::to_string(i)).commit("c" + std::to_string(i));
  t.git({"commit-graph", "write", "--reachable"});
  GitSpy spy;
  const Repo r = open_repo(t.path(), 2000);
  EXPECT_EQ(r.commits.size(), 3u);
  EXPECT_EQ(
      spy.runs(),
      "GIT_GRAFT_FILE=/dev/null --no-replace-objects rev-list --date-order --branches --remotes -n2001\n");
  // A limit C's int cannot hold is not passed on.
  const Repo huge = open_repo(t.path(), std::uint64_t{1} << 32);
  EXPECT_EQ(huge.commits.size(), 3u);
  EXPECT_FALSE(huge.has_more);
  EXPECT_NE(spy.runs().find("--remotes\n"), std::string::npos);
}

TEST(LogWalk, WithoutGitOnThePathTheLogStillLoads) {
  TempRepo t;
  generate(t, 60, 3, false);
  t.git({"commit-graph", "write", "--reachable"});
  const std::vector<Oid> reference = library_walk(t.path());
  const char* path = std::getenv("PATH");
  const std::string saved = path ? path : "";
  setenv("PATH", "/nonexistent", 1);
  auto r = Repo::open(t.path(), 2000);
  setenv("PATH", saved.c_str(), 1);
  ASSERT_TRUE(r);
  EXPECT_EQ(ids(r->commits), reference);
}

// A remote's HEAD left pointing at a branch that a pruning fetch removed.
TEST(LogWalk, ARemoteHeadWhoseBranchIsGoneIsPassedOver) {
  TempRepo t;
  const std::string a = t.write("f", "1").commit("a");
  t.write("f", "2").commit("b");
  t.git({"update-ref", "refs/remotes/origin/main", a});
  t.git({"symbolic-ref", "refs/remotes/origin/HEAD", "refs/remotes/origin/master"});
  for (GraphFile kind : {GraphFile::None, GraphFile::Default}) {
    write_graph_file(t, kind);
    for (std::optional<std::uint64_t> limit :
         {std::optional<std::uint64_t>{}, std::optional<std::uint64_t>{10}}) {
      SCOPED_TRACE(name_of(kind) + (limit ? ", limit" : ", whole history"));
      auto r = Repo::open(t.path(), limit);
      ASSERT_TRUE(r) << r.error().message;
      EXPECT_EQ(r->commits.size(), 2u);
      EXPECT_FALSE(r->cut_short);
      EXPECT_EQ(r->branches.size(), 2u);
      EXPECT_TRUE(r->branches.contains(repo::BranchName{"origin/main"}));
    }
  }
}

// Git refuses these, and so does the log, with the walk's set-up failure.
TEST(LogWalk, ABranchAtAMissingObjectFailsTheSetUp) {
  TempRepo t;
  t.write("f", "1").commit("a");
  std::ofstream(t.file_path(".git/refs/heads/broken")) << "1111111111111111111111111111111111111111\n";
  auto r = Repo::open(t.path(), 2000);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error().exit_status, 101);
  EXPECT_TRUE(r.error().message.starts_with("Failed to push branches: ")) << r.error().message;
  std::filesystem::remove(t.file_path(".git/refs/heads/broken"));
  t.git({"update-ref", "refs/remotes/origin/x", "HEAD"});
  std::ofstream(t.file_path(".git/refs/remotes/origin/x")) << "1111111111111111111111111111111111111111\n";
  r = Repo::open(t.path(), std::nullopt);
  ASSERT_FALSE(r);
  EXPECT_TRUE(r.error().message.starts_with("Failed to push remotes: ")) << r.error().message;
}

std::string loose_object(const TempRepo& t, const std::string& id) {
  return t.file_path(".git/objects/" + id.substr(0, 2) + "/" + id.substr(2));
}

TEST(LogWalk, AMissingCommitCutsTheHistoryShortAndSaysSo) {
  for (GraphFile kind : {GraphFile::None, GraphFile::Default}) {
    TempRepo t;
    std::vector<std::string> made;
    for (int i = 0; i < 6; ++i)
      made.push_back(t.write("f", std::to_string(i)).commit("c" + std::to_string(i)));
    t.git({"checkout", "-q", "-b", "side", made[1]});
    t.write("s", "1").commit("side");
    t.git({"checkout", "-q", "main"});
    write_graph_file(t, kind);
    std::filesystem::remove(loose_object(t, made[3]));
    for (std::optional<std::uint64_t> limit :
         {std::optional<std::uint64_t>{}, std::optional<std::uint64_t>{10}}) {
      SCOPED_TRACE(name_of(kind) + (limit ? ", limit" : ", whole history"));
      auto r = Repo::open(t.path(), limit);
      ASSERT_TRUE(r) << r.error().message;
      std::vector<std::string> summaries;
      for (const Commit& c : r->commits) summaries.push_back(c.summary);
      // Everything that can be reached without the missing commit.
      EXPECT_EQ(summaries, (std::vector<std::string>{"side", "c5", "c4", "c1", "c0"}));
      ASSERT_TRUE(r->cut_short);
      EXPECT_EQ(*r->cut_short, "history cut short: commit " + made[3].substr(0, 7) + " cannot be read");
      EXPECT_EQ(r->graph.size(), r->commits.size());
      EXPECT_FALSE(r->load_key);
      // Never taken for unchanged: the missing commit may come back.
      EXPECT_TRUE(Repo::load_model(t.path(), limit, r->load_key));
    }
  }
}

TEST(LogWalk, AShallowCloneListsItsHistory) {
  TempRepo t;
  for (int i = 0; i < 5; ++i) t.write("f", std::to_string(i)).commit("c" + std::to_string(i));
  TempDir d;
  const std::string shallow = d.path() + "/shallow";
  t.git({"clone", "-q", "--depth", "2", "file://" + t.path(), shallow});
  for (std::optional<std::uint64_t> limit :
       {std::optional<std::uint64_t>{}, std::optional<std::uint64_t>{10}}) {
    auto r = Repo::open(shallow, limit);
    ASSERT_TRUE(r) << r.error().message;
    ASSERT_EQ(r->commits.size(), 2u);
    EXPECT_EQ(r->commits[0].summary, "c4");
    EXPECT_EQ(r->commits[1].summary, "c3");
    // The boundary keeps its real parent, which the clone does not hold.
    EXPECT_EQ(r->commits[1].parent_ids.size(), 1u);
    EXPECT_FALSE(r->cut_short);
  }
}

// A detached HEAD is a tip of the log like a branch, whichever way the log
// is loaded: git's walk with or without a commit-graph file, or our own.
TEST(LogWalk, ADetachedHeadIsATipOfTheLog) {
  for (GraphFile kind : {GraphFile::None, GraphFile::Default}) {
    for (const bool with_git : {true, false}) {
      TempRepo t;
      const std::string one = t.write("f", "1").commit("one");
      t.write("f", "2").commit("two");
      t.git({"checkout", "-q", "--detach", one});
      t.write("f", "3").commit("loose");
      const std::string tip = t.write("f", "4").commit("loose tip");
      write_graph_file(t, kind);
      // Without git on PATH for the loads alone: the test's own git needs it.
      auto load = [&](auto&& how) {
        std::optional<testing_support::EnvGuard> no_git;
        if (!with_git)
          no_git.emplace(std::initializer_list<std::pair<std::string, std::optional<std::string>>>{
              {"PATH", "/nonexistent"}});
        return how();
      };
      const std::vector<std::string> all{"loose tip", "loose", "two", "one"};
      for (std::optional<std::uint64_t> limit :
           {std::optional<std::uint64_t>{}, std::optional<std::uint64_t>{2000},
            std::optional<std::uint64_t>{3}}) {
        SCOPED_TRACE(name_of(kind) + (with_git ? ", git" : ", no git") +
                     (limit ? ", limit " + std::to_string(*limit) : ", whole history"));
        const Repo r = load([&] { return open_repo(t.path(), limit); });
        const std::size_t shown = limit ? std::min<std::size_t>(*limit, all.size()) : all.size();
        EXPECT_EQ(summaries(r), std::vector<std::string>(all.begin(), all.begin() + shown));
        EXPECT_EQ(r.has_more, shown < all.size());
        EXPECT_FALSE(r.cut_short);
        EXPECT_EQ(r.head_sha().hex(), tip);
        std::vector<bool> in_head_history{true, true, false, true};
        in_head_history.resize(shown);
        EXPECT_EQ(r.head_history, in_head_history);
      }

      SCOPED_TRACE(name_of(kind) + (with_git ? ", git, reloads" : ", no git, reloads"));
      Repo r = load([&] { return open_repo(t.path(), 2000); });
      // A commit on the detached HEAD is a change the reload does not skip.
      const std::string next = t.write("f", "5").commit("next");
      load([&] {
        r.refresh();
        return 0;
      });
      ASSERT_FALSE(r.commits.empty());
      EXPECT_EQ(r.commits.front().id.hex(), next);
      EXPECT_EQ(r.head_sha().hex(), next);
      // Back on a branch, what only the detached HEAD reached is gone.
      t.git({"checkout", "-q", "main"});
      load([&] {
        r.refresh();
        return 0;
      });
      EXPECT_EQ(summaries(r), (std::vector<std::string>{"two", "one"}));
    }
  }
}

// The commit of a detached HEAD cannot be read: the branches' history is
// listed, and the log says what is missing.
TEST(LogWalk, ADetachedHeadAtAMissingCommitCutsTheLogShort) {
  for (GraphFile kind : {GraphFile::None, GraphFile::Default}) {
    SCOPED_TRACE(name_of(kind));
    TempRepo t;
    t.write("f", "1").commit("one");
    t.git({"checkout", "-q", "--detach"});
    const std::string loose = t.write("f", "2").commit("loose");
    write_graph_file(t, kind);
    std::filesystem::remove(t.file_path(".git/objects/" + loose.substr(0, 2) + "/" + loose.substr(2)));
    for (std::optional<std::uint64_t> limit :
         {std::optional<std::uint64_t>{}, std::optional<std::uint64_t>{10}}) {
      auto r = Repo::open(t.path(), limit);
      ASSERT_TRUE(r) << r.error().message;
      EXPECT_EQ(summaries(*r), std::vector<std::string>{"one"});
      ASSERT_TRUE(r->cut_short);
      EXPECT_EQ(*r->cut_short, "history cut short: commit " + loose.substr(0, 7) + " cannot be read");
    }
  }
}

TEST(LogWalk, GitListsADetachedHeadByItsId) {
  TempRepo t;
  t.write("f", "1").commit("c1");
  t.git({"checkout", "-q", "--detach"});
  const std::string loose = t.write("f", "2").commit("loose");
  GitSpy spy;
  const Repo r = open_repo(t.path(), 2000);
  EXPECT_EQ(r.commits.size(), 2u);
  EXPECT_EQ(spy.runs(),
            "GIT_GRAFT_FILE=/dev/null --no-replace-objects rev-list --date-order --branches --remotes " +
                loose + " -n2001\n");
}

TEST(LoadModel, UnchangedReferencesSkipTheWalk) {
  TempRepo t;
  const std::string first = t.write("f", "1").commit("one");
  t.write("f", "2").commit("two");
  const Repo r = open_repo(t.path(), 2000);
  ASSERT_TRUE(r.load_key);
  EXPECT_FALSE(Repo::load_model(t.path(), 2000, r.load_key));
  // An index write or a lock file changes nothing that the log shows.
  t.write("g", "x");
  t.git({"add", "g"});
  std::ofstream(t.file_path(".git/index.lock")) << "";
  EXPECT_FALSE(Repo::load_model(t.path(), 2000, r.load_key));
  std::filesystem::remove(t.file_path(".git/index.lock"));

  struct Change {
    const char* name;
    std::function<void()> make;
    std::function<void()> undo;
  };
  const Change changes[] = {
      {"a new branch",
       [&] {
         t.git({"branch", "b", first});
       },
       [&] {
         t.git({"branch", "-D", "b"});
       }},
      {"a remote branch",
       [&] {
         t.git({"update-ref", "refs/remotes/o/x", first});
       },
       [&] {
         t.git({"update-ref", "-d", "refs/remotes/o/x"});
       }},
      {"HEAD detached",
       [&] {
         t.git({"checkout", "-q", "--detach"});
       },
       [&] {
         t.git({"checkout", "-q", "main"});
       }},
      {"a shallow file", [&] { std::ofstream(t.file_path(".git/shallow")) << first << "\n"; },
       [&] { std::filesystem::remove(t.file_path(".git/shallow")); }},
      {"a graft", [&] { std::ofstream(t.file_path(".git/info/grafts")) << first << "\n"; },
       [&] { std::filesystem::remove(t.file_path(".git/info/grafts")); }},
  };
  for (const Change& c : changes) {
    SCOPED_TRACE(c.name);
    c.make();
    auto model = Repo::load_model(t.path(), 2000, r.load_key);
    ASSERT_TRUE(model);
    EXPECT_NE(model->key, *r.load_key);
    c.undo();
    EXPECT_FALSE(Repo::load_model(t.path(), 2000, r.load_key));
  }
  // Another limit walks again.
  EXPECT_TRUE(Repo::load_model(t.path(), 1, r.load_key));
  EXPECT_TRUE(Repo::load_model(t.path(), 2000, std::nullopt));
}

TEST(LoadModel, RefreshTakesOnlyWhatChanged) {
  TempRepo t;
  t.write("f", "1").commit("one");
  Repo r = open_repo(t.path(), 2000);
  const std::uint64_t version = r.model_version;
  const auto* before = r.commits.data();
  r.refresh();  // nothing changed: the same model, but it counts as a reload
  EXPECT_EQ(r.commits.data(), before);
  EXPECT_GT(r.model_version, version);
  t.write("f", "2").commit("two");
  r.refresh();
  EXPECT_EQ(r.commits.size(), 2u);
}

}  // namespace
