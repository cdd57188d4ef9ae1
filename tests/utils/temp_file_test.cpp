#include "utils/temp_file.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/env_guard.hpp"
#include "support/temp_repo.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;
using utils::PrivateTempFile;

TEST(TempFile, FreshPrivateNameKeepsPrefixAndSuffix) {
  TempDir dir;
  std::string first_path;
  {
    auto first = PrivateTempFile::create(dir.path(), "tarnwick_commit_msg", ".md", "hello\n");
    auto second = PrivateTempFile::create(dir.path(), "tarnwick_commit_msg", ".md", "other");
    ASSERT_TRUE(first) << first.error();
    ASSERT_TRUE(second) << second.error();
    first_path = first->path();
    const std::string name = fs::path(first_path).filename();
    EXPECT_EQ(fs::path(first_path).parent_path(), dir.path());
    EXPECT_TRUE(name.starts_with("tarnwick_commit_msg")) << name;
    EXPECT_TRUE(name.ends_with(".md")) << name;
    EXPECT_EQ(name.size(), std::string("tarnwick_commit_msg").size() + 6 + 3);
    EXPECT_NE(first->path(), second->path());

    struct stat st {};
    ASSERT_EQ(::lstat(first_path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(st.st_uid, ::getuid());
    EXPECT_EQ(testing_support::read_file(first_path), "hello\n");
    EXPECT_EQ(first->read(), "hello\n");
    EXPECT_EQ(second->read(), "other");
  }
  EXPECT_FALSE(fs::exists(fs::symlink_status(first_path)));
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(TempFile, ReadsWhatAnotherProgramWroteButNoLinkInItsPlace) {
  TempDir dir;
  auto file = PrivateTempFile::create(dir.path(), "p", ".txt", "");
  ASSERT_TRUE(file);
  // An editor that writes a new file and renames it over the old one.
  std::ofstream(dir.path() + "/new") << "rewritten";
  fs::rename(dir.path() + "/new", file->path());
  EXPECT_EQ(file->read(), "rewritten");

  std::ofstream(dir.path() + "/secret") << "not yours";
  fs::remove(file->path());
  fs::create_symlink(dir.path() + "/secret", file->path());
  auto read = file->read();
  ASSERT_FALSE(read);
  EXPECT_EQ(read.error(), "Too many levels of symbolic links (os error 40)");
}

TEST(TempFile, MovedFileIsRemovedOnce) {
  TempDir dir;
  auto made = PrivateTempFile::create(dir.path(), "p", ".txt", "x");
  ASSERT_TRUE(made);
  const std::string path = made->path();
  {
    PrivateTempFile moved = std::move(*made);
    EXPECT_EQ(moved.path(), path);
    EXPECT_EQ(made->path(), "");
  }
  EXPECT_FALSE(fs::exists(path));
}

TEST(TempFile, MissingDirectoryIsTheSystemsError) {
  auto made = PrivateTempFile::create("/nonexistent/dir", "p", ".md", "x");
  ASSERT_FALSE(made);
  EXPECT_EQ(made.error(), "No such file or directory (os error 2)");
}

TEST(TempFile, DirectoryIsTmpdirMadeAbsoluteElseTmp) {
  {
    testing_support::EnvGuard tmpdir{{"TMPDIR", "/var/tmp/x y"}};
    EXPECT_EQ(utils::temp_directory(), "/var/tmp/x y");
  }
  {
    testing_support::EnvGuard tmpdir{{"TMPDIR", std::nullopt}};
    EXPECT_EQ(utils::temp_directory(), "/tmp");
  }
  {
    testing_support::EnvGuard tmpdir{{"TMPDIR", ""}};
    EXPECT_EQ(utils::temp_directory(), "/tmp");
  }
  {
    // Relative: "-c" or "+cmd" must not reach an editor as an option.
    testing_support::EnvGuard tmpdir{{"TMPDIR", "+q"}};
    EXPECT_EQ(utils::temp_directory(), (fs::current_path() / "+q").string());
  }
}

}  // namespace
