#include "main/log_loader.hpp"

#include <gtest/gtest.h>

#include "repo/repo.hpp"
#include "support/repositories.hpp"
#include "support/temp_repo.hpp"

namespace {

using testing_support::open_repo;
using testing_support::summaries;
using testing_support::TempRepo;

TEST(FirstScreen, LoadsTheFirstCommitsAndLeavesTheRestToTheLoader) {
  TempRepo t;
  t.line_of_commits(300, "line", 250);  // HEAD 50 rows down
  app::FirstScreen first = *app::open_first_screen(t.path(), 2000);
  EXPECT_TRUE(first.rest_to_load);
  EXPECT_EQ(first.repo.commits.size(), app::FIRST_SCREEN_COMMITS);
  EXPECT_TRUE(first.repo.has_more);
  EXPECT_EQ(first.repo.limit, 2000u);
  app::LogLoader loader;
  loader.request(first.repo);
  loader.wait();
  EXPECT_TRUE(loader.take_finished(first.repo));
  EXPECT_EQ(first.repo.commits.size(), 300u);
  EXPECT_FALSE(first.repo.has_more);

  // The whole history asked for: the same.
  first = *app::open_first_screen(t.path(), std::nullopt);
  EXPECT_TRUE(first.rest_to_load);
  EXPECT_EQ(first.repo.limit, std::nullopt);
}

TEST(FirstScreen, LoadsTheWholeLimitWhenItMustOrMay) {
  TempRepo t;
  t.line_of_commits(300, "line", 10);  // HEAD 290 rows down, past the first screen
  app::FirstScreen first = *app::open_first_screen(t.path(), 2000);
  EXPECT_FALSE(first.rest_to_load);
  EXPECT_EQ(first.repo.commits.size(), 300u);
  EXPECT_EQ(first.repo.limit, 2000u);
  first = *app::open_first_screen(t.path(), 100);
  EXPECT_FALSE(first.rest_to_load);
  EXPECT_EQ(first.repo.commits.size(), 100u);
  EXPECT_TRUE(first.repo.has_more);
  TempRepo small;
  small.commit("only");
  first = *app::open_first_screen(small.path(), 2000);
  EXPECT_FALSE(first.rest_to_load);
  EXPECT_EQ(first.repo.commits.size(), 1u);
}

TEST(LogLoader, TakesTheModelOfAFinishedLoad) {
  TempRepo t;
  t.commit("one");
  repo::Repo r = open_repo(t);
  app::LogLoader loader;
  EXPECT_FALSE(loader.take_finished(r));
  t.commit("two");
  loader.request(r);
  EXPECT_TRUE(loader.busy());
  loader.wait();
  EXPECT_EQ(summaries(r), std::vector<std::string>{"one"});  // nothing changes until it is taken
  EXPECT_TRUE(loader.take_finished(r));
  EXPECT_FALSE(loader.busy());
  EXPECT_EQ(summaries(r), (std::vector<std::string>{"two", "one"}));
  // Nothing new: the load ends with nothing to take.
  loader.request(r);
  loader.wait();
  EXPECT_FALSE(loader.take_finished(r));
}

TEST(LogLoader, AReloadInPlaceOutdatesALoadBegunBefore) {
  TempRepo t;
  t.commit("one");
  repo::Repo r = open_repo(t);
  app::LogLoader loader;
  t.commit("two");
  loader.request(r);
  loader.wait();  // it has seen "two"
  // A command of the program moves the branch back and reloads in place.
  t.git({"reset", "-q", "--hard", "HEAD~1"});
  r.refresh();
  EXPECT_EQ(summaries(r), std::vector<std::string>{"one"});
  EXPECT_FALSE(loader.take_finished(r));  // the older load is dropped
  EXPECT_EQ(summaries(r), std::vector<std::string>{"one"});
  // It is followed by one more load, which finds nothing new.
  EXPECT_TRUE(loader.busy());
  loader.wait();
  EXPECT_FALSE(loader.take_finished(r));
  EXPECT_FALSE(loader.busy());
}

TEST(LogLoader, ABranchMapReloadedInPlaceOutdatesItToo) {
  TempRepo t;
  t.commit("one");
  repo::Repo r = open_repo(t);
  app::LogLoader loader;
  t.commit("two");
  loader.request(r);
  loader.wait();  // its branch map has no "x"
  ASSERT_TRUE(r.create_branch("x", r.commits[0].id));
  EXPECT_FALSE(loader.take_finished(r));
  EXPECT_TRUE(r.branches.contains(repo::BranchName{"x"}));
  // The load after it brings both the new commit and the branch.
  loader.wait();
  EXPECT_TRUE(loader.take_finished(r));
  EXPECT_EQ(summaries(r), (std::vector<std::string>{"two", "one"}));
  EXPECT_TRUE(r.branches.contains(repo::BranchName{"x"}));
}

TEST(LogLoader, AChangeDuringALoadGetsALoadAfterIt) {
  TempRepo t;
  t.commit("one");
  repo::Repo r = open_repo(t);
  app::LogLoader loader;
  loader.request(r);
  loader.wait();  // it found nothing new
  t.commit("two");
  loader.request(r);  // while the first has not been taken
  EXPECT_FALSE(loader.take_finished(r));
  EXPECT_TRUE(loader.busy());
  loader.wait();
  EXPECT_TRUE(loader.take_finished(r));
  EXPECT_EQ(summaries(r), (std::vector<std::string>{"two", "one"}));
}

TEST(LogLoader, ARepositoryGoneLeavesTheModel) {
  auto t = std::make_unique<TempRepo>();
  t->commit("one");
  repo::Repo r = open_repo(*t);
  t.reset();
  app::LogLoader loader;
  loader.request(r);
  loader.wait();
  EXPECT_FALSE(loader.take_finished(r));
  EXPECT_EQ(summaries(r), std::vector<std::string>{"one"});
}

}  // namespace
