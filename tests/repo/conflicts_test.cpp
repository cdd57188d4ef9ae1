// Conflict labels from real stopped merges and rebases, and resolving
// conflict sections measured against `git merge-file`.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "repo/repo.hpp"
#include "support/repositories.hpp"
#include "support/temp_repo.hpp"
#include "support/text.hpp"

namespace {

namespace fs = std::filesystem;
using repo::ConflictContext;
using repo::ConflictKind;
using repo::Repo;
using testing_support::numbered;
using testing_support::open_repo;
using testing_support::replace;
using testing_support::TempRepo;

struct ConflictFile {
  std::string path;
  std::optional<std::string> base;  // absent: added on both sides
  std::string ours, theirs;
};

std::vector<ConflictFile> conflict_files() {
  const std::string lf = numbered(0, 29, "line ");
  const std::string crlf = numbered(0, 11, "line ", {}, "\r\n");
  return {
      {"multi.txt", lf,
       replace(replace(replace(lf, "line 3\n", "ours 3\n"), "line 10\nline 11\n", "ours 10\n"), "line 26\n",
               "ours 26\n"),
       replace(
           replace(replace(lf, "line 3\n", "theirs 3\nmore\n"), "line 10\nline 11\n", "theirs 10\nt 11\n"),
           "line 26\n", "theirs 26\n")},
      {"crlf.txt", crlf, replace(replace(crlf, "line 1\r\n", "o1\r\n"), "line 9\r\n", "o9\r\n"),
       replace(replace(crlf, "line 1\r\n", "t1\r\n"), "line 9\r\n", "t9\r\nt9b\r\n")},
      {"end.txt", "a\nb\nc\n", "a\nb\nours\n", "a\nb\ntheirs\n"},
      // The last block's sides lack the final line feed.
      {"end-noeol.txt", "a\nb\nc", "a\nb\nours", "a\nb\ntheirs"},
      {"one-side-empty.txt", "a\nb\nc\nd\n", "a\nd\n", "a\nB\nC\nd\n"},
      {"addadd.txt", std::nullopt, "same\nours\nsame end\n", "same\ntheirs\nsame end\n"},
  };
}

// A merge of topic into main that stops on every file of the list.
void stop_merge(TempRepo& t, const std::vector<ConflictFile>& files, const std::string& style) {
  t.write("unrelated", "u\n");
  for (const auto& f : files)
    if (f.base) t.write(f.path, *f.base);
  t.commit("base");
  t.git({"checkout", "-q", "-b", "topic"});
  for (const auto& f : files) t.write(f.path, f.theirs);
  t.commit("theirs");
  t.git({"checkout", "-q", "main"});
  for (const auto& f : files) t.write(f.path, f.ours);
  t.commit("ours");
  ASSERT_FALSE(t.git_result({"-c", "merge.conflictStyle=" + style, "merge", "-q", "topic"}).success());
}

class ResolveConflict : public testing::TestWithParam<const char*> {};

// Keeping side 1 (or 2) of every section, section 0 again and again as the
// staging view's list shrinks, gives git's own resolution of the file.
TEST_P(ResolveConflict, EverySectionOneSideGivesWhatGitMergeFileGives) {
  TempRepo t;
  const auto files = conflict_files();
  stop_merge(t, files, GetParam());
  const std::string stages = t.path() + "/../stages/";
  fs::create_directories(stages);

  for (const auto& f : files) {
    SCOPED_TRACE(f.path);
    const std::string conflicted = t.read(f.path);
    t.write("../stages/base", f.base ? t.git({"show", ":1:" + f.path}) : std::string());
    t.write("../stages/ours", t.git({"show", ":2:" + f.path}));
    t.write("../stages/theirs", t.git({"show", ":3:" + f.path}));
    for (bool use_ours : {true, false}) {
      SCOPED_TRACE(use_ours ? "ours" : "theirs");
      t.write(f.path, conflicted);
      std::size_t resolved = 0;
      for (;;) {
        Repo r = open_repo(t.path());
        auto status = r.load_worktree_status(false);
        ASSERT_TRUE(status);
        auto it = std::find_if(status->unstaged.begin(), status->unstaged.end(),
                               [&](const auto& w) { return w.path == f.path; });
        ASSERT_NE(it, status->unstaged.end());
        ASSERT_EQ(it->kind, repo::ChangeKind::Conflicted);
        if (it->conflict_sections.empty()) break;
        auto done = r.resolve_conflict(f.path, 0, use_ours);
        ASSERT_TRUE(done) << done.error();
        ++resolved;
      }
      EXPECT_GT(resolved, 0u);
      std::string want = t.git_result({"merge-file", "-p", use_ours ? "--ours" : "--theirs", stages + "ours",
                                       stages + "base", stages + "theirs"})
                             .out;
      // git ends its closing marker with a line feed even when the sides
      // have none; the file then has one, and resolving keeps it.
      if (!want.ends_with('\n') && conflicted.ends_with('\n')) want += '\n';
      EXPECT_EQ(t.read(f.path), want);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Styles, ResolveConflict, testing::Values("merge", "diff3"));

TEST(ResolveConflict, OnlyTheChosenBlockChanges) {
  TempRepo t;
  t.write("seed", "s\n").commit("base");
  const std::string text =
      "top\r\n<<<<<<< HEAD\r\na\r\n||||||| base\r\nold\r\n=======\r\nb\r\n>>>>>>> topic\r\n"
      "mid\r\n<<<<<<< HEAD\r\nc\r\n=======\r\nd\r\n>>>>>>> topic\r\n<<<<<<< never closed\r\nkept\r\nend";
  t.write("f.txt", text);
  ::chmod(t.file_path("f.txt").c_str(), 0755);
  Repo r = open_repo(t.path());

  ASSERT_TRUE(r.resolve_conflict("f.txt", 1, false));
  EXPECT_EQ(t.read("f.txt"),
            "top\r\n<<<<<<< HEAD\r\na\r\n||||||| base\r\nold\r\n=======\r\nb\r\n>>>>>>> topic\r\n"
            "mid\r\nd\r\n<<<<<<< never closed\r\nkept\r\nend");
  struct stat st {};
  ASSERT_EQ(::stat(t.file_path("f.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0755u);
  ASSERT_TRUE(r.resolve_conflict("f.txt", 0, true));
  EXPECT_EQ(t.read("f.txt"), "top\r\na\r\nmid\r\nd\r\n<<<<<<< never closed\r\nkept\r\nend");

  // Nothing left to resolve: an error, and the file stays as it is.
  auto past = r.resolve_conflict("f.txt", 0, true);
  ASSERT_FALSE(past);
  EXPECT_EQ(past.error(), "conflict section not found");
  EXPECT_EQ(t.read("f.txt"), "top\r\na\r\nmid\r\nd\r\n<<<<<<< never closed\r\nkept\r\nend");

  // The last block of a file without a final line feed, with an empty side.
  t.write("g.txt", "a\n<<<<<<< HEAD\n=======\nb\n>>>>>>> topic");
  ASSERT_TRUE(r.resolve_conflict("g.txt", 0, true));
  EXPECT_EQ(t.read("g.txt"), "a");
  t.write("g.txt", "a\n<<<<<<< HEAD\n=======\nb\n>>>>>>> topic");
  ASSERT_TRUE(r.resolve_conflict("g.txt", 0, false));
  EXPECT_EQ(t.read("g.txt"), "a\nb");
}

TEST(ResolveConflict, Failures) {
  TempRepo t;
  testing_support::TempDir outside;
  const std::string block = "<<<<<<< HEAD\na\n=======\nb\n>>>>>>> topic\n";
  t.write("seed", "s\n").commit("base");
  t.write("latin1.txt", "caf\xe9\n" + block);
  t.write("../outside.txt", block);
  t.symlink(t.path() + "/../outside.txt", "link.txt");
  Repo r = open_repo(t.path());
  const std::pair<std::string, std::string> cases[] = {
      {"missing.txt", "Failed to read file: No such file or directory (os error 2)"},
      {"latin1.txt", "Failed to read file: Invalid or incomplete multibyte or wide character (os error 84)"},
      {"link.txt", "Failed to read file: Too many levels of symbolic links (os error 40)"},
      {"../outside.txt", "Failed to read file: Invalid argument (os error 22)"},
  };
  for (const auto& [path, message] : cases) {
    SCOPED_TRACE(path);
    auto got = r.resolve_conflict(path, 0, true);
    ASSERT_FALSE(got);
    EXPECT_EQ(got.error(), message);
  }
  EXPECT_EQ(t.read("../outside.txt"), block);
  EXPECT_TRUE(fs::is_symlink(t.file_path("link.txt")));
}

// ---- Labels ----

struct Stop {
  ConflictKind kind;
  std::string ours, theirs;
};

ConflictContext context(TempRepo& t) { return open_repo(t.path()).detect_conflict_context(); }

void expect_context(TempRepo& t, const Stop& want) {
  const ConflictContext got = context(t);
  EXPECT_EQ(got.kind, want.kind);
  EXPECT_EQ(got.ours_label, want.ours);
  EXPECT_EQ(got.theirs_label, want.theirs);
}

// main and topic change the same line of f.
void diverge(TempRepo& t) {
  t.write("f", "base\n").commit("base");
  t.git({"checkout", "-q", "-b", "topic"});
  t.write("f", "topic\n").commit("topic");
  t.git({"checkout", "-q", "main"});
  t.write("f", "main\n").commit("main");
}

TEST(ConflictContext, LabelsOfRealStops) {
  {
    SCOPED_TRACE("nothing in progress");
    TempRepo t;
    diverge(t);
    expect_context(t, {ConflictKind::None, "ours", "theirs"});
  }
  {
    SCOPED_TRACE("merge of a local branch");
    TempRepo t;
    diverge(t);
    ASSERT_FALSE(t.git_result({"merge", "-q", "topic"}).success());
    expect_context(t, {ConflictKind::Merge, "main", "topic"});
  }
  {
    SCOPED_TRACE("merge on a detached HEAD of a commit no local branch holds");
    TempRepo t;
    diverge(t);
    const std::string topic = t.rev_parse("topic");
    t.git({"update-ref", "refs/remotes/origin/topic", topic});
    t.git({"branch", "-q", "-D", "topic"});
    t.git({"checkout", "-q", "--detach", "main"});
    ASSERT_FALSE(t.git_result({"merge", "-q", topic}).success());
    expect_context(t, {ConflictKind::Merge, t.rev_parse("HEAD").substr(0, 7), topic.substr(0, 7)});
  }
  {
    SCOPED_TRACE("rebase onto a local branch");
    TempRepo t;
    diverge(t);
    ASSERT_FALSE(t.git_result({"rebase", "main", "topic"}).success());
    ASSERT_TRUE(fs::exists(t.path() + "/.git/rebase-merge"));
    expect_context(t, {ConflictKind::Rebase, "main", "topic"});
  }
  {
    SCOPED_TRACE("rebase onto a remote-tracking branch");
    TempRepo t;
    diverge(t);
    t.git({"update-ref", "refs/remotes/origin/main", t.rev_parse("main")});
    t.git({"checkout", "-q", "topic"});
    t.git({"branch", "-q", "-f", "main", "main~1"});
    ASSERT_FALSE(t.git_result({"rebase", "origin/main"}).success());
    expect_context(t, {ConflictKind::Rebase, "origin/main", "topic"});
  }
  {
    SCOPED_TRACE("rebase of a detached HEAD onto a commit no branch holds");
    TempRepo t;
    diverge(t);
    const std::string onto = t.rev_parse("main");
    t.git({"checkout", "-q", "--detach", "topic"});
    t.git({"branch", "-q", "-f", "main", "main~1"});
    ASSERT_FALSE(t.git_result({"rebase", onto}).success());
    expect_context(t, {ConflictKind::Rebase, "target", "detached HEAD"});
  }
  {
    SCOPED_TRACE("opened through the .git directory");
    TempRepo t;
    diverge(t);
    ASSERT_FALSE(t.git_result({"merge", "-q", "topic"}).success());
    const ConflictContext got = open_repo(t.path() + "/.git").detect_conflict_context();
    EXPECT_EQ(got.kind, ConflictKind::Merge);
    EXPECT_EQ(got.theirs_label, "topic");
  }
}

// What git itself counts as a rebase under way, with either backend; a
// stopped git am keeps its state in "rebase-apply" too, but no rebase
// command will continue or abort it.
TEST(RebaseInProgress, EitherBackendButNotAStoppedAm) {
  struct Case {
    const char* name;
    std::function<void(TempRepo&)> stop;
    bool rebasing;
  };
  const Case cases[] = {
      {"nothing under way", [](TempRepo&) {}, false},
      {"merge stopped on a conflict",
       [](TempRepo& t) {
         ASSERT_FALSE(t.git_result({"merge", "-q", "topic"}).success());
       },
       false},
      {"rebase, merge backend",
       [](TempRepo& t) {
         ASSERT_FALSE(t.git_result({"rebase", "main", "topic"}).success());
       },
       true},
      {"rebase, apply backend",
       [](TempRepo& t) {
         ASSERT_FALSE(t.git_result({"-c", "rebase.backend=apply", "rebase", "main", "topic"}).success());
         ASSERT_TRUE(fs::exists(t.path() + "/.git/rebase-apply"));
       },
       true},
      {"git am stopped on a conflict",
       [](TempRepo& t) {
         const std::string patch = t.git({"format-patch", "-1", "--stdout", "topic"});
         ASSERT_FALSE(t.git_result({"am", "-3"}, patch).success());
         ASSERT_TRUE(fs::exists(t.path() + "/.git/rebase-apply/applying"));
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempRepo t;
    diverge(t);
    c.stop(t);
    EXPECT_EQ(open_repo(t.path()).rebase_in_progress(), c.rebasing);
    EXPECT_EQ(open_repo(t.path() + "/.git").rebase_in_progress(), c.rebasing);
  }

  // A linked work tree keeps its rebase in its own git directory.
  TempRepo t;
  diverge(t);
  const std::string linked = t.path() + "/../linked";
  t.git({"worktree", "add", "-q", "--detach", linked, "topic"});
  EXPECT_FALSE(open_repo(linked).rebase_in_progress());
  ASSERT_FALSE(t.git_result({"-C", linked, "rebase", "main"}).success());
  EXPECT_TRUE(open_repo(linked).rebase_in_progress());
  EXPECT_FALSE(open_repo(t.path()).rebase_in_progress()) << "the main work tree is not rebasing";
}

TEST(ConflictContext, UnreadableStateFilesGiveFixedLabels) {
  TempRepo t;
  t.write("f", "x\n").commit("base");
  fs::create_directories(t.path() + "/.git/rebase-apply");
  expect_context(t, {ConflictKind::Rebase, "target", "HEAD"});
  t.write(".git/rebase-apply/head-name", "  refs/heads/feature/x \n");
  t.write(".git/rebase-apply/onto", "0000000\n");
  expect_context(t, {ConflictKind::Rebase, "target", "feature/x"});
  fs::remove_all(t.path() + "/.git/rebase-apply");

  fs::create_directories(t.path() + "/.git/MERGE_HEAD");  // exists, cannot be read
  expect_context(t, {ConflictKind::Merge, "main", "source"});
  fs::remove_all(t.path() + "/.git/MERGE_HEAD");
  t.write(".git/MERGE_HEAD", " abc \n");
  expect_context(t, {ConflictKind::Merge, "main", "abc"});
}

}  // namespace
