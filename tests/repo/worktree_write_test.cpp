// Where the temporary copy of a rewritten work-tree file lies: what a process
// killed half-way leaves there must never show as a change of the user's.

#include "repo/worktree_write.hpp"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "repo/repo.hpp"
#include "support/repositories.hpp"
#include "support/temp_repo.hpp"

namespace {

using repo::Repo;
using testing_support::open_repo;
using testing_support::TempDir;
using testing_support::TempRepo;

// Every name created in the watched directories, by directory, as the kernel reports them.
class Creations {
 public:
  explicit Creations(const std::vector<std::string>& dirs) : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    EXPECT_GE(fd_, 0);
    for (const auto& dir : dirs) dirs_[::inotify_add_watch(fd_, dir.c_str(), IN_CREATE)] = dir;
  }
  ~Creations() { ::close(fd_); }
  Creations(const Creations&) = delete;
  Creations& operator=(const Creations&) = delete;

  // The names made in the directory that hold the text.
  std::vector<std::string> in(const std::string& dir, const std::string& text) {
    drain();
    std::vector<std::string> names;
    for (const auto& [d, name] : seen_)
      if (d == dir && name.find(text) != std::string::npos) names.push_back(name);
    return names;
  }

 private:
  void drain() {
    alignas(inotify_event) char buf[65536];
    for (;;) {
      const ssize_t n = ::read(fd_, buf, sizeof buf);
      if (n <= 0) return;
      for (char* p = buf; p < buf + n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(p);
        if (e->len > 0) seen_.emplace_back(dirs_[e->wd], e->name);
        p += sizeof(inotify_event) + e->len;
      }
    }
  }
  int fd_;
  std::map<int, std::string> dirs_;
  std::vector<std::pair<std::string, std::string>> seen_;
};

// A hunk discarded and a conflict section resolved, in a file of a subdirectory: their
// temporary copies lie in the git directory, none in the work tree, and none is left.
TEST(WorktreeWrite, TheTemporaryCopyLiesInTheGitDirectory) {
  TempRepo t;
  t.write("sub/big.txt", "a\nb\nc\n").commit("base");
  t.write("sub/big.txt", "a\nB\nc\n");
  t.write("sub/conflict.txt", "top\n<<<<<<< HEAD\nours\n=======\ntheirs\n>>>>>>> topic\nend\n");
  Repo r = open_repo(t.path());
  auto status = r.load_worktree_status(false);
  ASSERT_TRUE(status);
  const auto big = std::ranges::find(status->unstaged, std::string("sub/big.txt"), &repo::WorktreeFile::path);
  ASSERT_NE(big, status->unstaged.end());
  ASSERT_EQ(big->unstaged_hunks.size(), 1u);

  const std::string git_dir = t.file_path(".git");
  Creations made({t.path(), t.file_path("sub"), git_dir});
  ASSERT_TRUE(r.discard_hunk("sub/big.txt", big->unstaged_hunks[0]));
  ASSERT_TRUE(r.resolve_conflict("sub/conflict.txt", 0, true));
  EXPECT_EQ(t.read("sub/big.txt"), "a\nb\nc\n");
  EXPECT_EQ(t.read("sub/conflict.txt"), "top\nours\nend\n");

  EXPECT_EQ(made.in(t.path(), "tarnwick-"), std::vector<std::string>{});
  EXPECT_EQ(made.in(t.file_path("sub"), "tarnwick-"), std::vector<std::string>{});
  EXPECT_EQ(made.in(git_dir, ".big.txt.tarnwick-").size(), 1u);
  EXPECT_EQ(made.in(git_dir, ".conflict.txt.tarnwick-").size(), 1u);
  for (const auto& entry : std::filesystem::directory_iterator(git_dir))
    EXPECT_EQ(entry.path().filename().string().find("tarnwick-"), std::string::npos) << entry.path();
  EXPECT_EQ(t.git({"status", "--porcelain", "-uall"}), "?? sub/conflict.txt\n");
}

// A scratch directory on another file system cannot take the copy (a rename does not cross
// file systems), nor one that refuses new files: the copy is made beside the file.
TEST(WorktreeWrite, ElseTheCopyLiesBesideTheFile) {
  TempDir work;
  const std::string file = work.path() + "/f.txt";
  struct stat here {};
  struct stat shm {};
  const bool other_fs = ::stat("/dev/shm", &shm) == 0 && ::stat(work.path().c_str(), &here) == 0 &&
                        shm.st_dev != here.st_dev && ::access("/dev/shm", W_OK) == 0;
  std::vector<std::string> scratch_dirs = {work.path() + "/missing", ""};
  if (other_fs) scratch_dirs.push_back("/dev/shm");
  for (const std::string& scratch : scratch_dirs) {
    SCOPED_TRACE(scratch);
    Creations made({work.path()});
    ASSERT_TRUE(repo::write_worktree_file(file, scratch, "new\n", std::nullopt));
    EXPECT_EQ(testing_support::read_file(file), "new\n");
    EXPECT_EQ(made.in(work.path(), ".f.txt.tarnwick-").size(), 1u);
  }
  if (!other_fs) GTEST_SKIP() << "no second file system to try";
}

}  // namespace
