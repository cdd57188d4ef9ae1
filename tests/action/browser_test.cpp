#include <gtest/gtest.h>

#include <cstdlib>

#include "remote_fixture.hpp"
#include "support/wait.hpp"

namespace {

using app_testing::TwoCommits;
using testing_support::FakePrograms;
using testing_support::LoopSession;
using testing_support::open_repo;
using testing_support::read_file;
using testing_support::TempRepo;
using testing_support::wait_until;

// Waits until the process is gone, zombie included.
bool reaped(int pid) {
  return wait_until([pid] { return !std::filesystem::exists("/proc/" + std::to_string(pid)); });
}

TEST(OpenPage, TheOpenerGetsTheCommitAddress) {
  struct Case {
    const char* url;
    std::string page;  // the id follows
  };
  const Case cases[] = {
      {"git@github.com:owner/proj.git", "https://github.com/owner/proj/commit/"},
      {"https://gitlab.example.com/group/sub/proj", "https://gitlab.example.com/group/sub/proj/-/commit/"},
      {"git@bitbucket.org:team/repo.git", "https://bitbucket.org/team/repo/commits/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    TwoCommits fixture;
    fixture.t.git({"remote", "add", "origin", c.url});
    fixture.t.git({"update-ref", "refs/remotes/origin/main", fixture.second});
    LoopSession s(open_repo(fixture.t));
    FakePrograms programs;
    // Stays until the test lets it go: the program does not wait for it.
    programs.add("open",
                 "echo $$ > \"$LOG.pid\"; fds=$(for fd in 0 1 2; do readlink /proc/$$/fd/$fd; done)\n"
                 "printf '%s' \"$1\" > \"$LOG\"; echo \"$fds\" > \"$LOG.fds\"\n"
                 // Last, and whole: the test reads the others once it sees this one.
                 "echo \"$#\" > \"$LOG.count.part\"; mv \"$LOG.count.part\" \"$LOG.count\"\n"
                 "i=0; while [ ! -e \"$LOG.release\" ] && [ $i -lt 1500 ]; do sleep 0.02; i=$((i+1)); done");
    s.state.selected = 1;  // below the remote-tracking tip
    s.press("o");
    EXPECT_EQ(s.status(), "opened in browser");

    const std::string log = programs.log_path("open");
    wait_until([&log] { return std::filesystem::exists(log + ".count"); });
    EXPECT_EQ(programs.log("open"), c.page + fixture.first);
    EXPECT_EQ(read_file(log + ".count"), "1\n");
    EXPECT_EQ(read_file(log + ".fds"), "/dev/null\n/dev/null\n/dev/null\n");
    std::ofstream(log + ".release").flush();
    EXPECT_TRUE(reaped(std::atoi(read_file(log + ".pid").c_str())));
  }
}

TEST(OpenPage, RefusalsAndAMissingOpener) {
  struct Case {
    const char* name;
    const char* url;
    std::optional<std::size_t> remote_tip_row;
    std::size_t selected;
    bool opener;
    std::string want;
  };
  const Case cases[] = {
      {"no remote-tracking branch", "git@github.com:o/p.git", std::nullopt, 1, true, "commit not on remote"},
      {"the tip below the commit", "git@github.com:o/p.git", 1, 0, true, "commit not on remote"},
      {"an address of no understood form", "http://plain.example/p.git", 0, 1, true, "no remote URL"},
      {"no opener to start", "https://github.com/o/p", 0, 1, false, "failed to open browser"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TwoCommits fixture;
    fixture.t.git({"remote", "add", "origin", c.url});
    if (c.remote_tip_row)
      fixture.t.git(
          {"update-ref", "refs/remotes/origin/main", *c.remote_tip_row ? fixture.first : fixture.second});
    LoopSession s(open_repo(fixture.t));
    FakePrograms programs;
    if (c.opener) programs.add_recorder("open", 0);
    s.state.selected = c.selected;
    s.press("o");
    EXPECT_EQ(s.status(), c.want);
    EXPECT_FALSE(programs.ran("open"));
  }
}

}  // namespace
