#include "main/command_line.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "support/env_guard.hpp"
#include "support/tarnwick_binary.hpp"
#include "support/temp_repo.hpp"

namespace {

using app::parse_command_line;
using testing_support::run_tarnwick;
using testing_support::TempRepo;

struct ParseCase {
  std::vector<std::string> args;
  std::string path;
  std::optional<std::uint64_t> limit;
  bool debug_graph = false;
};

TEST(CommandLine, ReadsArgumentsLeftToRight) {
  const ParseCase cases[] = {
      {{}, ".", 2000},
      {{"a", "b"}, "b", 2000},
      {{"-n", "500", "-a"}, ".", std::nullopt},
      {{"-a", "-n", "500"}, ".", 500},
      {{"--all"}, ".", std::nullopt},
      {{"-n", "word"}, ".", 2000},  // consumed, never the path
      {{"-n"}, ".", 2000},
      {{"-n+25"}, ".", 25},
      {{"-n", "+25"}, ".", 25},
      {{"-n0"}, ".", 0},
      {{"-a", "-n0"}, ".", 0},
      {{"-n", "18446744073709551615"}, ".", UINT64_MAX},
      {{"-n", "18446744073709551616"}, ".", 2000},
      {{"-n", "99999999999999999999"}, ".", 2000},
      {{"-n", "+"}, ".", 2000},
      {{"-n", ""}, ".", 2000},
      {{"-n", "-5"}, ".", 2000},
      {{"-n", "1 2"}, ".", 2000},
      {{"-n", "12x"}, ".", 2000},
      {{"-n", "--debug-graph"}, ".", 2000, false},
      {{"-nx", "p"}, "p", 2000},
      {{"--debug-graph", "repo"}, "repo", 2000, true},
      {{"--help", "--version", "-", "--", "-x"}, ".", 2000},
      {{""}, "", 2000},
      {{"./-odd"}, "./-odd", 2000},
      {{"-n", "7", "p", "-n", "bad"}, "p", 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    auto got = parse_command_line(c.args);
    EXPECT_EQ(got.path, c.path);
    EXPECT_EQ(got.limit, c.limit);
    EXPECT_EQ(got.debug_graph, c.debug_graph);
  }
}

TEST(Binary, PrintsTheGraphAndExitsZero) {
  TempRepo t;
  const std::string a = t.write("f", "1").commit("first");
  t.git({"checkout", "-q", "-b", "side"});
  const std::string b = t.write("g", "1").commit("side work");
  t.git({"checkout", "-q", "main"});
  const std::string c = t.write("f", "2").commit("main work\r\nmore");
  t.git({"merge", "-q", "--no-ff", "-m", "merge side", "side"});
  const std::string m = t.rev_parse("HEAD");

  auto r = run_tarnwick({"--debug-graph", t.path()});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const std::string want = "●╮ " + m.substr(0, 7) + " merge side\n" +      //
                           "●│ " + c.substr(0, 7) + " main work more\n" +  //
                           "│● " + b.substr(0, 7) + " side work\n" +       //
                           "●╯ " + a.substr(0, 7) + " first\n";
  EXPECT_EQ(r.out, want);

  r = run_tarnwick({"--debug-graph", "-n", "1"}, t.path());
  EXPECT_EQ(r.out, "●╮ " + m.substr(0, 7) + " merge side\n");
}

TEST(Binary, EmptyLogPrintsNothing) {
  TempRepo t;
  auto r = run_tarnwick({"--debug-graph", t.path()});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "");
  t.write("f", "1").commit("one");
  r = run_tarnwick({"--debug-graph", "-n0", t.path()});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "");
}

TEST(Binary, ExitStatuses) {
  testing_support::TempDir d;
  auto r = run_tarnwick({"--debug-graph", d.path() + "/missing"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(r.err.starts_with("Failed to open repository: ")) << r.err;
  EXPECT_TRUE(r.err.ends_with("\n"));
  EXPECT_EQ(r.out, "");

  r = run_tarnwick({"--debug-graph", ""});
  EXPECT_EQ(r.exit_code, 1);

  // The walk cannot be set up: status 101 with the set-up message.
  TempRepo t;
  t.write("f", "1").commit("one");
  t.git({"pack-refs", "--all"});
  std::ofstream(t.file_path(".git/packed-refs"), std::ios::app) << "garbage line\n";
  r = run_tarnwick({"--debug-graph", t.path()});
  EXPECT_EQ(r.exit_code, 101);
  EXPECT_TRUE(r.err.starts_with("Failed to push branches: ")) << r.err;
}

TEST(Binary, AHistoryCutShortIsPrintedAndFails) {
  TempRepo t;
  t.write("f", "1").commit("first");
  t.write("f", "2").commit("second");
  const std::string c = t.write("f", "3").commit("third");
  const std::string b = t.rev_parse("HEAD~1");
  std::filesystem::remove(t.file_path(".git/objects/" + b.substr(0, 2) + "/" + b.substr(2)));
  for (const char* limit : {"-a", "-n5"}) {
    SCOPED_TRACE(limit);
    auto r = run_tarnwick({"--debug-graph", limit, t.path()});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out, "● " + c.substr(0, 7) + " third\n");
    EXPECT_EQ(r.err, "history cut short: commit " + b.substr(0, 7) + " cannot be read\n");
  }
}

// A summary or a path can hold escape sequences (a window title, the clipboard); what the
// program writes outside the screen shows them instead of running them.
TEST(Binary, RepositoryTextIsFilteredOutsideTheScreen) {
  TempRepo t;
  const std::string a =
      t.write("f", "1").commit("title \x1b]0;pwned\x07 clip \x1b]52;c;ZXZpbA==\x07 \u202Eend");
  auto r = run_tarnwick({"--debug-graph", t.path()});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, "● " + a.substr(0, 7) + " title ␛]0;pwned␇ clip ␛]52;c;ZXZpbA==␇ \uFFFDend\n");

  testing_support::TempDir d;
  r = run_tarnwick({"--debug-graph", d.path() + "/missing\x1b]0;pwned\x07"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(r.err.starts_with("Failed to open repository: ")) << r.err;
  EXPECT_EQ(r.err.find_first_of("\x1b\x07"), std::string::npos) << testing::PrintToString(r.err);
  EXPECT_NE(r.err.find("missing␛]0;pwned␇"), std::string::npos) << r.err;
}

// A repository another user owns is refused in git's own words, and the command of the hint is
// the one that lets the program open it. The directory named is the one the library checks: the
// work tree also when the path names its .git (git names the .git directory there).
TEST(Binary, ARepositoryOfAnotherUserIsToldAsGitTellsIt) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving a repository to another user needs root";
  testing_support::TempDir home;
  testing_support::EnvGuard env{{"HOME", home.path()}, {"XDG_CONFIG_HOME", home.path() + "/.config"}};
  TempRepo work;
  work.write("f", "1").commit("one");
  TempRepo bare(false);
  bare.git({"init", "-q", "--bare"});
  struct Case {
    TempRepo* repo;
    std::string suffix;
  };
  const Case cases[] = {{&work, ""}, {&work, "/.git"}, {&bare, ""}};
  for (TempRepo* t : {&work, &bare}) {
    const auto chown = utils::run_process({"chown", "-R", "65534", t->path()});
    ASSERT_TRUE(chown && chown->success());
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.repo->path() + c.suffix);
    std::filesystem::remove(home.path() + "/.gitconfig");
    // git's words, from git itself in the directory the library checks.
    const auto git = c.repo->git_result({"status"});
    ASSERT_FALSE(git.success());
    ASSERT_TRUE(git.err.starts_with("fatal: detected dubious ownership")) << git.err;
    const std::string want = "Failed to open repository: " + git.err.substr(std::string("fatal: ").size());
    for (const auto& args : {std::vector<std::string>{"--debug-graph", c.repo->path() + c.suffix},
                             std::vector<std::string>{c.repo->path() + c.suffix}}) {
      auto r = run_tarnwick(args);
      EXPECT_EQ(r.exit_code, 1);
      EXPECT_EQ(r.err, want);
      EXPECT_EQ(r.out, "");
    }

    // The hint's command, as given.
    const auto tab = want.rfind('\t');
    ASSERT_NE(tab, std::string::npos) << want;
    std::istringstream words(want.substr(tab + 1));
    std::vector<std::string> command;
    for (std::string w; words >> w;) command.push_back(w);
    ASSERT_EQ(command.size(), 6u) << want;
    utils::ProcessOptions options;
    options.set_env = {{"HOME", home.path()}};
    const auto added = utils::run_process(command, options);
    ASSERT_TRUE(added && added->success());
    auto r = run_tarnwick({"--debug-graph", c.repo->path() + c.suffix});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err, "");
  }
}

TEST(Binary, ClosedPipeEndsWith101) {
  TempRepo t;
  // Enough output to outgrow the pipe after the reader has gone.
  std::string script;
  for (int i = 0; i < 20000; ++i)
    script += "commit refs/heads/main\ncommitter C <c@d> " + std::to_string(1700000000 + i) +
              " +0000\ndata 2\nc\n\n";
  t.git({"fast-import", "--quiet"}, script);
  auto piped = utils::run_process(
      {"bash", "-c", "\"$0\" -a --debug-graph \"$1\" | head -c 1 >/dev/null; echo ${PIPESTATUS[0]}",
       TARNWICK_BINARY, t.path()});
  ASSERT_TRUE(piped);
  EXPECT_EQ(piped->out, "101\n");
  EXPECT_NE(piped->err.find("failed printing to stdout: Broken pipe (os error 32)"), std::string::npos)
      << piped->err;
}

}  // namespace
