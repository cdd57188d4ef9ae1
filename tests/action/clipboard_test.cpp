#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>

#include "remote_fixture.hpp"

namespace {

using app_testing::TwoCommits;
using testing_support::FakePrograms;
using testing_support::LoopSession;
using testing_support::open_repo;
using testing_support::read_file;
using testing_support::TempRepo;

const char* const CLIPBOARD[] = {"clip.exe", "xclip", "xsel", "wl-copy"};

TEST(CopyId, FirstClipboardProgramThatSucceeds) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, int>> installed;  // program, exit status
    std::vector<std::string> given;                      // the programs that got the id
    std::optional<std::string> message;                  // with the short id after it
  };
  const Case cases[] = {
      {"none installed", {}, {}, std::nullopt},
      {"only wl-copy", {{"wl-copy", 0}}, {"wl-copy"}, "copied "},
      {"the first wins", {{"clip.exe", 0}, {"xclip", 0}}, {"clip.exe"}, "copied "},
      {"xclip fails, xsel copies", {{"xclip", 1}, {"xsel", 0}, {"wl-copy", 0}}, {"xclip", "xsel"}, "copied "},
      {"all fail",
       {{"clip.exe", 1}, {"xclip", 1}, {"xsel", 2}, {"wl-copy", 1}},
       {"clip.exe", "xclip", "xsel", "wl-copy"},
       "failed to copy "},
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

}  // namespace
