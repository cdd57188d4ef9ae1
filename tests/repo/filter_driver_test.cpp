// Files that git passes through an outside filter driver (filter.<name>.clean
// and .smudge, as git-lfs configures one): the index holds the cleaned text,
// the work tree the smudged one. The lists must show git's diff, and every
// change must leave what git add, git add -p, git checkout -p and git
// restore leave.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "patch_text.hpp"
#include "repo/filter_drivers.hpp"
#include "repo/git_handle.hpp"
#include "repo/repo.hpp"
#include "support/env_guard.hpp"
#include "support/repositories.hpp"
#include "support/temp_repo.hpp"
#include "support/text.hpp"

namespace {

using repo::Hunk;
using repo::Repo;
using repo::WorktreeFile;
using testing_support::numbered;
using testing_support::open_repo;
using testing_support::replace;
using testing_support::split_patch;
using testing_support::TempRepo;

// The driver: clean turns a leading "x" into "X", smudge turns it back. The
// script lives in the git directory, out of the work tree's status.
void add_driver(TempRepo& t) {
  const std::string script = t.file_path(".git/up-filter");
  testing_support::write_file(script,
                              "#!/bin/sh\n"
                              "case \"$1\" in\n"
                              "  clean) exec sed 's/^x/X/' ;;\n"
                              "  smudge) exec sed 's/^X/x/' ;;\n"
                              "esac\n");
  ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
  t.git({"config", "filter.up.clean", "'" + script + "' clean"});
  t.git({"config", "filter.up.smudge", "'" + script + "' smudge"});
  t.write(".gitattributes", "*.txt filter=up\n");
}

struct EditedFile {
  std::string path;
  std::string committed;  // as the work tree holds it
  std::function<std::string(const std::string&)> edit;
};

std::vector<EditedFile> corpus() {
  const auto gone = [](const std::string&) { return std::string(); };
  return {
      {"two-hunks.txt", "xone\n" + numbered(1, 12, "line ") + "xlast\n",
       [](const std::string& s) {
         return replace(replace(s, "line 2\n", "two\n"), "line 11\n", "xeleven\n");
       }},
      {"no-final-eol.txt", "xa\nb\nxc", [](const std::string& s) { return replace(s, "b", "xb"); }},
      {"emptied.txt", "xa\nb\n", gone},
  };
}

// Commits the files through the driver, checks each out afresh (smudged)
// and edits it.
void build(TempRepo& t, const std::vector<EditedFile>& files) {
  add_driver(t);
  for (const auto& f : files) t.write(f.path, f.committed);
  t.commit("base");
  for (const auto& f : files) {
    t.remove(f.path);
    t.git({"checkout", "--", f.path});
    ASSERT_EQ(t.read(f.path), f.committed);
    t.write(f.path, f.edit(t.read(f.path)));
  }
}

using testing_support::git_lines;
using testing_support::Lines;
using testing_support::model_lines;

const WorktreeFile* find(const std::vector<WorktreeFile>& files, const std::string& path) {
  for (const auto& f : files)
    if (f.path == path) return &f;
  return nullptr;
}

std::string entry(TempRepo& t, const std::string& path) { return t.git({"ls-files", "-s", "--", path}); }

// ---- Which files go through a driver ----

struct DriverCase {
  const char* name;
  std::vector<std::vector<std::string>> config;  // git config arguments
  std::string attributes;
  std::optional<std::string> driver;
};

TEST(FilterDrivers, ADriverAppliesWhereGitWouldRunIt) {
  const DriverCase cases[] = {
      {"clean", {{"filter.up.clean", "cat"}}, "*.txt filter=up\n", "up"},
      {"smudge only", {{"filter.up.smudge", "cat"}}, "*.txt filter=up\n", "up"},
      {"process", {{"filter.up.process", "cat"}}, "*.txt filter=up\n", "up"},
      // git refuses the file rather than take it unfiltered.
      {"required, no command", {{"filter.up.required", "true"}}, "*.txt filter=up\n", "up"},
      {"not required, no command", {{"filter.up.required", "false"}}, "*.txt filter=up\n", std::nullopt},
      {"empty command", {{"filter.up.clean", ""}}, "*.txt filter=up\n", std::nullopt},
      {"the last value counts",
       {{"filter.up.clean", "cat"}, {"--add", "filter.up.clean", ""}},
       "*.txt filter=up\n",
       std::nullopt},
      {"unconfigured driver", {{"filter.up.clean", "cat"}}, "*.txt filter=down\n", std::nullopt},
      {"set without a value", {{"filter.up.clean", "cat"}}, "*.txt filter\n", std::nullopt},
      {"unset", {{"filter.up.clean", "cat"}}, "* filter=up\n*.txt -filter\n", std::nullopt},
      {"dotted name", {{"filter.a.b.clean", "cat"}}, "*.txt filter=a.b\n", "a.b"},
      {"names are case-sensitive", {{"filter.Up.clean", "cat"}}, "*.txt filter=up\n", std::nullopt},
      {"other paths", {{"filter.up.clean", "cat"}}, "*.bin filter=up\n", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempRepo t;
    for (auto args : c.config) {
      args.insert(args.begin(), "config");
      t.git(args);
    }
    t.write(".gitattributes", c.attributes);
    auto handle = repo::open_repository(t.path());
    ASSERT_TRUE(handle);
    EXPECT_EQ(repo::filter_driver_at(handle->get(), "dir/f.txt"), c.driver);
    const auto drivers = repo::FilterDrivers::read(handle->get());
    EXPECT_EQ(drivers.driver_for(handle->get(), "dir/f.txt"), c.driver);
  }
}

// ---- The lists ----

TEST(FilterDriver, ListsTheHunksGitDiffShows) {
  TempRepo t;
  const auto files = corpus();
  build(t, files);
  Repo r = open_repo(t.path());
  for (bool amend : {false, true}) {
    auto status = r.load_worktree_status(amend);
    ASSERT_TRUE(status);
    for (const auto& file : files) {
      SCOPED_TRACE(file.path);
      const WorktreeFile* f = find(status->unstaged, file.path);
      ASSERT_TRUE(f != nullptr);
      EXPECT_EQ(model_lines(f->unstaged_hunks), git_lines(t.git({"diff", "--", file.path})));
    }
  }
}

TEST(FilterDriver, ACopyGitTakesAsCleanIsNoChange) {
  TempRepo t;
  add_driver(t);
  t.write("a.txt", "xone\ntwo\n").commit("base");
  t.remove("a.txt");
  t.git({"checkout", "--", "a.txt"});
  // Written again with the same bytes: its times no longer match the
  // index's, so its content is compared, cleaned by git, unfiltered by the
  // library.
  t.write("a.txt", t.read("a.txt"));
  ASSERT_EQ(t.git({"status", "--porcelain"}), "");
  Repo r = open_repo(t.path());
  auto status = r.load_worktree_status(false);
  ASSERT_TRUE(status);
  EXPECT_EQ(*status, repo::WorktreeStatus{});
  EXPECT_FALSE(r.has_changes());
  EXPECT_EQ(r.look_for_changes(), false);

  // Beside a real change it still counts for nothing.
  t.write("b.md", "new\n");
  EXPECT_TRUE(r.has_changes());
  status = r.load_worktree_status(false);
  ASSERT_TRUE(status);
  ASSERT_EQ(status->unstaged.size(), 1u);
  EXPECT_EQ(status->unstaged[0].path, "b.md");
}

// ---- Staging ----

TEST(FilterDriver, StagingAWholeFileStoresWhatGitAddStores) {
  TempRepo ours, theirs;
  for (TempRepo* t : {&ours, &theirs}) {
    build(*t, corpus());
    t->write("new.txt", "xnew\nline\n");
    t->remove("emptied.txt");
  }
  Repo r = open_repo(ours.path());
  for (const std::string path : {"two-hunks.txt", "no-final-eol.txt", "new.txt", "emptied.txt"}) {
    SCOPED_TRACE(path);
    auto staged = r.stage_file(path);
    ASSERT_TRUE(staged) << staged.error();
    theirs.git({"add", "--", path});
    EXPECT_EQ(entry(ours, path), entry(theirs, path));
  }
  EXPECT_EQ(ours.git({"status", "--porcelain"}), theirs.git({"status", "--porcelain"}));
}

// The hunks are git's, from cleaned text: the library cannot put one in the
// index or take one out of the work tree, and nothing changes.
TEST(FilterDriver, HunksOfAFilteredFileAreRefused) {
  TempRepo t;
  const auto files = corpus();
  build(t, files);
  const std::string refused = "file has a filter driver; act on the whole file";
  Repo r = open_repo(t.path());
  auto status = r.load_worktree_status(false);
  ASSERT_TRUE(status);
  for (const auto& file : files) {
    SCOPED_TRACE(file.path);
    const WorktreeFile* f = find(status->unstaged, file.path);
    ASSERT_TRUE(f != nullptr && !f->unstaged_hunks.empty());
    const std::string index_before = entry(t, file.path);
    const std::string work_before = t.read(file.path);
    auto staged = r.stage_hunk(file.path, f->unstaged_hunks[0]);
    ASSERT_FALSE(staged);
    EXPECT_EQ(staged.error(), refused);
    auto discarded = r.discard_hunk(file.path, f->unstaged_hunks[0]);
    ASSERT_FALSE(discarded);
    EXPECT_EQ(discarded.error(), refused);
    EXPECT_EQ(entry(t, file.path), index_before);
    EXPECT_EQ(t.read(file.path), work_before);
  }

  // A staged hunk stays too.
  const std::string path = files[0].path;
  ASSERT_TRUE(r.stage_file(path));
  const std::string index_before = entry(t, path);
  status = r.load_worktree_status(false);
  ASSERT_TRUE(status);
  const WorktreeFile* staged = find(status->staged, path);
  ASSERT_TRUE(staged != nullptr && !staged->staged_hunks.empty());
  auto unstaged = r.unstage_hunk(path, staged->staged_hunks[0], false);
  ASSERT_FALSE(unstaged);
  EXPECT_EQ(unstaged.error(), refused);
  EXPECT_EQ(entry(t, path), index_before);
}

TEST(FilterDriver, StagingTheHunkOfANewFileStoresWhatGitAddStores) {
  TempRepo ours, theirs;
  for (TempRepo* t : {&ours, &theirs}) {
    add_driver(*t);
    t->commit("base");
    t->write("new.txt", "xnew\nline\n");
  }
  Repo r = open_repo(ours.path());
  auto status = r.load_worktree_status(false);
  ASSERT_TRUE(status);
  const WorktreeFile* f = find(status->unstaged, "new.txt");
  ASSERT_TRUE(f != nullptr && f->unstaged_hunks.size() == 1);
  auto staged = r.stage_hunk("new.txt", f->unstaged_hunks[0]);
  ASSERT_TRUE(staged) << staged.error();
  theirs.git({"add", "--", "new.txt"});
  EXPECT_EQ(entry(ours, "new.txt"), entry(theirs, "new.txt"));
  EXPECT_EQ(ours.git({"show", ":new.txt"}), "Xnew\nline\n");
}

// A driver marked required without a command: git refuses to take the file
// in, and so must we.
TEST(FilterDriver, ARequiredDriverGitCannotRunStagesNothing) {
  TempRepo t;
  t.write(".gitattributes", "*.txt filter=up\n");
  t.write("a.txt", "xone\n").commit("base");
  t.git({"config", "filter.up.required", "true"});
  t.write("a.txt", "xone\ntwo\n");
  const std::string before = entry(t, "a.txt");
  Repo r = open_repo(t.path());
  auto staged = r.stage_file("a.txt");
  ASSERT_FALSE(staged);
  EXPECT_NE(staged.error().find("clean filter 'up' failed"), std::string::npos) << staged.error();
  EXPECT_EQ(entry(t, "a.txt"), before);
}

// git takes the text uncleaned when a filter that is not required fails
// (with git-lfs: the whole large file instead of its pointer). Staging here
// fails instead and says why, the index entry kept.
TEST(FilterDriver, AFailingFilterStagesNothingAndSaysWhy) {
  for (const bool required : {false, true}) {
    SCOPED_TRACE(required ? "required" : "not required");
    TempRepo t;
    build(t, {corpus()[0]});
    t.write("new.txt", "xnew\n");
    t.git({"config", "filter.up.clean", "false"});
    if (required) t.git({"config", "filter.up.required", "true"});
    const std::string before = t.git({"ls-files", "-s"});
    Repo r = open_repo(t.path());
    for (const std::string path : {"two-hunks.txt", "new.txt"}) {
      SCOPED_TRACE(path);
      const std::string work = t.read(path);
      auto staged = r.stage_file(path);
      ASSERT_FALSE(staged);
      EXPECT_NE(staged.error().find("external filter 'false' failed"), std::string::npos) << staged.error();
      EXPECT_EQ(t.read(path), work);
    }
    // The new file's one hunk goes the same way.
    auto status = r.load_worktree_status(false);
    ASSERT_TRUE(status);
    const WorktreeFile* f = find(status->unstaged, "new.txt");
    ASSERT_TRUE(f != nullptr && f->unstaged_hunks.size() == 1);
    EXPECT_FALSE(r.stage_hunk("new.txt", f->unstaged_hunks[0]));
    EXPECT_EQ(t.git({"ls-files", "-s"}), before);
    EXPECT_FALSE(::access(t.file_path(".git/index.lock").c_str(), F_OK) == 0);
  }
}

// Without a configured driver nothing runs git: the attribute alone names
// no filter git would run, and the library's paths stay as they are.
TEST(FilterDriver, NoDriverConfiguredRunsNoGit) {
  TempRepo t;
  t.write(".gitattributes", "*.txt filter=up\n");
  t.write("a.txt", "xone\ntwo\n").write("b.txt", "xb\n").commit("base");
  t.write("a.txt", "xone\n2\n").write("b.txt", "xb\nmore\n").write("c.txt", "xc\n");
  t.git({"config", "filter.other.clean", "cat"});
  Repo r = open_repo(t.path());
  const std::string marker = t.file_path(".git/git-ran");
  const std::string bin = t.file_path(".git/bin");
  ASSERT_EQ(::mkdir(bin.c_str(), 0755), 0);
  testing_support::write_file(bin + "/git", "#!/bin/sh\ntouch '" + marker + "'\nexit 1\n");
  ASSERT_EQ(::chmod((bin + "/git").c_str(), 0755), 0);
  {
    testing_support::EnvGuard path{{"PATH", bin}};
    auto status = r.load_worktree_status(false);
    ASSERT_TRUE(status);
    ASSERT_EQ(status->unstaged.size(), 3u);
    EXPECT_EQ(r.look_for_changes(), true);
    const WorktreeFile* a = find(status->unstaged, "a.txt");
    ASSERT_TRUE(a != nullptr && a->unstaged_hunks.size() == 1);
    EXPECT_TRUE(r.stage_hunk("a.txt", a->unstaged_hunks[0]));
    EXPECT_TRUE(r.stage_file("b.txt"));
    EXPECT_TRUE(r.stage_file("c.txt"));
  }
  EXPECT_NE(::access(marker.c_str(), F_OK), 0);
  EXPECT_EQ(t.git({"status", "--porcelain"}), "M  a.txt\nM  b.txt\nA  c.txt\n");
}

// ---- Discarding ----

TEST(FilterDriver, DiscardingAFileLeavesWhatGitCheckoutLeaves) {
  TempRepo t;
  auto files = corpus();
  files.push_back({"deleted.txt", "xgone\n", [](const std::string& s) { return s; }});
  build(t, files);
  t.remove("deleted.txt");
  Repo r = open_repo(t.path());
  for (const std::string path : {"two-hunks.txt", "no-final-eol.txt", "emptied.txt", "deleted.txt"}) {
    SCOPED_TRACE(path);
    auto done = r.discard_file(path, false);
    ASSERT_TRUE(done) << done.error();
  }
  for (const auto& file : files) EXPECT_EQ(t.read(file.path), file.committed) << file.path;
  EXPECT_EQ(t.git({"status", "--porcelain"}), "");
  auto status = r.load_worktree_status(false);
  ASSERT_TRUE(status);
  EXPECT_EQ(*status, repo::WorktreeStatus{});
}

}  // namespace
