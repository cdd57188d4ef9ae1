#include "watcher/watcher.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "repo/repo.hpp"
#include "support/temp_repo.hpp"
#include "support/wait.hpp"

namespace {

using utils::Poll;
using namespace std::chrono_literals;
using testing_support::read_file;
using testing_support::TempRepo;
using testing_support::write_file;

// Generous: the machine may be busy; only arrival is checked, never timing.
constexpr auto ARRIVES_WITHIN = 10s;
constexpr auto SILENT_FOR = 1500ms;

bool message_arrives(utils::Receiver<utils::Signal>& changes) {
  return changes.recv_for(std::chrono::duration_cast<std::chrono::milliseconds>(ARRIVES_WITHIN)).has_value();
}

bool stays_silent(utils::Receiver<utils::Signal>& changes) {
  return !changes.recv_for(SILENT_FOR).has_value();
}

// Starts watching and returns once the watches are in place: a probe write
// has come through, and every message it caused has been taken.
utils::Receiver<utils::Signal> watch(const std::string& path) {
  auto changes = watcher::watch_git_dir(path);
  const auto deadline = std::chrono::steady_clock::now() + ARRIVES_WITHIN;
  bool ready = false;
  while (!ready && std::chrono::steady_clock::now() < deadline) {
    write_file(path + "/.git/watch-probe", "probe");
    ready = changes.recv_for(SILENT_FOR).has_value();
  }
  EXPECT_TRUE(ready) << "the watcher never saw a write";
  while (changes.recv_for(SILENT_FOR)) {
  }
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
  for (int i = 0; i < 30; ++i) {
    write_file(t.path() + "/.git/burst-" + std::to_string(i), "x");
    std::filesystem::create_directories(t.path() + "/.git/objects/burst/" + std::to_string(i));
    write_file(t.path() + "/.git/objects/burst/" + std::to_string(i) + "/object", "x");
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_TRUE(message_arrives(changes));
  EXPECT_TRUE(stays_silent(changes));
}

// Half a second of quiet, seen from outside: while writes come less than that
// apart nothing is sent, nor for 450 ms after the last one began; then one
// message. A busy machine only delays a message, so the lower bound holds on
// any; the upper bound is judged on the best of a few tries, as load may
// delay any one of them.
TEST(Watcher, SendsHalfASecondAfterTheLastWrite) {
  using Clock = std::chrono::steady_clock;
  constexpr auto NOT_BEFORE = 450ms;
  constexpr auto SOON_AFTER = 1100ms;
  constexpr auto WRITE_GAP = 100ms;
  TempRepo t;
  t.commit("first");
  auto changes = watch(t.path());
  std::optional<Clock::duration> best;
  int tries = 0;
  for (int attempt = 0; attempt < 5 && !(best && *best < SOON_AFTER); ++attempt) {
    SCOPED_TRACE(attempt);
    // Four writes 100 ms apart; each one's events lie between the times
    // around it.
    Clock::time_point last_began{}, previous_began{};
    bool gap_too_long = false;
    for (int i = 0; i < 4; ++i) {
      if (i > 0) std::this_thread::sleep_for(WRITE_GAP);
      previous_began = last_began;
      last_began = Clock::now();
      write_file(t.path() + "/.git/quiet-" + std::to_string(i), "x" + std::to_string(attempt));
      // Two writes that may have come half a second apart could rightly give
      // a message between them: the try tells nothing then.
      if (i > 0 && Clock::now() - previous_began >= NOT_BEFORE) gap_too_long = true;
    }
    const bool early = changes
                           .recv_for(std::chrono::duration_cast<std::chrono::milliseconds>(
                               last_began + NOT_BEFORE - Clock::now()))
                           .has_value();
    if (gap_too_long) {
      while (changes.recv_for(SILENT_FOR)) {
      }
      continue;
    }
    ++tries;
    ASSERT_FALSE(early) << "a message within 450 ms of the last write";
    ASSERT_TRUE(message_arrives(changes));
    const Clock::duration after = Clock::now() - last_began;
    if (!best || after < *best) best = after;
  }
  ASSERT_GT(tries, 0) << "every try was too slow to tell";
  ASSERT_TRUE(best);
  EXPECT_LT(*best, SOON_AFTER) << std::chrono::duration_cast<std::chrono::milliseconds>(*best).count()
                               << " ms";
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
    std::optional<utils::Signal> got;
    Poll poll = Poll::Empty;
    testing_support::wait_until([&] { return (poll = changes.try_recv(got)) != Poll::Empty; },
                                ARRIVES_WITHIN);
    EXPECT_EQ(poll, Poll::Disconnected);
  }
}

}  // namespace
