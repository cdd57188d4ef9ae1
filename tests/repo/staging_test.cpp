// Staging, unstaging and discarding, measured against the real git program
// on a corpus of small files made to break patch code.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "patch_text.hpp"
#include "repo/git_handle.hpp"
#include "repo/hunk_apply.hpp"
#include "repo/repo.hpp"
#include "support/repositories.hpp"
#include "support/temp_repo.hpp"
#include "support/text.hpp"
#include "support/worktree_files.hpp"
#include "work_tree_snapshot.hpp"

namespace {

namespace fs = std::filesystem;
using repo::Hunk;
using repo::Repo;
using repo::WorktreeFile;
using repo::WorktreeStatus;
using testing_support::find_file;
using testing_support::numbered;
using testing_support::open_repo;
using testing_support::read_file;
using testing_support::replace;
using testing_support::TempRepo;
using testing_support::write_file;

// ---- Work-tree entries ----

struct Version {
  enum Kind { None, File, Exec, Link } kind = None;
  std::string content;  // bytes, or the link's target
};

Version none() { return {}; }
Version file(std::string c) { return {Version::File, std::move(c)}; }
Version exec(std::string c) { return {Version::Exec, std::move(c)}; }
Version link(std::string target) { return {Version::Link, std::move(target)}; }

// Every entry written gets a time of its own: the tests put saved index
// files back, and a rewritten file of the same size with a reused inode and
// a time the index has cached would look unchanged to git and libgit2.
void put(TempRepo& t, const std::string& path, const Version& v) {
  static long stamp = 1000000000;
  const std::string full = t.file_path(path);
  std::error_code ec;
  fs::remove(full, ec);
  switch (v.kind) {
    case Version::None:
      return;
    case Version::Link:
      t.symlink(v.content, path);
      break;
    case Version::File:
    case Version::Exec:
      t.write(path, v.content);
      ::chmod(full.c_str(), v.kind == Version::Exec ? 0755 : 0644);
      break;
  }
  const timespec times[2] = {{stamp, 0}, {stamp, 0}};
  ++stamp;
  ::utimensat(AT_FDCWD, full.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// What lstat sees at the path, as one comparable text.
std::string entry_text(const std::string& full) {
  struct stat st {};
  if (::lstat(full.c_str(), &st) != 0) return "missing";
  if (S_ISLNK(st.st_mode)) return "link -> " + fs::read_symlink(full).string();
  std::ifstream in(full, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return std::string((st.st_mode & S_IXUSR) ? "exec " : "file ") + ss.str();
}

Version entry_version(const std::string& full) {
  struct stat st {};
  if (::lstat(full.c_str(), &st) != 0) return none();
  if (S_ISLNK(st.st_mode)) return link(fs::read_symlink(full).string());
  std::ifstream in(full, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return {(st.st_mode & S_IXUSR) ? Version::Exec : Version::File, ss.str()};
}

// ---- The corpus ----

// Four equal blocks, as in a lock file or a JSON list: the third one's
// hunk has context that stands in the file more than once.
std::string repeated(const std::string& third_version) {
  std::string s = "[\n";
  for (int i = 0; i < 4; ++i)
    s += "  {\n    \"name\": \"x\",\n    \"version\": \"" + (i == 2 ? third_version : std::string("1")) +
         "\"\n  },\n";
  return s + "]\n";
}

// Why a file's hunk operations may legitimately differ from git apply.
enum class Oracle { Git, Untracked, TypeChange, HeadOnly, NotUtf8 };

struct CorpusFile {
  std::string path;
  Version head, index, work;
  Oracle oracle = Oracle::Git;
};

std::vector<CorpusFile> corpus() {
  const std::string twenty = numbered(1, 20, "line ");
  const std::string crlf = numbered(1, 12, "line ", {}, "\r\n");
  std::vector<CorpusFile> c = {
      {"plain.txt", file(twenty), file(twenty),
       file(replace(replace(twenty, "line 3\n", "three\nand more\n"), "line 16\n", "sixteen\n"))},
      // Changes seven lines apart: two hunks whose context lines touch.
      {"adjacent.txt", file(twenty), file(twenty),
       file(replace(replace(twenty, "line 5\n", "five\n"), "line 13\n", "thirteen\n"))},
      {"noeol.txt", file("a\nb\nc"), file("a\nb\nc"), file("a\nb\nC")},
      {"addeol.txt", file("a\nb\nc"), file("a\nb\nc"), file("a\nb\nc\n")},
      {"dropeol.txt", file("a\nb\nc\n"), file("a\nb\nc\n"), file("a\nb\nc")},
      {"noeol-far.txt", file(twenty + "end"), file(twenty + "end"),
       file(replace(twenty, "line 2\n", "two\n") + "end")},
      {"emptied.txt", file("a\nb\n"), file("a\nb\n"), file("")},
      {"emptied-noeol.txt", file("a\nb"), file("a\nb"), file("")},
      {"filled.txt", file(""), file(""), file("x\ny")},
      {"repeated.json", file(repeated("1")), file(repeated("1")), file(repeated("2"))},
      {"crlf.txt", file(crlf), file(crlf),
       file(replace(replace(crlf, "line 2\r\n", "two\r\n"), "line 11\r\n", "eleven\r\n"))},
      {"crlf-noeol.txt", file("a\r\nb\r\nc"), file("a\r\nb\r\nc"), file("a\r\nB\r\nc")},
      {"exec.sh", exec("#!/bin/sh\necho a\n"), exec("#!/bin/sh\necho a\n"), exec("#!/bin/sh\necho b\n")},
      {"link", link("plain.txt"), link("plain.txt"), link("noeol.txt")},
      {"dangling", link("nowhere-1"), link("nowhere-1"), link("nowhere-2")},
      {":!x", file("one\ntwo\n"), file("one\ntwo\n"), file("one\n2\n")},
      {"deleted.txt", file("gone\nlines\n"), file("gone\nlines\n"), none()},
      {"dir/nested.txt", file("n\n"), file("n\n"), file("n\nm\n")},
      {"latin1-far.txt", file("caf\xe9\n1\n2\n3\n4\n5\nb\n"), file("caf\xe9\n1\n2\n3\n4\n5\nb\n"),
       file("caf\xe9\n1\n2\n3\n4\n5\nB\n")},
      // Staged changes, some changed again in the work tree.
      {"staged.txt", file(twenty), file(replace(replace(twenty, "line 2\n", "two\n"), "line 18\n", "")),
       file(replace(replace(replace(twenty, "line 2\n", "two\n"), "line 18\n", ""), "line 10\n", "ten\n"))},
      {"staged-shift.txt", file(twenty), file(replace(replace(twenty, "line 2\n", ""), "line 18\n", "18\n")),
       file(replace(replace(twenty, "line 2\n", ""), "line 18\n", "18\n"))},
      {"staged-noeol.txt", file("a\nb"), file("a\nB"), file("a\nB\nc")},
      {"staged-new.txt", none(), file("n1\nn2\n"), file("n1\nn2\n")},
      {"staged-new-noeol.txt", none(), file("n1\r\nn2"), file("n1\r\nn2")},
      {"staged-emptied.txt", file("a\nb\n"), file(""), file("")},
      {"staged-link", link("t1"), link("t2"), link("t2")},
      {"staged-exec.sh", exec("echo 1\n"), exec("echo 2\n"), exec("echo 2\n")},
      {"staged-deleted.txt", file("d\n"), none(), none()},
      // Legitimate differences: their hunk operations are checked apart.
      {"new-crlf.txt", none(), none(), file("p\r\nq\r\n"), Oracle::Untracked},
      {"new-exec.sh", none(), none(), exec("run\n"), Oracle::Untracked},
      {"new-link", none(), none(), link("nowhere-3"), Oracle::Untracked},
      {"typechange", file("a\nb\n"), file("a\nb\n"), link("plain.txt"), Oracle::TypeChange},
      {"staged-typechange", file("a\nb\n"), link("plain.txt"), link("plain.txt"), Oracle::TypeChange},
      {"recreated.txt", file("old\n"), none(), file("new\r\nfile"), Oracle::HeadOnly},
      {"latin1-near.txt", file("caf\xe9\nb\n"), file("caf\xe9\nb\n"), file("caf\xe9\nB\n"), Oracle::NotUtf8},
      {"latin1-added.txt", file("a\n"), file("a\n"), file("a\nna\xefve\n"), Oracle::NotUtf8},
  };
  return c;
}

// Builds HEAD, the index and the work tree of the corpus.
void build(TempRepo& t, const std::vector<CorpusFile>& files) {
  for (const auto& f : files) put(t, f.path, f.head);
  t.commit("base");
  for (const auto& f : files) put(t, f.path, f.index);
  t.git({"add", "-A"});
  for (const auto& f : files) put(t, f.path, f.work);
}

// ---- libgit2's own patch of one file, cut into hunks ----

using Patch = testing_support::PatchText;

Patch libgit2_patch(const std::string& repo_path, const std::string& path, bool staged) {
  Patch out;
  auto handle = repo::open_repository(repo_path);
  if (!handle) {
    ADD_FAILURE() << handle.error();
    return out;
  }
  git_repository* r = handle->get();
  git_diff_options options = GIT_DIFF_OPTIONS_INIT;
  options.flags = GIT_DIFF_DISABLE_PATHSPEC_MATCH;
  std::string p = path;
  char* pathspec = p.data();
  options.pathspec = {&pathspec, 1};
  git_diff* raw = nullptr;
  if (staged) {
    git_object* tree = nullptr;
    EXPECT_EQ(git_revparse_single(&tree, r, "HEAD^{tree}"), 0);
    repo::ObjectPtr owned(tree);
    EXPECT_EQ(git_diff_tree_to_index(&raw, r, reinterpret_cast<git_tree*>(tree), nullptr, &options), 0);
  } else {
    EXPECT_EQ(git_diff_index_to_workdir(&raw, r, nullptr, &options), 0);
  }
  repo::DiffPtr diff(raw);
  EXPECT_EQ(git_diff_num_deltas(diff.get()), 1u) << path;
  git_patch* patch_raw = nullptr;
  EXPECT_EQ(git_patch_from_diff(&patch_raw, diff.get(), 0), 0);
  repo::PatchPtr patch(patch_raw);
  repo::GitBuf buf;
  EXPECT_EQ(git_patch_to_buf(&buf.buf, patch.get()), 0);
  return testing_support::split_patch(std::string(buf.view()));
}

// ---- The state an operation leaves ----

struct Outcome {
  bool ok = false;
  std::string index;  // git ls-files -s
  std::string entry;  // the file itself
  friend bool operator==(const Outcome&, const Outcome&) = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  return os << (o.ok ? "ok" : "failed") << "\n[index]\n"
            << o.index << "[entry] " << testing::PrintToString(o.entry);
}

class Corpus : public testing::Test {
 protected:
  void SetUp() override {
    files_ = corpus();
    build(t_, files_);
    index_bytes_ = read_file(index_path());
    auto status = open_repo(t_.path()).load_worktree_status(false);
    ASSERT_TRUE(status);
    status_ = *status;
  }

  std::string index_path() const { return t_.path() + "/.git/index"; }

  Outcome outcome(bool ok, const std::string& path) {
    return {ok, t_.git({"ls-files", "-s"}), entry_text(t_.file_path(path))};
  }

  // Runs the operation, notes what it left and puts index and file back.
  Outcome run(const std::string& path, const std::function<bool()>& op) {
    const Version saved = entry_version(t_.file_path(path));
    const bool ok = op();
    Outcome o = outcome(ok, path);
    write_file(index_path(), index_bytes_);
    put(t_, path, saved);
    return o;
  }

  std::function<bool()> git_apply(const std::string& patch, std::vector<std::string> flags) {
    return [this, patch, flags] {
      std::vector<std::string> args{"apply"};
      args.insert(args.end(), flags.begin(), flags.end());
      return t_.git_result(args, patch).success();
    };
  }

  std::function<bool()> ours(std::function<std::expected<void, std::string>(const Repo&)> op) {
    return [this, op] {
      Repo r = open_repo(t_.path());
      auto result = op(r);
      last_error_ = result ? "" : result.error();
      return result.has_value();
    };
  }

  TempRepo t_;
  std::vector<CorpusFile> files_;
  std::string index_bytes_;
  WorktreeStatus status_;
  std::string last_error_;
};

TEST_F(Corpus, EachHunkGivesWhatGitApplyGives) {
  int compared = 0;
  for (const auto& f : files_) {
    if (f.oracle != Oracle::Git) continue;
    SCOPED_TRACE(f.path);
    const WorktreeFile* unstaged = find_file(status_.unstaged, f.path);
    const WorktreeFile* staged = find_file(status_.staged, f.path);
    if (unstaged) {
      const Patch patch = libgit2_patch(t_.path(), f.path, false);
      ASSERT_EQ(patch.hunks.size(), unstaged->unstaged_hunks.size());
      for (std::size_t i = 0; i < patch.hunks.size(); ++i) {
        SCOPED_TRACE("unstaged hunk " + std::to_string(i));
        const std::string one = patch.header + patch.hunks[i];
        const Hunk& hunk = unstaged->unstaged_hunks[i];
        EXPECT_EQ(run(f.path, ours([&](const Repo& r) { return r.stage_hunk(f.path, hunk); })),
                  run(f.path, git_apply(one, {"--cached"})))
            << "stage " << last_error_ << "\n"
            << one;
        EXPECT_EQ(run(f.path, ours([&](const Repo& r) { return r.discard_hunk(f.path, hunk); })),
                  run(f.path, git_apply(one, {"-R"})))
            << "discard " << last_error_ << "\n"
            << one;
        compared += 2;
      }
    }
    if (staged) {
      const Patch patch = libgit2_patch(t_.path(), f.path, true);
      ASSERT_EQ(patch.hunks.size(), staged->staged_hunks.size());
      for (std::size_t i = 0; i < patch.hunks.size(); ++i) {
        SCOPED_TRACE("staged hunk " + std::to_string(i));
        const std::string one = patch.header + patch.hunks[i];
        const Hunk& hunk = staged->staged_hunks[i];
        EXPECT_EQ(run(f.path, ours([&](const Repo& r) { return r.unstage_hunk(f.path, hunk, false); })),
                  run(f.path, git_apply(one, {"--cached", "-R"})))
            << "unstage " << last_error_ << "\n"
            << one;
        ++compared;
      }
    }
  }
  EXPECT_GE(compared, 50);
}

// Staging hunk after hunk, reloading the status in between as the staging
// view does, ends where git add ends; the same for unstaging and
// discarding. The later hunks' numbers then describe a changed text.
TEST_F(Corpus, AllHunksInTurnEqualTheWholeFileCommand) {
  struct Way {
    const char* name;
    bool staged;  // the hunks come from the staged list
    std::function<std::expected<void, std::string>(const Repo&, const std::string&, const Hunk&)> op;
    std::vector<std::string> git;
  };
  const Way ways[] = {
      {"stage",
       false,
       [](const Repo& r, const std::string& p, const Hunk& h) { return r.stage_hunk(p, h); },
       {"add"}},
      {"unstage",
       true,
       [](const Repo& r, const std::string& p, const Hunk& h) { return r.unstage_hunk(p, h, false); },
       {"restore", "--staged"}},
      {"discard",
       false,
       [](const Repo& r, const std::string& p, const Hunk& h) { return r.discard_hunk(p, h); },
       {"checkout"}},
  };
  for (const auto& f : files_) {
    if (f.oracle == Oracle::TypeChange || f.oracle == Oracle::NotUtf8) continue;
    for (const auto& way : ways) {
      const auto& list = way.staged ? status_.staged : status_.unstaged;
      const WorktreeFile* entry = find_file(list, f.path);
      if (entry == nullptr) continue;
      // Only the whole-file hunk of an untracked file can be staged.
      if (f.oracle != Oracle::Git && way.staged == false && std::string(way.name) == "discard") continue;
      SCOPED_TRACE(f.path + " " + way.name);
      std::vector<std::string> args = way.git;
      args.insert(args.begin(), "--literal-pathspecs");
      args.push_back("--");
      args.push_back(f.path);
      const Outcome want = run(f.path, [&] { return t_.git_result(args).success(); });
      const Outcome got = run(f.path, [&] {
        for (int pass = 0; pass < 3; ++pass) {
          Repo r = open_repo(t_.path());
          auto status = r.load_worktree_status(false);
          if (!status) return false;
          const WorktreeFile* now = find_file(way.staged ? status->staged : status->unstaged, f.path);
          if (now == nullptr) return true;
          const auto hunks = way.staged ? now->staged_hunks : now->unstaged_hunks;
          if (hunks.empty()) return true;
          // One load for the whole pass: after the first hunk the others'
          // numbers describe the text as it was.
          for (const Hunk& h : hunks) {
            auto done = way.op(r, f.path, h);
            if (!done) {
              ADD_FAILURE() << done.error();
              return false;
            }
          }
        }
        return false;
      });
      EXPECT_EQ(got, want);
    }
  }
}

// What git cannot be asked about in the same way: new files, type changes,
// files only HEAD holds, text that is not UTF-8.
TEST_F(Corpus, LegitimateDifferencesStillKeepTheFilesWhole) {
  auto unstaged_hunk = [&](const std::string& path, std::size_t i) {
    const WorktreeFile* f = find_file(status_.unstaged, path);
    EXPECT_TRUE(f && f->unstaged_hunks.size() > i) << path;
    return f && f->unstaged_hunks.size() > i ? f->unstaged_hunks[i] : Hunk{};
  };
  const Outcome before = outcome(true, "typechange");

  // A new file is staged from its own bytes and lstat mode, as git add does.
  for (const std::string path : {"new-crlf.txt", "new-exec.sh", "new-link", "recreated.txt"}) {
    SCOPED_TRACE(path);
    const Hunk h = unstaged_hunk(path, 0);
    EXPECT_EQ(run(path, ours([&](const Repo& r) { return r.stage_hunk(path, h); })),
              run(path,
                  [&] {
                    return t_.git_result({"add", "--", path}).success();
                  }))
        << last_error_;
  }
  // Its hunk no longer matching the file stages nothing.
  {
    Hunk h = unstaged_hunk("new-crlf.txt", 0);
    h.lines.pop_back();
    EXPECT_EQ(run("new-crlf.txt", ours([&](const Repo& r) { return r.stage_hunk("new-crlf.txt", h); })).index,
              before.index);
    EXPECT_EQ(last_error_, "could not find hunk location in file");
  }

  // A type change is only ever taken whole.
  const WorktreeFile* changed = find_file(status_.unstaged, "typechange");
  ASSERT_TRUE(changed);
  ASSERT_FALSE(changed->unstaged_hunks.empty());
  for (const Hunk& h : changed->unstaged_hunks) {
    for (auto op : {&Repo::stage_hunk, &Repo::discard_hunk}) {
      auto o = run("typechange", ours([&](const Repo& r) { return (r.*op)("typechange", h); }));
      EXPECT_FALSE(o.ok);
      EXPECT_EQ(last_error_, "file type changed; act on the whole file");
      EXPECT_EQ(o.index, before.index);
      EXPECT_EQ(o.entry, before.entry);
    }
  }
  const WorktreeFile* staged_change = find_file(status_.staged, "staged-typechange");
  ASSERT_TRUE(staged_change);
  for (const Hunk& h : staged_change->staged_hunks) {
    auto o = run("staged-typechange",
                 ours([&](const Repo& r) { return r.unstage_hunk("staged-typechange", h, false); }));
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.index, before.index);
  }

  // Text that is not UTF-8: its bytes are never replaced by U+FFFD.
  for (const std::string path : {"latin1-near.txt", "latin1-added.txt"}) {
    SCOPED_TRACE(path);
    const Hunk h = unstaged_hunk(path, 0);
    const Outcome unchanged = outcome(true, path);
    for (auto op : {&Repo::stage_hunk, &Repo::discard_hunk}) {
      auto o = run(path, ours([&](const Repo& r) { return (r.*op)(path, h); }));
      EXPECT_FALSE(o.ok);
      EXPECT_EQ(o.index, unchanged.index);
      EXPECT_EQ(o.entry, unchanged.entry);
    }
  }
}

TEST_F(Corpus, WholeFilesEqualGitAddRestoreAndCheckout) {
  for (const auto& f : files_) {
    SCOPED_TRACE(f.path);
    const bool tracked = f.index.kind != Version::None;
    // git add refuses a path it finds nowhere; staging it changes nothing.
    if (tracked || f.work.kind != Version::None) {
      EXPECT_EQ(run(f.path, ours([&](const Repo& r) { return r.stage_file(f.path); })),
                run(f.path,
                    [&] {
                      return t_.git_result({"--literal-pathspecs", "add", "--", f.path}).success();
                    }))
          << last_error_;
    }
    if (f.head.kind != Version::None || tracked) {
      EXPECT_EQ(
          run(f.path, ours([&](const Repo& r) { return r.unstage_file(f.path, false); })),
          run(f.path,
              [&] {
                return t_.git_result({"--literal-pathspecs", "restore", "--staged", "--", f.path}).success();
              }))
          << last_error_;
    }
    if (tracked) {
      EXPECT_EQ(run(f.path, ours([&](const Repo& r) { return r.discard_file(f.path, false); })),
                run(f.path,
                    [&] {
                      return t_.git_result({"--literal-pathspecs", "checkout", "--", f.path}).success();
                    }))
          << last_error_;
    } else if (f.work.kind != Version::None) {
      auto o = run(f.path, ours([&](const Repo& r) { return r.discard_file(f.path, true); }));
      EXPECT_TRUE(o.ok) << last_error_;
      EXPECT_EQ(o.entry, "missing");
    }
  }
  // Everything the whole index held back to HEAD, as git reset does.
  EXPECT_EQ(run("plain.txt", ours([](const Repo& r) { return r.reset_index_to_head(); })),
            run("plain.txt", [&] {
              return t_.git_result({"reset", "-q"}).success();
            }));
}

// ---- Single cases ----

TEST(Staging, PathsAreTakenInTheWorkTreeWhereverTheRepositoryWasOpened) {
  TempRepo t;
  t.write("tracked", "a\nb\n").commit("base");
  t.write("config", "untracked\n").write("tracked", "a\nB\n");
  const std::string git_config = t.read(".git/config");
  Repo r = open_repo(t.path() + "/.git");

  ASSERT_TRUE(r.discard_file("config", true));
  EXPECT_FALSE(fs::exists(t.file_path("config")));
  EXPECT_EQ(t.read(".git/config"), git_config);

  auto status = r.load_worktree_status(false);
  ASSERT_TRUE(status && status->unstaged.size() == 1);
  ASSERT_TRUE(r.discard_hunk("tracked", status->unstaged[0].unstaged_hunks[0]));
  EXPECT_EQ(t.read("tracked"), "a\nb\n");
  t.write("tracked", "changed\n");
  auto discarded = r.discard_file("tracked", false);
  ASSERT_TRUE(discarded) << discarded.error();
  EXPECT_EQ(t.read("tracked"), "a\nb\n");
}

TEST(Staging, NothingFollowsASymbolicLink) {
  TempRepo t;
  testing_support::TempDir outside;
  const std::string victim = outside.path() + "/victim";
  write_file(victim, "keep me\n");
  t.write("a.txt", "a\n").symlink("a.txt", "l").commit("base");
  // The link now points out of the work tree; discarding its hunk must
  // give back the link, not write to what it points at.
  t.symlink(victim, "l");
  Repo r = open_repo(t.path());
  auto status = r.load_worktree_status(false);
  ASSERT_TRUE(status && status->unstaged.size() == 1);
  ASSERT_TRUE(r.discard_hunk("l", status->unstaged[0].unstaged_hunks[0]));
  EXPECT_EQ(fs::read_symlink(t.file_path("l")), "a.txt");
  EXPECT_EQ(read_file(victim), "keep me\n");

  // Deleting an untracked link removes the link alone.
  t.symlink(victim, "untracked-link");
  ASSERT_TRUE(r.discard_file("untracked-link", true));
  EXPECT_FALSE(fs::is_symlink(t.file_path("untracked-link")));
  EXPECT_EQ(read_file(victim), "keep me\n");

  // A parent directory swapped for a link is not entered.
  fs::create_directory(outside.path() + "/d");
  write_file(outside.path() + "/d/f", "outside\n");
  t.symlink(outside.path() + "/d", "d");
  auto refused = r.discard_file("d/f", true);
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error(), "failed to delete file: Not a directory (os error 20)");
  EXPECT_EQ(read_file(outside.path() + "/d/f"), "outside\n");
  EXPECT_FALSE(r.discard_file("../x", true));
  EXPECT_FALSE(r.discard_file("", true));

  // A dangling link is staged as a link, as git add does.
  t.symlink("missing-target", "dangling");
  ASSERT_TRUE(r.stage_file("dangling"));
  EXPECT_EQ(t.git({"ls-files", "-s", "dangling"}).substr(0, 7), "120000 ");
}

TEST(Staging, MessagesOfTheOperations) {
  TempRepo t;
  t.write("f.txt", "a\nb\n").commit("base");
  t.write("f.txt", "a\nB\n");
  Repo r = open_repo(t.path());
  auto status = r.load_worktree_status(false);
  ASSERT_TRUE(status && status->unstaged.size() == 1);
  const Hunk hunk = status->unstaged[0].unstaged_hunks[0];

  // The index moved on: the hunk's old lines are no longer there.
  t.write("f.txt", "other\n").git({"add", "f.txt"});
  t.write("f.txt", "a\nB\n");
  const std::string index_before = t.git({"ls-files", "-s"});
  auto staged = r.stage_hunk("f.txt", hunk);
  ASSERT_FALSE(staged);
  EXPECT_EQ(staged.error(), "could not find hunk location in file");
  EXPECT_EQ(t.git({"ls-files", "-s"}), index_before);

  auto missing = r.discard_hunk("nothing-here.txt", hunk);
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error(), "failed to read file: No such file or directory (os error 2)");
  auto not_untracked = r.discard_file("nothing-here.txt", true);
  ASSERT_FALSE(not_untracked);
  EXPECT_EQ(not_untracked.error(), "failed to delete file: No such file or directory (os error 2)");
  auto unknown = r.discard_file("nothing-here.txt", false);
  ASSERT_FALSE(unknown);
  EXPECT_TRUE(unknown.error().starts_with("git checkout failed: error: pathspec 'nothing-here.txt'"))
      << unknown.error();
  EXPECT_FALSE(unknown.error().ends_with("\n"));

  // Before the first commit there is no HEAD to put the index back to.
  TempRepo fresh;
  fresh.write("new.txt", "x\n").git({"add", "new.txt"});
  Repo unborn = open_repo(fresh.path());
  EXPECT_FALSE(unborn.reset_index_to_head());
  // Amending a root commit has no parent to unstage to.
  EXPECT_FALSE(r.unstage_file("f.txt", true));
}

// Before the first commit everything in the index is staged against the
// empty tree: the staged side shows it, and U and u take entries out of the
// index as git rm --cached does, leaving the work tree alone.
TEST(Staging, UnbornBranchUnstagesAsGitRmCached) {
  const auto prepare = [](TempRepo& t) {
    t.write("a.txt", "one\ntwo\n").write("b.txt", "b\n").write("dir/c.txt", "c\n");
    t.git({"add", "a.txt", "b.txt", "dir/c.txt"});
  };
  TempRepo ours, oracle;
  prepare(ours);
  prepare(oracle);
  Repo r = open_repo(ours.path());
  auto status = r.load_worktree_status(false);
  ASSERT_TRUE(status);
  ASSERT_EQ(status->staged.size(), 3u);
  ASSERT_EQ(status->staged[2].path, "dir/c.txt");

  auto whole = r.unstage_file("a.txt", false);
  ASSERT_TRUE(whole) << whole.error();
  oracle.git({"rm", "-q", "--cached", "a.txt"});
  auto hunk = r.unstage_hunk("dir/c.txt", status->staged[2].staged_hunks.at(0), false);
  ASSERT_TRUE(hunk) << hunk.error();
  oracle.git({"rm", "-q", "--cached", "dir/c.txt"});
  EXPECT_EQ(ours.git({"ls-files", "-s"}), oracle.git({"ls-files", "-s"}));
  EXPECT_EQ(ours.git({"status", "--porcelain"}), oracle.git({"status", "--porcelain"}));
  EXPECT_EQ(ours.read("a.txt"), "one\ntwo\n");
  EXPECT_EQ(ours.read("dir/c.txt"), "c\n");
}

TEST(Staging, IndexContentFallsBackToHeadThenToNothing) {
  TempRepo t;
  t.write("a", "head\n").write("b", "b\n").commit("base");
  t.write("a", "index\n").git({"add", "a"});
  t.git({"rm", "-q", "--cached", "b"});
  auto handle = repo::open_repository(t.path());
  ASSERT_TRUE(handle);
  EXPECT_EQ(Repo::get_index_content(handle->get(), "a"), "index\n");
  EXPECT_EQ(Repo::get_index_content(handle->get(), "b"), "b\n");
  EXPECT_EQ(Repo::get_index_content(handle->get(), "c"), "");
}

}  // namespace

namespace {

// In amend mode the staged hunks compare the index with HEAD's first parent:
// taking every line of a file that HEAD itself added back out leaves the file
// out of the index, as unstaging the whole file does, not empty in it.
TEST(Staging, UnstagingEveryLineOfAFileHeadAddedInAmendMode) {
  TempRepo t;
  t.write("a", "a\n").write("empty-before", "").commit("root");
  t.write("added.txt", "x\ny\n").write("empty-before", "now\nfull\n").commit("adds");
  Repo r = open_repo(t.path());
  auto status = r.load_worktree_status(true);
  ASSERT_TRUE(status);
  for (const std::string path : {"added.txt", "empty-before"}) {
    SCOPED_TRACE(path);
    const WorktreeFile* file = nullptr;
    for (const auto& f : status->staged)
      if (f.path == path) file = &f;
    ASSERT_TRUE(file != nullptr);
    ASSERT_EQ(file->staged_hunks.size(), 1u);
    ASSERT_TRUE(r.unstage_hunk(path, file->staged_hunks[0], true));
  }
  // The parent never held added.txt; it held empty-before, empty.
  EXPECT_EQ(t.git({"ls-files", "-s", "added.txt"}), "");
  EXPECT_EQ(t.git({"ls-files", "-s", "empty-before"}),
            "100644 e69de29bb2d1d6434b8b29ae775ad8c2e48c5391 0\tempty-before\n");
  status = r.load_worktree_status(true);
  ASSERT_TRUE(status);
  EXPECT_TRUE(status->staged.empty());
  EXPECT_EQ(t.read("added.txt"), "x\ny\n");
}

}  // namespace

namespace {

using testing_support::split_patch;

// Two repositories built the same way: one changed by us, one by git.
struct Pair {
  TempRepo ours, theirs;
  explicit Pair(const std::function<void(TempRepo&)>& build) {
    build(ours);
    build(theirs);
  }
};

// A directory where the base tree has the path: the staged file is not in
// that tree, so unstaging it takes its entry out of the index.
TEST(Staging, UnstagingAFileWhereTheBaseHoldsADirectory) {
  struct Case {
    const char* name;
    bool amend;
    std::string path;
    std::function<void(TempRepo&)> build;
  };
  const Case cases[] = {
      {"a file staged where HEAD has a directory", false, "x",
       [](TempRepo& t) {
         t.write("x/a", "a\n").write("x/b", "b\n").write("keep", "k\n").commit("base");
         t.git({"rm", "-r", "-q", "--cached", "x"});
         t.remove("x").write("x", "now a file\n").git({"add", "x"});
       }},
      {"a file staged below a path where HEAD has a file", false, "d/f",
       [](TempRepo& t) {
         t.write("d", "a file\n").write("keep", "k\n").commit("base");
         t.git({"rm", "-q", "--cached", "d"});
         t.remove("d").write("d/f", "below\n").git({"add", "d/f"});
       }},
      {"amend: the parent has a directory where HEAD has the file", true, "x",
       [](TempRepo& t) {
         t.write("x/a", "a\n").write("keep", "k\n").commit("root");
         t.remove("x").write("x", "now a file\n").commit("file");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Pair p(c.build);
    auto done = open_repo(p.ours.path()).unstage_file(c.path, c.amend);
    ASSERT_TRUE(done) << done.error();
    p.theirs.git({"update-index", "--force-remove", "--", c.path});
    EXPECT_EQ(p.ours.git({"ls-files", "-s"}), p.theirs.git({"ls-files", "-s"}));
    EXPECT_EQ(p.ours.git({"status", "--porcelain", "-uall"}),
              p.theirs.git({"status", "--porcelain", "-uall"}));
  }
}

// The patch header less its mode change: git reset -p asks about that on
// its own, apart from the hunks.
std::string without_mode_lines(const std::string& header) {
  std::istringstream lines(header);
  std::string out;
  for (std::string line; std::getline(lines, line);)
    if (!line.starts_with("old mode ") && !line.starts_with("new mode ")) out += line + "\n";
  return out;
}

// Unstaging a hunk puts back the base's lines (HEAD's, or in amend mode those
// of HEAD's first parent, whatever the hunk looks like) and leaves a staged
// mode change alone: the entry keeps its own mode, and only a path the index
// does not hold takes the base's. git apply --cached -R of that hunk of
// git's own staged diff, without the mode lines, says what that is.
TEST(Staging, UnstagingAHunkGoesBackToTheBaseOfTheStagedDiff) {
  const std::string twenty = numbered(1, 20, "line ");
  auto chmod_x = [](TempRepo& t, const std::string& path) { ::chmod(t.file_path(path).c_str(), 0755); };
  struct Case {
    const char* name;
    bool amend;
    std::function<void(TempRepo&)> build;
  };
  const Case cases[] = {
      {"HEAD changed the mode and two places", true,
       [&](TempRepo& t) {
         t.write("f", twenty).commit("root");
         t.write("f", replace(replace(twenty, "line 2\n", "two\n"), "line 18\n", "eighteen\n"));
         chmod_x(t, "f");
         t.commit("head");
       }},
      {"the parent holds the file empty, HEAD deleted it, a new text is staged", true,
       [](TempRepo& t) {
         t.write("f", "").write("keep", "k\n").commit("root");
         t.remove("f").commit("head");
         t.write("f", "x\ny\n").git({"add", "f"});
       }},
      {"HEAD deleted an executable the parent holds", true,
       [&](TempRepo& t) {
         t.write("f", "p\nq\n").write("keep", "k\n");
         chmod_x(t, "f");
         t.commit("root");
         t.remove("f").commit("head");
       }},
      {"HEAD added the file", true,
       [](TempRepo& t) {
         t.write("keep", "k\n").commit("root");
         t.write("f", "x\ny\n").commit("head");
       }},
      {"HEAD changed one place, another staged since", true,
       [&](TempRepo& t) {
         t.write("f", twenty).commit("root");
         t.write("f", replace(twenty, "line 2\n", "two\n")).commit("head");
         t.write("f", replace(replace(twenty, "line 2\n", "two\n"), "line 18\n", "")).git({"add", "f"});
       }},
      {"a staged mode change and two places", false,
       [&](TempRepo& t) {
         t.write("f", twenty).commit("root");
         t.write("f", replace(replace(twenty, "line 2\n", "two\n"), "line 18\n", "eighteen\n"));
         chmod_x(t, "f");
         t.git({"add", "f"});
       }},
      {"a staged mode change with the text", false,
       [&](TempRepo& t) {
         t.write("f", twenty).commit("root");
         t.write("f", replace(twenty, "line 9\n", "nine\n"));
         chmod_x(t, "f");
         t.git({"add", "f"});
       }},
  };
  int compared = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Pair p(c.build);
    Repo r = open_repo(p.ours.path());
    auto status = r.load_worktree_status(c.amend);
    ASSERT_TRUE(status);
    const WorktreeFile* f = nullptr;
    for (const auto& s : status->staged)
      if (s.path == "f") f = &s;
    ASSERT_TRUE(f != nullptr);
    std::vector<std::string> diff{"diff", "--cached"};
    if (c.amend) diff.push_back("HEAD^");
    diff.insert(diff.end(), {"--", "f"});
    const auto patch = split_patch(p.theirs.git(diff));
    ASSERT_EQ(f->staged_hunks.size(), patch.hunks.size());
    const std::string ours_index = read_file(p.ours.path() + "/.git/index");
    const std::string theirs_index = read_file(p.theirs.path() + "/.git/index");
    for (std::size_t i = 0; i < patch.hunks.size(); ++i) {
      SCOPED_TRACE("hunk " + std::to_string(i));
      auto done = r.unstage_hunk("f", f->staged_hunks[i], c.amend);
      ASSERT_TRUE(done) << done.error();
      p.theirs.git({"apply", "--cached", "-R"}, without_mode_lines(patch.header) + patch.hunks[i]);
      EXPECT_EQ(p.ours.git({"ls-files", "-s"}), p.theirs.git({"ls-files", "-s"}));
      EXPECT_EQ(p.ours.index_listing("f"), p.theirs.index_listing("f"));
      write_file(p.ours.path() + "/.git/index", ours_index);
      write_file(p.theirs.path() + "/.git/index", theirs_index);
      ++compared;
    }
  }
  EXPECT_EQ(compared, 10);
}

}  // namespace
