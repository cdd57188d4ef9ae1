#include <gtest/gtest.h>

#include "remote_fixture.hpp"
#include "support/auth_wall.hpp"

namespace {

using app_testing::HermeticGit;
using app_testing::OriginRepo;
using testing_support::AuthWall;
using testing_support::FakePrograms;
using testing_support::LoopSession;
using testing_support::open_repo;
using testing_support::TempDir;
using testing_support::TempRepo;
using testing_support::trimmed;

TEST(PushAndFetch, MissingCredentialsFailWithGitsMessage) {
  HermeticGit home;
  AuthWall wall;
  ASSERT_NE(wall.port(), 0);
  OriginRepo fixture;
  fixture.work.git({"remote", "set-url", "origin", wall.url()});
  LoopSession s(open_repo(fixture.work));
  const std::string why =
      "fatal: could not read Username for 'http://127.0.0.1:" + std::to_string(wall.port()) +
      "': terminal prompts disabled";

  s.press("p");
  ASSERT_EQ(s.state.push_input, "main");
  s.press("<enter>");
  s.finish_push();
  EXPECT_EQ(s.status(), "push failed: " + why);

  s.press("f");
  s.finish_fetch();
  EXPECT_EQ(s.status(), "fetch failed: " + why);
  EXPECT_GE(wall.requests(), 2);
}

TEST(PushAndFetchDeathTest, AWorkerThatCannotStartEndsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const char* keys : {"f", "p<enter>"}) {
    SCOPED_TRACE(keys);
    HermeticGit home;
    OriginRepo fixture;
    LoopSession s(open_repo(fixture.work));
    EXPECT_EXIT(
        {
          // No thread can get a stack this size.
          pthread_attr_t attr;
          pthread_attr_init(&attr);
          pthread_attr_setstacksize(&attr, std::size_t{1} << 46);
          pthread_setattr_default_np(&attr);
          s.press(keys);
        },
        testing::ExitedWithCode(101), "^failed to spawn thread\n$");
  }
}

}  // namespace
