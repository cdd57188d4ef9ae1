#include "remote_fixture.hpp"
#include "support/wait.hpp"

#include <signal.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using app_testing::HermeticGit;
using testing_support::FakePrograms;
using testing_support::LoopSession;
using testing_support::open_repo;
using testing_support::read_file;
using testing_support::TempRepo;
using testing_support::wait_until;

// first <- second on main; rows: 0 second, 1 first.
struct TwoCommits {
  TwoCommits() {
    first = t.write("f.txt", "a\n").commit("first");
    second = t.write("f.txt", "b\n").commit("second");
  }
  HermeticGit home;
  TempRepo t;
  std::string first, second;
};

const char* const CLIPBOARD[] = {"clip.exe", "xclip", "xsel", "wl-copy"};

TEST(CopyId, FirstClipboardProgramThatSucceeds) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, int>> installed;  // program, exit status
    std::vector<std::string> given;                       // the programs that got the id
    std::optional<std::string> message;                   // with the short id after it
  };
  const Case cases[] = {
      {"none installed", {}, {}, std::nullopt},
      {"only wl-copy", {{"wl-copy", 0}}, {"wl-copy"}, "copied "},
      {"the first wins", {{"clip.exe", 0}, {"xclip", 0}}, {"clip.exe"}, "copied "},
      {"xclip fails, xsel copies", {{"xclip", 1}, {"xsel", 0}, {"wl-copy", 0}}, {"xclip", "xsel"}, "copied "},
      {"all fail", {{"clip.exe", 1}, {"xclip", 1}, {"xsel", 2}, {"wl-copy", 1}},
       {"clip.exe", "xclip", "xsel", "wl-copy"}, "failed to copy "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TwoCommits fixture;
    LoopSession s(open_repo(fixture.t));
    FakePrograms programs;
    for (const auto& [name, status] : c.installed) programs.add_recorder(name, status);
    s.state.selected = 1;
    s.state.count_prefix = "2";
    s.state.set_status("kept");
    s.press("y");
    EXPECT_EQ(s.state.count_prefix, "");
    EXPECT_EQ(s.status(), c.message ? *c.message + fixture.first.substr(0, 7) : "kept");
    for (const char* name : CLIPBOARD) {
      SCOPED_TRACE(name);
      const bool given = std::ranges::find(c.given, name) != c.given.end();
      ASSERT_EQ(programs.ran(name), given);
      if (given) {
        EXPECT_EQ(programs.log(name), fixture.first);  // 40 digits, no line end
      }
    }
    if (programs.ran("xclip")) {
      EXPECT_EQ(programs.args("xclip"), "-selection clipboard\n");
    }
    if (programs.ran("xsel")) {
      EXPECT_EQ(programs.args("xsel"), "--clipboard --input\n");
    }
    if (programs.ran("wl-copy")) {
      EXPECT_EQ(programs.args("wl-copy"), "\n");
    }
  }
}

TEST(CopyId, AProgramLeftHoldingTheSelectionDoesNotHoldUsUp) {
  TwoCommits fixture;
  LoopSession s(open_repo(fixture.t));
  FakePrograms programs;
  // As xclip does: it reads the id, then a process of its own keeps the
  // selection, with standard output and error still open.
  programs.add("xclip", "cat > \"$LOG\"; sleep 1000 & echo $! > \"$LOG.held\"; echo noise; exit 0");
  s.press("y");
  EXPECT_EQ(s.status(), "copied " + fixture.second.substr(0, 7));
  EXPECT_EQ(programs.log("xclip"), fixture.second);
  ::kill(std::atoi(read_file(programs.log_path("xclip") + ".held").c_str()), SIGKILL);
}

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
      fixture.t.git({"update-ref", "refs/remotes/origin/main", *c.remote_tip_row ? fixture.first : fixture.second});
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
