// Files whose work-tree copy differs from the index's by a conversion: line
// endings (eol=crlf, text=auto, core.autocrlf) and the ident keyword. The
// index holds the LF form; the work tree holds CRLF or the expanded keyword.
// The lists, the hunk operations and the entries they write must agree with
// git.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "patch_text.hpp"
#include "repo/repo.hpp"
#include "support/repositories.hpp"
#include "support/temp_repo.hpp"
#include "support/text.hpp"
#include "support/worktree_files.hpp"

namespace {

using repo::Hunk;
using repo::Repo;
using repo::WorktreeFile;
using testing_support::find_file;
using testing_support::numbered;
using testing_support::open_repo;
using testing_support::replace;
using testing_support::split_patch;
using testing_support::TempRepo;

struct Conversion {
  const char* name;
  std::function<void(TempRepo&)> set_up;
  // The work-tree copy a user's CRLF editor leaves where a checkout on this
  // system writes LF.
  bool user_writes_crlf = false;
};

const Conversion kEolConversions[] = {
    {"eol=crlf", [](TempRepo& t) { t.write(".gitattributes", "*.txt eol=crlf\n"); }},
    {"text=auto", [](TempRepo& t) { t.write(".gitattributes", "* text=auto\n"); }, true},
    {"core.autocrlf=true",
     [](TempRepo& t) {
       t.git({"config", "core.autocrlf", "true"});
     }},
    {"core.autocrlf=input",
     [](TempRepo& t) {
       t.git({"config", "core.autocrlf", "input"});
     },
     true},
};
const Conversion kIdent = {"ident", [](TempRepo& t) { t.write(".gitattributes", "*.txt ident\n"); }};
const Conversion kNone = {"none", [](TempRepo&) {}};

std::string to_crlf(const std::string& lf) {
  std::string out;
  for (char c : lf) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// One file: its committed text (LF) and the edit made to the copy a
// checkout writes, as a function of that copy.
struct EditedFile {
  std::string path;
  std::string committed;
  std::function<std::string(const std::string&)> edit;
};

// Commits the files, checks each out afresh (CRLF, or the expanded keyword),
// turns it into a CRLF editor's copy where the conversion asks for one and
// makes the edit.
void build(TempRepo& t, const Conversion& conversion, const std::vector<EditedFile>& files) {
  conversion.set_up(t);
  for (const auto& f : files) t.write(f.path, f.committed);
  t.commit("base");
  for (const auto& f : files) {
    t.remove(f.path);
    t.git({"checkout", "--", f.path});
    std::string copy = t.read(f.path);
    if (conversion.user_writes_crlf) copy = to_crlf(copy);
    t.write(f.path, f.edit(copy));
  }
}

using testing_support::git_lines;
using testing_support::Lines;
using testing_support::model_lines;

// ---- A file emptied in the work tree ----

TEST(LineEndings, EmptiedFileListsEveryLineRemoved) {
  std::vector<Conversion> all(std::begin(kEolConversions), std::end(kEolConversions));
  all.push_back(kIdent);
  all.push_back(kNone);
  for (const auto& conversion : all) {
    SCOPED_TRACE(conversion.name);
    TempRepo t;
    build(t, conversion,
          {{"emptied.txt", "a $Id$\nb\n", [](const std::string&) { return std::string(); }},
           {"edited.txt", "x\ny\n", [](const std::string& s) { return replace(s, "y", "Y"); }}});
    Repo r = open_repo(t.path());
    for (bool amend : {false, true}) {
      auto status = r.load_worktree_status(amend);
      ASSERT_TRUE(status);
      for (const std::string path : {"emptied.txt", "edited.txt"}) {
        SCOPED_TRACE(path);
        const WorktreeFile* f = find_file(status->unstaged, path);
        ASSERT_TRUE(f != nullptr);
        EXPECT_EQ(f->kind, repo::ChangeKind::Modified);
        EXPECT_EQ(model_lines(f->unstaged_hunks), git_lines(t.git({"diff", "--", path})));
      }
      const WorktreeFile* emptied = find_file(status->unstaged, "emptied.txt");
      ASSERT_TRUE(emptied != nullptr);
      EXPECT_EQ(emptied->additions, 0u);
      EXPECT_EQ(emptied->deletions, 2u);
    }
  }
}

// ---- Discarding a hunk of a CRLF copy ----

// What git apply -R leaves, in the copy's own line endings: git writes the
// whole file out in the form a checkout gives it, so where that is LF, the
// user's CRLF copy keeps its CRLF with us.
std::string in_own_line_endings(const std::string& by_git, const std::string& copy,
                                const Conversion& conversion) {
  const bool own_crlf = copy.find("\r\n") != std::string::npos;
  return own_crlf && conversion.user_writes_crlf ? to_crlf(by_git) : by_git;
}

std::vector<EditedFile> discard_corpus() {
  return {
      {"two-hunks.txt", numbered(1, 12, "line "),
       [](const std::string& s) {
         return replace(replace(s, "line 2\r", "two\r"), "line 11\r", "eleven\r\nand more\r");
       }},
      {"no-final-eol.txt", "a\nb\nc", [](const std::string& s) { return replace(s, "c", "C"); }},
      {"deleted-line.txt", numbered(1, 6, "line "),
       [](const std::string& s) { return replace(s, "line 3\r\n", ""); }},
      {"emptied.txt", "a\nb\n", [](const std::string&) { return std::string(); }},
  };
}

TEST(LineEndings, DiscardingAHunkMatchesTheCopyAsGitApplyDoes) {
  int compared = 0;
  for (const auto& conversion : kEolConversions) {
    SCOPED_TRACE(conversion.name);
    TempRepo t;
    const auto files = discard_corpus();
    build(t, conversion, files);
    Repo r = open_repo(t.path());
    auto status = r.load_worktree_status(false);
    ASSERT_TRUE(status);
    for (const auto& file : files) {
      SCOPED_TRACE(file.path);
      const WorktreeFile* f = find_file(status->unstaged, file.path);
      ASSERT_TRUE(f != nullptr);
      const std::string copy = t.read(file.path);
      const auto patch = split_patch(t.git({"diff", "--", file.path}));
      ASSERT_EQ(f->unstaged_hunks.size(), patch.hunks.size());
      for (std::size_t i = 0; i < patch.hunks.size(); ++i) {
        SCOPED_TRACE("hunk " + std::to_string(i));
        t.git({"apply", "-R"}, patch.one(i));
        const std::string by_git = t.read(file.path);
        const std::string diff_after_git = t.git({"diff", "--", file.path});
        t.write(file.path, copy);

        auto done = r.discard_hunk(file.path, f->unstaged_hunks[i]);
        ASSERT_TRUE(done) << done.error();
        EXPECT_EQ(t.read(file.path), in_own_line_endings(by_git, copy, conversion));
        EXPECT_EQ(t.git({"diff", "--", file.path}), diff_after_git);
        t.write(file.path, copy);
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, 4 * 5);
}

// ---- The index entries the hunk operations write ----

// Stages the file hunk by hunk, unstages a hunk, then the whole file, in two
// identical repositories: ours through the library calls, the other through
// git apply --cached and git restore --staged. The entries written must be
// git's, so that neither tool takes the converted copy as changed without
// reading it.
TEST(LineEndings, EntriesWrittenByHunkOperationsAreThoseGitWrites) {
  std::vector<Conversion> all(std::begin(kEolConversions), std::end(kEolConversions));
  all.push_back(kIdent);
  const std::string path = "f.txt";
  const EditedFile file{path, "$Id$\n" + numbered(1, 12, "line "), [](const std::string& s) {
                          return replace(replace(s, "line 2", "two"), "line 11", "eleven");
                        }};
  for (const auto& conversion : all) {
    SCOPED_TRACE(conversion.name);
    TempRepo ours, theirs;
    build(ours, conversion, {file});
    build(theirs, conversion, {file});
    Repo r = open_repo(ours.path());

    // Two hunks staged one at a time, reloading in between as the view does.
    for (int step = 0; step < 2; ++step) {
      SCOPED_TRACE("stage " + std::to_string(step));
      auto status = r.load_worktree_status(false);
      ASSERT_TRUE(status);
      const WorktreeFile* f = find_file(status->unstaged, path);
      ASSERT_TRUE(f != nullptr);
      ASSERT_EQ(f->unstaged_hunks.size(), 2u - step);
      ASSERT_TRUE(r.stage_hunk(path, f->unstaged_hunks[0]));
      theirs.git({"apply", "--cached"}, split_patch(theirs.git({"diff", "--", path})).one(0));
      EXPECT_EQ(ours.index_listing(path), theirs.index_listing(path));

      // The copy is looked at again: what is left unstaged has its hunk.
      auto after = r.load_worktree_status(false);
      ASSERT_TRUE(after);
      const WorktreeFile* left = find_file(after->unstaged, path);
      const Lines want = git_lines(ours.git({"diff", "--", path}));
      EXPECT_EQ(left ? model_lines(left->unstaged_hunks) : Lines{}, want);
      EXPECT_EQ(left != nullptr, !want.empty());
    }
    EXPECT_EQ(ours.git({"status", "--porcelain", "--", path}), "M  f.txt\n");

    auto status = r.load_worktree_status(false);
    ASSERT_TRUE(status);
    const WorktreeFile* staged = find_file(status->staged, path);
    ASSERT_TRUE(staged && staged->staged_hunks.size() == 2);
    ASSERT_TRUE(r.unstage_hunk(path, staged->staged_hunks[0], false));
    theirs.git({"apply", "--cached", "-R"}, split_patch(theirs.git({"diff", "--cached", "--", path})).one(0));
    EXPECT_EQ(ours.index_listing(path), theirs.index_listing(path));
    auto unstaged_again = r.load_worktree_status(false);
    ASSERT_TRUE(unstaged_again);
    const WorktreeFile* back = find_file(unstaged_again->unstaged, path);
    ASSERT_TRUE(back != nullptr);
    EXPECT_EQ(model_lines(back->unstaged_hunks), git_lines(ours.git({"diff", "--", path})));
    EXPECT_EQ(ours.git({"status", "--porcelain", "--", path}), "MM f.txt\n");

    ASSERT_TRUE(r.unstage_file(path, false));
    theirs.git({"restore", "--staged", "--", path});
    EXPECT_EQ(ours.index_listing(path), theirs.index_listing(path));
    auto restored = r.load_worktree_status(false);
    ASSERT_TRUE(restored);
    EXPECT_EQ(find_file(restored->staged, path), nullptr);
    const WorktreeFile* whole = find_file(restored->unstaged, path);
    ASSERT_TRUE(whole != nullptr);
    EXPECT_EQ(model_lines(whole->unstaged_hunks), git_lines(ours.git({"diff", "--", path})));
    EXPECT_EQ(ours.git({"status", "--porcelain", "--", path}), " M f.txt\n");
  }
}

}  // namespace
