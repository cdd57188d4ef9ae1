// The index writers hold index.lock from before they read the index until
// the new one is in place, as git does: another program's change is never
// written over, a lock another program holds changes nothing, and the index
// written is the library's own, which git reads as before.

#include "repo/locked_index.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>
#include <thread>

#include "repo/git_handle.hpp"
#include "repo/repo.hpp"
#include "support/repositories.hpp"
#include "support/temp_repo.hpp"
#include "support/text.hpp"
#include "utils/process.hpp"

namespace {

namespace fs = std::filesystem;
using repo::Repo;
using testing_support::lines_of;
using testing_support::open_repo;
using testing_support::TempRepo;

std::string home_of(const TempRepo& t) { return fs::path(t.path()).parent_path() / "home"; }

// A shell loop runs git add on 400 files while this process stages 50
// others over and over until the loop is done: every addition of the loop
// and the last version of each of ours stand in the index.
TEST(IndexLock, NoAdditionOfAnotherProgramIsLost) {
  TempRepo t;
  t.write("base.txt", "base\n").commit("base");
  constexpr int kTheirs = 400, kOurs = 50;
  for (int i = 0; i < kTheirs; ++i) t.write("g/" + std::to_string(i), "g\n");

  std::atomic<bool> loop_done{false};
  utils::ProcessResult loop;
  std::thread shell([&] {
    // git add fails at once while our lock is there: try again.
    const std::string script = "i=0; while [ $i -lt " + std::to_string(kTheirs) +
                               " ]; do until git add -- g/$i 2>/dev/null; do :; done; i=$((i+1)); done";
    utils::ProcessOptions options;
    options.cwd = t.path();
    options.set_env = testing_support::git_env(home_of(t));
    auto ran = utils::run_process({"sh", "-c", script}, options);
    if (ran) loop = *ran;
    loop_done = true;
  });

  const Repo r = open_repo(t);
  int round = 0;
  int locked_out = 0;
  auto stage_round = [&] {
    ++round;
    for (int i = 0; i < kOurs; ++i) {
      const std::string path = "o/" + std::to_string(i);
      t.write(path, "round " + std::to_string(round) + "\n");
      for (;;) {
        auto staged = r.stage_file(path);
        if (staged) break;
        ASSERT_EQ(staged.error(), repo::kIndexLockedText);
        ++locked_out;
      }
    }
  };
  while (!loop_done) stage_round();
  shell.join();
  stage_round();
  ASSERT_TRUE(loop.success()) << loop.err;

  const std::vector<std::string> lines = lines_of(t.git({"ls-files"}));
  const std::set<std::string> listed(lines.begin(), lines.end());
  int missing = 0;
  for (int i = 0; i < kTheirs; ++i) missing += listed.count("g/" + std::to_string(i)) == 0;
  EXPECT_EQ(missing, 0) << "of " << kTheirs << " outside additions, over " << round << " rounds";
  for (int i = 0; i < kOurs; ++i)
    EXPECT_EQ(t.git({"show", ":o/" + std::to_string(i)}), "round " + std::to_string(round) + "\n");
  EXPECT_TRUE(t.git_result({"fsck", "--no-dangling"}).success());
  EXPECT_FALSE(fs::exists(t.path() + "/.git/index.lock"));
  RecordProperty("rounds", round);
  RecordProperty("locked_out", locked_out);
}

// A repository stopped in a merge, with an intent-to-add entry, a resolved
// conflict's resolve-undo record and a staged executable bit; index
// version 4 when asked.
void build_rich_index(TempRepo& t, bool version4) {
  t.write("c.txt", "base\n").write("d.txt", "base\n").write("f.txt", "f\n").write("run.sh", "x\n");
  t.commit("base");
  t.git({"checkout", "-q", "-b", "side"});
  t.write("c.txt", "side\n").write("d.txt", "side\n").commit("side");
  t.git({"checkout", "-q", "main"});
  t.write("c.txt", "main\n").write("d.txt", "main\n").commit("main");
  ASSERT_FALSE(t.git_result({"merge", "side"}).success());
  t.write("d.txt", "resolved\n").git({"add", "d.txt"});
  t.write("later.txt", "intent\n").git({"add", "-N", "later.txt"});
  t.git({"update-index", "--chmod=+x", "run.sh"});
  if (version4) t.git({"update-index", "--index-version", "4"});
  t.write("f.txt", "changed\n").write("new.txt", "new\n");
}

// What the library writes when it takes the lock only around its write: the
// index these writers wrote before.
std::expected<void, std::string> library_stage(const std::string& path, const std::string& file) {
  auto handle = repo::open_repository(path);
  if (!handle) return std::unexpected(handle.error());
  git_index* raw = nullptr;
  if (git_repository_index(&raw, handle->get()) != 0) return std::unexpected(repo::last_git_error());
  repo::IndexPtr index(raw);
  if (git_index_add_bypath(index.get(), file.c_str()) != 0 || git_index_write(index.get()) != 0)
    return std::unexpected(repo::last_git_error());
  return {};
}

std::string read_index(const TempRepo& t) { return testing_support::read_file(t.path() + "/.git/index"); }

// The saved index back with its times, which the racy-entry check of both
// writers reads.
void put_index_back(const TempRepo& t, const std::string& bytes, const struct stat& st) {
  const std::string p = t.path() + "/.git/index";
  testing_support::write_file(p, bytes);
  const timespec times[2] = {st.st_atim, st.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, 0), 0);
}

TEST(IndexLock, WritesTheIndexTheLibraryWrites) {
  for (const bool version4 : {false, true}) {
    SCOPED_TRACE(version4 ? "version 4" : "version 2/3");
    TempRepo t;
    build_rich_index(t, version4);
    const std::string before = read_index(t);
    struct stat st {};
    ASSERT_EQ(::stat((t.path() + "/.git/index").c_str(), &st), 0);
    const std::string unmerged = t.git({"ls-files", "-u"});
    const std::string resolve_undo = t.git({"ls-files", "--resolve-undo"});
    ASSERT_NE(unmerged, "");
    ASSERT_NE(resolve_undo, "");

    for (const std::string file : {"f.txt", "new.txt"}) {
      SCOPED_TRACE(file);
      auto library = library_stage(t.path(), file);
      ASSERT_TRUE(library) << library.error();
      const std::string want = read_index(t);
      const std::string want_listing = t.index_listing();
      put_index_back(t, before, st);

      auto ours = open_repo(t).stage_file(file);
      ASSERT_TRUE(ours) << ours.error();
      EXPECT_TRUE(read_index(t) == want) << "the index differs from the library's own";
      EXPECT_EQ(t.index_listing(), want_listing);
      EXPECT_EQ(t.git({"ls-files", "-u"}), unmerged);
      EXPECT_EQ(t.git({"ls-files", "--resolve-undo"}), resolve_undo);
      EXPECT_NE(t.git({"status", "--porcelain"}).find(" A later.txt"), std::string::npos)
          << t.git({"status", "--porcelain"});
      EXPECT_TRUE(t.git_result({"fsck", "--no-dangling"}).success());
      put_index_back(t, before, st);
    }
  }
}

// Another program holds the lock: every writer says so in the library's
// words and leaves the index and the other program's lock alone.
TEST(IndexLock, ALockHeldElsewhereChangesNothing) {
  TempRepo t;
  t.write("f.txt", "a\nb\n").write("g.txt", "g\n").commit("base");
  t.write("f.txt", "a\nB\n").write("g.txt", "G\n");
  t.git({"add", "g.txt"});
  const Repo r = open_repo(t);
  auto status = r.load_worktree_status(false);
  ASSERT_TRUE(status);
  const repo::Hunk unstaged = status->unstaged.front().unstaged_hunks.at(0);
  const repo::Hunk staged = status->staged.front().staged_hunks.at(0);
  auto snapshot = r.snapshot_index();
  ASSERT_TRUE(snapshot);

  const std::string lock = t.path() + "/.git/index.lock";
  testing_support::write_file(lock, "another program's\n");
  const std::string before = read_index(t);
  const std::pair<const char*, std::function<std::expected<void, std::string>()>> writers[] = {
      {"stage_file", [&] { return r.stage_file("f.txt"); }},
      {"unstage_file", [&] { return r.unstage_file("g.txt", false); }},
      {"stage_hunk", [&] { return r.stage_hunk("f.txt", unstaged); }},
      {"unstage_hunk", [&] { return r.unstage_hunk("g.txt", staged, false); }},
      {"reset_index_to_head", [&] { return r.reset_index_to_head(); }},
      {"restore_index", [&] { return r.restore_index(*snapshot, {"f.txt"}); }},
  };
  for (const auto& [name, write] : writers) {
    SCOPED_TRACE(name);
    auto done = write();
    ASSERT_FALSE(done);
    EXPECT_EQ(done.error(), repo::kIndexLockedText);
    EXPECT_EQ(read_index(t), before);
    EXPECT_EQ(testing_support::read_file(lock), "another program's\n");
  }
}

}  // namespace
