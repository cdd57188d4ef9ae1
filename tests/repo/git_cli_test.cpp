#include "repo/git_cli.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "support/auth_wall.hpp"
#include "support/env_guard.hpp"
#include "support/temp_repo.hpp"
#include "work_tree_snapshot.hpp"

namespace {

using repo::discard_tracked_file;
using repo::run_git;
using repo::run_git_program;
using testing_support::AuthWall;
using testing_support::EnvGuard;
using testing_support::TempDir;
using testing_support::TempRepo;

std::string trim_ascii(std::string s) {
  const char* ws = " \t\r\n\v\f";
  s.erase(0, s.find_first_not_of(ws));
  s.erase(s.find_last_not_of(ws) + 1);
  return s;
}

std::string sh_failure(const std::string& script) {
  TempDir dir;
  auto r = run_git_program("sh", {"-c", script}, dir.path());
  if (r) return "<success>";
  EXPECT_TRUE(r.error().started);
  return r.error().message;
}

TEST(GitRunner, FailureTextRules) {
  struct Case {
    const char* script;
    std::string want;
  };
  const Case cases[] = {
      {"exit 0", "<success>"},
      {"echo warning >&2; echo out; exit 0", "<success>"},
      {"printf 'fatal: one\\ntwo\\n' >&2; exit 1", "fatal: one"},
      {"printf 'bad\\r\\nnext\\r\\n' >&2; exit 128", "bad"},
      {"printf 'two crs\\r\\r\\nx' >&2; exit 1", "two crs\r"},  // only one CR goes with the LF
      {"printf 'no line feed\\r' >&2; exit 1", "no line feed\r"},
      {"printf 'cr\\rinside\\n' >&2; exit 1", "cr\rinside"},
      {"printf '\\nsecond\\n' >&2; exit 1", ""},  // an empty first line is not "no text"
      {"exit 1", "unknown error"},
      // Nothing on standard error: git's verdict is the last line it wrote
      // on standard output.
      {"printf 'On branch main\\nnothing to commit, working tree clean\\n'; exit 1",
       "nothing to commit, working tree clean"},
      {"printf 'status\\n\\nNo changes  \\r\\n\\n \\n'; exit 1", "No changes"},
      {"printf 'Rebasing (1/2)\\rstopped'; exit 1", "stopped"},
      {"printf 'caf\\303\\251: path:with:colons\\n'; exit 1", "caf\u00e9: path:with:colons"},
      {"printf ' \\n\\t\\n'; exit 1", "unknown error"},
      {"echo ignored; printf 'fatal: on stderr\\n' >&2; exit 1", "fatal: on stderr"},
      {"printf 'caf\\303\\251 \\377x\\n' >&2; exit 1", "caf\u00e9 \uFFFDx"},
      {"kill -TERM $$", "unknown error"},
      {"echo dying >&2; kill -KILL $$", "dying"},
      // The reason is the first line git marks as one, wherever it stands;
      // the blanks before the mark go.
      {"printf 'To /o.git\\n ! [rejected]        main -> main (fetch first)\\nerror: x\\n' >&2; exit 1",
       "! [rejected]        main -> main (fetch first)"},
      {"printf 'From /o\\n   1..2  main -> o/main\\nfatal: gone\\nerror: could not fetch\\n' >&2; exit 1",
       "fatal: gone"},
      {"printf 'hint: first\\n\\terror: tabbed\\r\\n' >&2; exit 1", "error: tabbed"},
      {"printf '\\nerror: second\\n' >&2; exit 1", "error: second"},
      {"printf 'warning: w\\n!\\n' >&2; exit 1", "!"},
      // Progress rewrites its line with a carriage return; what follows is a line of its own.
      {"printf 'Rebasing (1/2)\\rRebasing (2/2)\\rerror: in the way:\\n\\tt2\\n' >&2; exit 1",
       "error: in the way:"},
      // The marks exactly, at the start of a line: else the first line.
      {"printf 'note\\nError: big\\nerrors: many\\nhint: fatal: no\\n' >&2; exit 1", "note"},
      {"printf 'note\\r\\nfatal:\\n' >&2; exit 1", "fatal:"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    EXPECT_EQ(sh_failure(c.script), c.want);
  }
}

TEST(GitRunner, WholeErrorOutputAndConflictWords) {
  TempDir dir;
  struct Case {
    const char* err;
    bool conflict;
  };
  const Case cases[] = {
      {"Auto-merging f\nCONFLICT (content): Merge conflict in f\n", true},
      {"error: could not apply 1234567... change\nhint: fix\n", true},
      {"hint: Could Not Apply\nconflict\n", false},
      {"fatal: invalid upstream 'x'\n", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.err);
    auto r = run_git_program("sh", {"-c", "printf '%s' \"$1\" >&2; exit 1", "sh", c.err}, dir.path());
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().error_output, c.err);
    EXPECT_EQ(r.error().stopped_on_conflict(), c.conflict);
  }
}

TEST(GitRunner, ConflictWordsArePlainText) {
  struct Case {
    const char* err;
    bool conflict;
  };
  const Case cases[] = {
      {"CONFLICT", true},
      {"Auto-merging f\nCONFLICT (content): Merge conflict in f\n", true},
      {"could not apply", true},
      {"Rebasing (1/2)\rerror: could not apply 1234567... t1\n", true},
      {"conflict", false},
      {"Could Not Apply\nConflict\n", false},
      {"error: cannot rebase: You have unstaged changes.\n", false},
      {"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.err);
    EXPECT_EQ(repo::tells_of_conflict(c.err), c.conflict);
  }
}

TEST(GitRunner, RunsThatCannotStart) {
  TempDir dir;
  auto missing = run_git_program("tarnwick-no-such-program", {}, dir.path());
  ASSERT_FALSE(missing);
  EXPECT_FALSE(missing.error().started);
  EXPECT_EQ(missing.error().message, "No such file or directory (os error 2)");

  auto no_dir = run_git({"status"}, dir.path() + "/gone");
  ASSERT_FALSE(no_dir);
  EXPECT_FALSE(no_dir.error().started);
  EXPECT_EQ(no_dir.error().message, "No such file or directory (os error 2)");
}

TEST(GitRunner, RealGitFailures) {
  TempRepo t;
  t.write("f", "x\n").commit("c");
  auto bad = run_git({"rev-parse", "--verify", "--end-of-options", "no-such-rev"}, t.path());
  ASSERT_FALSE(bad);
  EXPECT_EQ(bad.error().message, "fatal: Needed a single revision");
  // git config --get exits 1 without a word when the key is missing.
  auto quiet = run_git({"config", "--get", "tarnwick.missing"}, t.path());
  ASSERT_FALSE(quiet);
  EXPECT_EQ(quiet.error().message, "unknown error");
  // git commit tells on standard output alone that there is nothing to commit.
  t.write("f", "changed\n");
  auto empty = run_git({"commit", "-m", "nothing staged"}, t.path());
  ASSERT_FALSE(empty);
  EXPECT_EQ(empty.error().error_output, "");
  EXPECT_EQ(empty.error().message, "no changes added to commit (use \"git add\" and/or \"git commit -a\")");
  EXPECT_TRUE(run_git({"status"}, t.path()));
}

TEST(GitRunner, ChildHasNoTerminalAndOnlyItsOwnEnvironment) {
  TempDir dir;
  EnvGuard env({{"GIT_DIR", "/elsewhere"},
                {"GIT_INDEX_FILE", "/elsewhere/index"},
                {"GIT_ICASE_PATHSPECS", "1"},
                {"GIT_NAMESPACE", "ns"},
                {"TARNWICK_KEPT", "kept"},
                {"TARNWICK_AMBIENT", "inherited"},
                {"GIT_TERMINAL_PROMPT", "1"},
                {"LC_ALL", "de_DE.UTF-8"}});
  // Reports through a failure so the runner's own channel carries it.
  const std::string script =
      "read -r pid comm state ppid pgrp sid rest < /proc/$$/stat; "
      "[ \"$sid\" = $$ ] && echo leader >&2; "
      "readlink /proc/self/fd/0 >&2; "
      "(exec 3</dev/tty) 2>/dev/null && echo tty >&2 || echo no-tty >&2; "
      "env | grep -E "
      "'^(GIT_(DIR|INDEX_FILE|ICASE_PATHSPECS|NAMESPACE|TERMINAL_PROMPT|EDITOR)|TARNWICK_[A-Z]+|LC_ALL)=' "
      "| sort >&2; exit 1";
  auto r =
      run_git_program("sh", {"-c", script}, dir.path(), {{"GIT_EDITOR", "true"}, {"TARNWICK_KEPT", "added"}});
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error().error_output,
            "leader\n/dev/null\nno-tty\nGIT_EDITOR=true\nGIT_TERMINAL_PROMPT=0\nLC_ALL=C\n"
            "TARNWICK_AMBIENT=inherited\nTARNWICK_KEPT=added\n");
}

TEST(GitRunner, ScrubsEveryVariableGitCallsLocal) {
  TempRepo t;
  auto r = t.git_result({"rev-parse", "--local-env-vars"});
  ASSERT_TRUE(r.success());
  std::istringstream lines(r.out);
  const auto scrubbed = repo::scrubbed_git_variables();
  int count = 0;
  for (std::string name; std::getline(lines, name);) {
    ++count;
    EXPECT_NE(std::ranges::find(scrubbed, name), scrubbed.end()) << name;
  }
  EXPECT_GT(count, 10);
  for (const char* name : {"GIT_GLOB_PATHSPECS", "GIT_NOGLOB_PATHSPECS", "GIT_ICASE_PATHSPECS"})
    EXPECT_NE(std::ranges::find(scrubbed, name), scrubbed.end()) << name;
}

TEST(GitRunner, ActsOnThisRepositoryWhateverTheEnvironmentSays) {
  TempRepo t, decoy;
  t.write("f.txt", "here\n").write("g.txt", "g\n").commit("base");
  decoy.write("d.txt", "d\n").commit("decoy");
  t.write("f.txt", "staged\n");
  const std::string decoy_git = decoy.path() + "/.git";
  {
    EnvGuard env({{"GIT_DIR", decoy_git},
                  {"GIT_WORK_TREE", decoy.path()},
                  {"GIT_INDEX_FILE", decoy_git + "/index"},
                  {"GIT_OBJECT_DIRECTORY", decoy_git + "/objects"},
                  {"GIT_COMMON_DIR", decoy_git},
                  {"GIT_NAMESPACE", "ns"},
                  {"GIT_CONFIG_PARAMETERS", "'core.bare'='true'"},
                  {"GIT_CONFIG_COUNT", "1"},
                  {"GIT_CONFIG_KEY_0", "core.bare"},
                  {"GIT_CONFIG_VALUE_0", "true"},
                  {"GIT_GLOB_PATHSPECS", "1"}});
    auto add = run_git({"add", "f.txt"}, t.path());
    EXPECT_TRUE(add) << add.error().message;
    auto branch = run_git({"branch", "made-here"}, t.path());
    EXPECT_TRUE(branch) << branch.error().message;
  }
  EXPECT_EQ(t.git({"diff", "--cached", "--name-only"}), "f.txt\n");
  const std::string blob = t.git({"rev-parse", ":f.txt"});
  EXPECT_TRUE(t.git_result({"cat-file", "-e", trim_ascii(blob)}).success());
  EXPECT_EQ(t.git({"for-each-ref", "--format=%(refname)"}), "refs/heads/made-here\nrefs/heads/main\n");
  EXPECT_EQ(decoy.git({"status", "--porcelain"}), "");
  EXPECT_EQ(decoy.git({"for-each-ref", "--format=%(refname)"}), "refs/heads/main\n");
}

TEST(GitRunner, CredentialPromptFailsInsteadOfWaiting) {
  TempRepo t;
  TempDir home;
  AuthWall wall;
  ASSERT_NE(wall.port(), 0);
  EnvGuard env({{"GIT_ASKPASS", std::nullopt}, {"SSH_ASKPASS", std::nullopt}, {"GIT_TERMINAL_PROMPT", "1"}});
  const std::string url = "http://127.0.0.1:" + std::to_string(wall.port()) + "/r.git";
  auto r = run_git({"ls-remote", url}, t.path(), testing_support::git_env(home.path()));
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error().message, "fatal: could not read Username for 'http://127.0.0.1:" +
                                   std::to_string(wall.port()) + "': terminal prompts disabled");
  EXPECT_GE(wall.requests(), 1);
}

TEST(GitRunner, NoAskpassProgramIsAsked) {
  TempRepo t;
  TempDir home;
  AuthWall wall;
  ASSERT_NE(wall.port(), 0);
  // Each would answer and record that it was asked.
  const std::string asked = home.path() + "/asked";
  std::map<std::string, std::string> programs;
  for (const char* name : {"git-askpass", "ssh-askpass", "config-askpass"}) {
    const std::string script = home.path() + "/" + name;
    std::ofstream(script) << "#!/bin/sh\necho " << name << " >> '" << asked << "'\necho answer\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    programs[name] = script;
  }
  std::ofstream(home.path() + "/.gitconfig") << "[core]\n\taskPass = " << programs["config-askpass"] << "\n";
  EnvGuard env({{"GIT_ASKPASS", programs["git-askpass"]},
                {"SSH_ASKPASS", programs["ssh-askpass"]},
                {"SSH_ASKPASS_REQUIRE", "force"},
                {"DISPLAY", ":0"}});
  for (const bool with_git_askpass : {true, false}) {
    SCOPED_TRACE(with_git_askpass ? "GIT_ASKPASS set" : "core.askPass and SSH_ASKPASS only");
    EnvGuard unset_git_askpass(
        {{"GIT_ASKPASS", with_git_askpass ? std::optional(programs["git-askpass"]) : std::nullopt}});
    auto r = run_git({"ls-remote", wall.url()}, t.path(), testing_support::git_env(home.path()));
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().message, "fatal: could not read Username for 'http://127.0.0.1:" +
                                     std::to_string(wall.port()) + "': terminal prompts disabled");
  }
  EXPECT_FALSE(std::filesystem::exists(asked));
}

// Library and git runs of the program read this HOME, not the user's.
struct HermeticHome {
  TempDir dir;
  EnvGuard env{
      {"HOME", dir.path()}, {"XDG_CONFIG_HOME", dir.path() + "/.config"}, {"GIT_CONFIG_NOSYSTEM", "1"}};
};

// Committed files of awkward kinds, then a local change to each of them.
void discard_corpus(TempRepo& t) {
  t.write("a.txt", "a\nb\n").write("b.txt", "one\n").write("c.txt", "c\n").write(":!x", "x\n");
  t.write("-dash", "d\n")
      .write("sp ace.txt", "s\n")
      .write("crlf.txt", "l1\r\nl2\r\n")
      .write("noeol.txt", "n");
  t.write("*.txt", "star\n").write("dir/deep.txt", "deep\n").write("run.sh", "#!/bin/sh\n");
  t.set_executable("run.sh", true);
  t.symlink("a.txt", "link");
  t.commit("base");
  t.write("a.txt", "a\nB\n").write("b.txt", "two\n");
  t.git({"add", "b.txt"});
  t.write("b.txt", "three\n").remove("c.txt").write(":!x", "changed\n").write("-dash", "D\n");
  t.write("sp ace.txt", "S\n").write("crlf.txt", "l1\r\nX\r\n").write("noeol.txt", "n2");
  t.write("*.txt", "STAR\n").write("dir/deep.txt", "DEEP\n").write("u.txt", "untracked\n");
  t.set_executable("run.sh", false);
  t.symlink("b.txt", "link");
}

TEST(DiscardTrackedFile, RestoresExactlyThatFileFromTheIndex) {
  HermeticHome home;
  // Pathspec magic and globs in the environment must not widen the path.
  EnvGuard env({{"GIT_GLOB_PATHSPECS", "1"}, {"GIT_ICASE_PATHSPECS", "1"}});
  for (const std::string path : {"a.txt", "b.txt", "c.txt", ":!x", "-dash", "sp ace.txt", "crlf.txt",
                                 "noeol.txt", "*.txt", "dir/deep.txt", "run.sh", "link"}) {
    SCOPED_TRACE(path);
    TempRepo ours, oracle;
    discard_corpus(ours);
    discard_corpus(oracle);
    auto done = discard_tracked_file(ours.path(), path);
    ASSERT_TRUE(done) << done.error();
    // checkout-index takes paths, never pathspecs.
    oracle.git({"checkout-index", "-f", "--", path});
    EXPECT_EQ(testing_support::snapshot(ours), testing_support::snapshot(oracle));
  }
}

TEST(DiscardTrackedFile, Failures) {
  HermeticHome home;
  TempRepo t;
  t.write("f", "f\n").commit("c");
  t.write("f", "changed\n");

  auto unknown = discard_tracked_file(t.path(), "nope");
  ASSERT_FALSE(unknown);
  auto git_says = t.git_result({"checkout", "--", "nope"});
  EXPECT_EQ(unknown.error(), "git checkout failed: " + trim_ascii(git_says.err));
  EXPECT_EQ(unknown.error(),
            "git checkout failed: error: pathspec 'nope' did not match any file(s) known to git");

  // A held index lock: git explains over several lines, all of them kept.
  t.write(".git/index.lock", "");
  auto locked = discard_tracked_file(t.path(), "f");
  ASSERT_FALSE(locked);
  git_says = t.git_result({"checkout", "--", "f"});
  EXPECT_EQ(locked.error(), "git checkout failed: " + trim_ascii(git_says.err));
  EXPECT_NE(locked.error().find('\n'), std::string::npos);
  EXPECT_EQ(locked.error().back(), '.');
  EXPECT_EQ(t.read("f"), "changed\n");

  auto no_dir = discard_tracked_file(t.path() + "/gone", "f");
  ASSERT_FALSE(no_dir);
  EXPECT_EQ(no_dir.error(), "failed to run git checkout: No such file or directory (os error 2)");
}

// The message file's text is stored as it stands, as the library would
// store it; the hooks run, and what they refuse is git's failure text.
TEST(CommitWithGit, RunsTheHooksAndStoresTheMessageVerbatim) {
  HermeticHome home;
  TempRepo t;
  t.set_identity();
  const std::string base = t.write("a.txt", "one\n").commit("base");
  TempDir scratch;
  const std::string message = scratch.path() + "/message";
  testing_support::write_file(message, "Subject\n\n\nBody  kept as typed\n;not a comment");
  t.write(".git/hooks/pre-commit", "#!/bin/sh\necho 'pre-commit: tests fail' >&2\nexit 1\n");
  t.set_executable(".git/hooks/pre-commit", true);
  t.write(".git/hooks/commit-msg", "#!/bin/sh\ncp \"$1\" \"$(git rev-parse --git-dir)/seen\"\n");
  t.set_executable(".git/hooks/commit-msg", true);
  t.write("a.txt", "two\n").git({"add", "a.txt"});

  auto refused = repo::commit_with_git(t.path(), message, false);
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error(), "pre-commit: tests fail");
  EXPECT_EQ(t.rev_parse("HEAD"), base);
  EXPECT_EQ(t.git({"status", "--porcelain"}), "M  a.txt\n");

  t.set_executable(".git/hooks/pre-commit", false);
  ASSERT_TRUE(repo::commit_with_git(t.path(), message, false));
  EXPECT_EQ(t.git({"rev-parse", "HEAD~1"}), base + "\n");
  const std::string raw = t.git({"cat-file", "commit", "HEAD"});
  EXPECT_EQ(raw.substr(raw.find("\n\n") + 2), "Subject\n\n\nBody  kept as typed\n;not a comment");
  EXPECT_EQ(t.read(".git/seen"), "Subject\n\n\nBody  kept as typed\n;not a comment");

  testing_support::write_file(message, "Reworded");
  ASSERT_TRUE(repo::commit_with_git(t.path(), message, true));
  EXPECT_EQ(t.git({"rev-parse", "HEAD~1"}), base + "\n");
  EXPECT_EQ(t.git({"log", "-1", "--format=%B"}), "Reworded\n");
  EXPECT_EQ(t.git({"fsck", "--strict"}), "");

  auto no_dir = repo::commit_with_git(t.path() + "/gone", message, false);
  ASSERT_FALSE(no_dir);
  EXPECT_EQ(no_dir.error(), "No such file or directory (os error 2)");
}

}  // namespace
