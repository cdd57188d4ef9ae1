#include "app/watcher.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "repo/repo.hpp"
#include "support/temp_repo.hpp"

namespace {

using app::Poll;
using namespace std::chrono_literals;
using testing_support::TempRepo;

// Generous: the machine may be busy; only arrival is checked, never timing.
constexpr auto ARRIVES_WITHIN = 10s;
constexpr auto SILENT_FOR = 1500ms;

bool message_arrives(app::Receiver<app::Signal>& changes) {
  return changes.recv_for(std::chrono::duration_cast<std::chrono::milliseconds>(ARRIVES_WITHIN)).has_value();
}

bool stays_silent(app::Receiver<app::Signal>& changes) { return !changes.recv_for(SILENT_FOR).has_value(); }

void write_file(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

std::string read_file(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Start-up writes nothing, but give the watches a moment to be in place.
app::Receiver<app::Signal> watch(const std::string& path) {
  auto changes = watcher::watch_git_dir(path);
  std::this_thread::sleep_for(200ms);
  return changes;
}

TEST(Watcher, OneWriteOneMessage) {
  TempRepo t;
  t.commit("first");
  auto changes = watch(t.path());
  write_file(t.path() + "/.git/description", "changed\n");
  EXPECT_TRUE(message_arrives(changes));
  EXPECT_TRUE(stays_silent(changes));
}

TEST(Watcher, BurstGivesOneMessage) {
  TempRepo t;
  t.commit("first");
  auto changes = watch(t.path());
  for (int i = 0; i < 20; ++i) {
    write_file(t.path() + "/.git/burst-" + std::to_string(i), "x");
    std::this_thread::sleep_for(20ms);
  }
  t.write("f.txt", "text").commit("a commit from outside");  // many writes, deep below .git
  EXPECT_TRUE(message_arrives(changes));
  EXPECT_TRUE(stays_silent(changes));
}

TEST(Watcher, ReadsGiveNothing) {
  TempRepo t;
  t.write("f.txt", "text").commit("first");
  t.write("f.txt", "changed");
  auto changes = watch(t.path());
  read_file(t.path() + "/.git/HEAD");
  auto opened = repo::Repo::open(t.path(), 2000);
  ASSERT_TRUE(opened);
  opened->refresh();
  EXPECT_TRUE(opened->has_changes());
  EXPECT_TRUE(opened->load_worktree_status(false));
  EXPECT_TRUE(stays_silent(changes));
}

TEST(Watcher, NewDirectoriesAreWatched) {
  TempRepo t;
  t.commit("first");
  auto changes = watch(t.path());
  std::filesystem::create_directories(t.path() + "/.git/refs/heads/topic/deeper");
  EXPECT_TRUE(message_arrives(changes));
  write_file(t.path() + "/.git/refs/heads/topic/deeper/file", "x");
  EXPECT_TRUE(message_arrives(changes));
}

TEST(Watcher, NothingToWatchEndsQuietly) {
  TempRepo bare(false);
  bare.git({"init", "-q", "--bare"});
  for (const std::string& path : {bare.path() + "/missing", bare.path()}) {
    SCOPED_TRACE(path);
    auto changes = watcher::watch_git_dir(path);
    const auto deadline = std::chrono::steady_clock::now() + ARRIVES_WITHIN;
    std::optional<app::Signal> got;
    Poll poll = Poll::Empty;
    while ((poll = changes.try_recv(got)) == Poll::Empty && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(10ms);
    EXPECT_EQ(poll, Poll::Disconnected);
  }
}

}  // namespace
