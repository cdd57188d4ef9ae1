#include "action/commit_flow.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "action/action.hpp"
#include "action/commit_aids.hpp"
#include "action/commit_message.hpp"
#include "repo/repo.hpp"
#include "repo/stopped_operations.hpp"
#include "state/state.hpp"
#include "support/env_guard.hpp"
#include "support/temp_repo.hpp"
#include "support/text.hpp"
#include "tui/memory_backend.hpp"
#include "tui/terminal.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::lines_of;
using testing_support::read_file;
using testing_support::TempDir;
using testing_support::TempRepo;
using testing_support::write_file;

std::vector<std::string> listing(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::ranges::sort(names);
  return names;
}

// The message as git stores it: everything after the header's empty line.
std::string stored_message(TempRepo& git, const std::string& rev = "HEAD") {
  const std::string raw = git.git({"cat-file", "commit", rev});
  const auto end = raw.find("\n\n");
  return end == std::string::npos ? std::string() : raw.substr(end + 2);
}

// An editor that records how it was called and what it found, then writes
// the reply (when there is one) and exits with the chosen status.
constexpr std::string_view kRecorder = R"sh(
n=$(( $(cat "$r/runs" 2>/dev/null || echo 0) + 1 )); echo $n > "$r/runs"
: > "$r/args"; for a in "$@"; do printf '%s\n' "$a" >> "$r/args"; done
while [ "${1#-}" != "$1" ]; do shift; done  # an editor's own options come before the file
cp "$1" "$r/initial"
stat -c '%a %u %F' "$1" > "$r/stat"
ls -A "$(dirname "$1")" > "$r/listing"
case "$3" in "luafile "*)
  f=${3#luafile }; cp "$f" "$r/aids"; stat -c '%a %u %F' "$f" > "$r/aids_stat";;
esac
if [ -f "$r/action" ]; then . "$r/action"; fi
if [ -f "$r/reply" ]; then cat "$r/reply" > "$1"; fi
exit $(cat "$r/status" 2>/dev/null || echo 0)
)sh";

// A repository with a first commit, a private temporary directory for the
// flow, and editors that record what they saw.
struct Flow : testing::Test {
  TempRepo git;
  TempDir scratch;
  fs::path tmp = fs::path(scratch.path()) / "tmp";
  fs::path rec = fs::path(scratch.path()) / "rec";
  fs::path bin = fs::path(scratch.path()) / "bin";
  testing_support::EnvGuard tmpdir{{"TMPDIR", tmp.string()}};
  testing_support::EnvGuard editor{{"EDITOR", (bin / "record").string()}};
  std::optional<repo::Repo> repo;
  std::optional<state::State> state;
  tui::MemoryBackend backend{tui::Size{80, 24}};
  tui::Terminal terminal{backend};

  Flow() {
    fs::create_directories(tmp);
    fs::create_directories(rec);
    install_editor(bin / "record");
    git.set_identity();
  }

  void install_editor(const fs::path& path) {
    write_file(path, "#!/bin/sh\nr='" + rec.string() + "'\n" + std::string(kRecorder));
    fs::permissions(path, fs::perms::owner_all);
  }

  void reply(const std::string& text) { write_file(rec / "reply", text); }
  std::string recorded(const std::string& what) { return read_file(rec / what); }

  // Loads the repository and opens the staging view over it.
  void open_view(bool amend = false) { open_view_of(git, amend); }
  void open_view_of(TempRepo& in, bool amend = false) {
    auto opened = repo::Repo::open(in.path(), 2000);
    ASSERT_TRUE(opened);
    repo = std::move(*opened);
    state = state::State::create(*repo);
    auto status = repo->load_worktree_status(amend);
    ASSERT_TRUE(status);
    state::CommitViewState view;
    view.unstaged = status->unstaged;
    view.staged = status->staged;
    const auto& first = amend || view.unstaged.empty() ? view.staged : view.unstaged;
    if (!first.empty()) view.selected_path = first.front().path;
    view.staged_focus = amend || view.unstaged.empty();
    view.amending = amend;
    if (amend) {
      // As the log's a keeps it, for a cancel to put back.
      auto snapshot = repo->snapshot_index();
      ASSERT_TRUE(snapshot);
      view.index_before_amend = std::move(*snapshot);
    }
    view.diff_scroll = 3;
    state->commit_view = std::move(view);
  }

  void commit(bool amend = false) { action::commit_with_editor(*state, *repo, terminal, amend); }

  std::string status() const { return state->status_message ? state->status_message->text : "<none>"; }
};

TEST_F(Flow, StoresTheCleanedMessageAndLeavesNoFileOfItsOwn) {
  git.write("a.txt", "one\n").commit("base");
  const std::string base = git.rev_parse("HEAD");
  git.write("a.txt", "two\n").git({"add", "a.txt"});
  // Planted under the fixed names beforehand: neither may be followed,
  // overwritten or removed.
  write_file(fs::path(scratch.path()) / "victim", "precious\n");
  fs::create_symlink(fs::path(scratch.path()) / "victim", tmp / "tarnwick_commit_msg.md");
  write_file(tmp / "tarnwick_commit_aids.lua", "-- planted\n");
  reply("  Add the thing  \n\n# dropped\n#123 dropped too\nBody line \t\n #42 kept\n\n\n");
  open_view();

  commit();

  EXPECT_EQ(status(), "committed successfully");
  EXPECT_FALSE(state->commit_view);
  EXPECT_EQ(stored_message(git), "Add the thing\n\nBody line\n #42 kept");
  EXPECT_EQ(git.parents(), std::vector<std::string>{base});
  EXPECT_EQ(repo->commits.front().summary, "Add the thing");  // the log was reloaded

  const auto args = lines_of(recorded("args"));
  ASSERT_EQ(args.size(), 1u);
  const fs::path file = args[0];
  EXPECT_EQ(file.parent_path(), tmp);
  const std::string name = file.filename();
  EXPECT_TRUE(name.starts_with("tarnwick_commit_msg") && name.ends_with(".md")) << name;
  EXPECT_NE(name, "tarnwick_commit_msg.md");
  EXPECT_EQ(recorded("initial"), "\n\n" + std::string(action::COMMIT_TEMPLATE));
  EXPECT_EQ(recorded("stat"), "600 " + std::to_string(::getuid()) + " regular file\n");
  EXPECT_EQ(lines_of(recorded("listing")),
            (std::vector<std::string>{"tarnwick_commit_aids.lua", "tarnwick_commit_msg.md", name}));

  EXPECT_EQ(listing(tmp), (std::vector<std::string>{"tarnwick_commit_aids.lua", "tarnwick_commit_msg.md"}));
  EXPECT_TRUE(fs::is_symlink(tmp / "tarnwick_commit_msg.md"));
  EXPECT_EQ(read_file(fs::path(scratch.path()) / "victim"), "precious\n");
  EXPECT_EQ(read_file(tmp / "tarnwick_commit_aids.lua"), "-- planted\n");
  EXPECT_EQ(backend.suspends(), 1);
  EXPECT_EQ(backend.resumes(), 1);
}

TEST_F(Flow, ViewStaysOpenOnlyWhileUnstagedChangesRemain) {
  struct Case {
    const char* name;
    void (*leave)(TempRepo&);
    const char* want;
  };
  const Case cases[] = {
      {"nothing", [](TempRepo&) {}, "committed successfully"},
      {"untracked", [](TempRepo& g) { g.write("new.txt", "x\n"); },
       "committed successfully - more changes available"},
      {"modified", [](TempRepo& g) { g.write("b.txt", "changed\n"); },
       "committed successfully - more changes available"},
  };
  git.write("a.txt", "one\n").write("b.txt", "b\n").commit("base");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    git.write("a.txt", std::string(c.name) + "\n").git({"add", "a.txt"});
    c.leave(git);
    reply(std::string("Commit ") + c.name + "\n");
    open_view();
    commit();
    EXPECT_EQ(status(), c.want);
    EXPECT_EQ(stored_message(git), std::string("Commit ") + c.name);
    EXPECT_EQ(state->commit_view.has_value(), std::string(c.want).ends_with("available"));
    if (state->commit_view) {
      // Reloaded as a plain view over what is left.
      const auto left = repo->load_worktree_status(false);
      ASSERT_TRUE(left);
      const state::CommitViewState& view = *state->commit_view;
      EXPECT_FALSE(view.amending);
      EXPECT_TRUE(view.staged.empty());
      ASSERT_EQ(view.unstaged.size(), left->unstaged.size());
      for (std::size_t i = 0; i < left->unstaged.size(); ++i)
        EXPECT_EQ(view.unstaged[i].path, left->unstaged[i].path);
      EXPECT_LT(view.unstaged_index, view.unstaged.size());
      EXPECT_EQ(view.selected_path, left->unstaged.front().path);
    }
    EXPECT_TRUE(fs::is_empty(tmp));
    git.git({"reset", "-q", "--hard"});
    git.git({"clean", "-qfd"});
  }
}

TEST_F(Flow, FailuresLeaveTheViewAndNoFiles) {
  struct Case {
    const char* name;
    std::optional<std::string> editor;  // absent: the recorder; a bare name is looked for in bin
    std::string action;                 // shell run by the recorder before it replies
    std::optional<std::string> reply;
    int exit_status = 0;
    std::string want;
  };
  const Case cases[] = {
      {"exit 1", {}, "", "Would commit\n", 1, "editor exited with error"},
      {"signal", {}, "kill -9 $$", "Would commit\n", 0, "editor exited with error"},
      {"no program",
       "/nonexistent/editor",
       "",
       {},
       0,
       "failed to run editor: No such file or directory (os error 2)"},
      {"untouched", {}, "", {}, 0, "commit aborted: empty message"},
      {"only comments", {}, "", "# nothing\n\n   \n", 0, "commit aborted: empty message"},
      {"not utf-8", {}, "", "Bad \xFF byte\n", 0, "failed to read message: file is not valid UTF-8"},
      {"file removed",
       {},
       "rm \"$1\"",
       {},
       0,
       "failed to read message: No such file or directory (os error 2)"},
      {"link in its place",
       {},
       "rm \"$1\"; ln -s \"$r/../victim\" \"$1\"",
       {},
       0,
       "failed to read message: Too many levels of symbolic links (os error 40)"},
  };
  git.write("a.txt", "one\n").commit("base");
  const std::string head = git.rev_parse("HEAD");
  git.write("a.txt", "two\n").git({"add", "a.txt"});
  git.write("b.txt", "untracked\n");
  write_file(fs::path(scratch.path()) / "victim", "Victim message\n");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string program = c.editor.value_or("record");
    testing_support::EnvGuard editor_value{
        {"EDITOR", program.starts_with('/') ? program : (bin / program).string()}};
    fs::remove(rec / "reply");
    if (c.reply) reply(*c.reply);
    write_file(rec / "action", c.action + "\n");
    write_file(rec / "status", std::to_string(c.exit_status) + "\n");
    open_view();
    const state::CommitViewState before = *state->commit_view;

    commit();

    EXPECT_EQ(status(), c.want);
    EXPECT_EQ(git.rev_parse("HEAD"), head);
    ASSERT_TRUE(state->commit_view);
    EXPECT_EQ(state->commit_view->unstaged, before.unstaged);
    EXPECT_EQ(state->commit_view->staged, before.staged);
    EXPECT_EQ(state->commit_view->selected_path, before.selected_path);
    EXPECT_EQ(state->commit_view->diff_scroll, before.diff_scroll);
    EXPECT_FALSE(state->commit_view->amending);
    EXPECT_TRUE(fs::is_empty(tmp)) << testing::PrintToString(listing(tmp));
    EXPECT_EQ(read_file(fs::path(scratch.path()) / "victim"), "Victim message\n");
    EXPECT_EQ(backend.suspends(), backend.resumes());
  }
}

TEST_F(Flow, UnwritableTemporaryDirectoryStopsBeforeTheEditor) {
  git.write("a.txt", "one\n").commit("base");
  git.write("a.txt", "two\n").git({"add", "a.txt"});
  testing_support::EnvGuard missing{{"TMPDIR", (tmp / "missing").string()}};
  open_view();
  commit();
  EXPECT_EQ(status(), "failed to create temp file: No such file or directory (os error 2)");
  EXPECT_FALSE(fs::exists(rec / "runs"));
  EXPECT_TRUE(state->commit_view);
  EXPECT_EQ(backend.suspends(), 0);
}

TEST_F(Flow, RefusalsOfTheRepositoryKeepTheView) {
  // An amend while a merge is stopped.
  git.write("a.txt", "one\n").commit("base");
  git.write("a.txt", "two\n").git({"add", "a.txt"});
  const std::string head = git.rev_parse("HEAD");
  write_file(fs::path(git.path()) / ".git" / "MERGE_HEAD", head + "\n");
  reply("Amended\n");
  open_view(true);
  commit(true);
  EXPECT_EQ(status(), "commit failed: You are in the middle of a merge -- cannot amend.");
  ASSERT_TRUE(state->commit_view);
  EXPECT_TRUE(state->commit_view->amending);
  EXPECT_EQ(git.rev_parse("HEAD"), head);
  EXPECT_TRUE(fs::is_empty(tmp));
}

// A new repository: the staged side is the index against the empty tree,
// and c makes the root commit on the branch HEAD names.
TEST_F(Flow, FirstCommitOfANewRepository) {
  git.write("a.txt", "one\ntwo\n").write("b.txt", "b\n").git({"add", "a.txt", "b.txt"});
  git.write("later.txt", "untracked\n");
  const std::string want_tree = git.git({"write-tree"});
  reply("First commit\n");
  open_view();
  ASSERT_EQ(state->commit_view->staged.size(), 2u);
  EXPECT_EQ(state->commit_view->staged[0].additions, 2u);
  EXPECT_EQ(state->commit_view->staged[0].staged_hunks.size(), 1u);

  commit();

  EXPECT_EQ(status(), "committed successfully - more changes available");
  EXPECT_EQ(stored_message(git), "First commit");
  EXPECT_TRUE(git.parents().empty());
  EXPECT_EQ(git.git({"rev-parse", "HEAD^{tree}"}), want_tree);
  EXPECT_EQ(git.git({"symbolic-ref", "HEAD"}), "refs/heads/main\n");
  EXPECT_EQ(git.git({"status", "--porcelain"}), "?? later.txt\n");
  EXPECT_EQ(git.git({"fsck", "--strict"}), "");
  // The log shows it, as HEAD's commit.
  ASSERT_EQ(repo->commits.size(), 1u);
  EXPECT_EQ(repo->commits.front().summary, "First commit");
  EXPECT_EQ(repo->head_sha().hex(), git.rev_parse("HEAD"));
  ASSERT_TRUE(state->commit_view);
  EXPECT_TRUE(state->commit_view->staged.empty());
  EXPECT_TRUE(fs::is_empty(tmp));
}

// The lists on screen are what the index was when they were read: c asks
// the index again before it opens the editor.
TEST_F(Flow, NothingToCommitAnyMoreIsToldBeforeTheEditor) {
  struct Case {
    const char* name;
    bool amend;
    void (*meanwhile)(TempRepo&);
    bool commits;
  };
  const Case cases[] = {
      {"committed from outside", false, [](TempRepo& g) { g.commit_staged("outside"); }, false},
      {"unstaged from outside", false,
       [](TempRepo& g) {
         g.git({"reset", "-q"});
       },
       false},
      {"amend: the index is back at the parent's tree", true,
       [](TempRepo& g) {
         g.git({"read-tree", "HEAD~1"});
       },
       false},
      // git amends with nothing newly staged: the message alone changes.
      {"amend: nothing new staged", true,
       [](TempRepo& g) {
         g.git({"reset", "-q"});
       },
       true},
  };
  git.write("a.txt", "one\n").commit("base");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    git.write("a.txt", std::string(c.name) + "\n");
    if (c.amend) git.commit("to amend");
    git.write("b.txt", std::string(c.name) + "\n").git({"add", "b.txt"});
    fs::remove(rec / "runs");
    reply("Would be empty\n");
    open_view(c.amend);
    c.meanwhile(git);
    const std::string head = git.rev_parse("HEAD");

    commit(c.amend);

    if (c.commits) {
      EXPECT_EQ(status(), "amended successfully - more changes available");
      EXPECT_EQ(stored_message(git), "Would be empty");
      EXPECT_EQ(git.git({"diff", "--stat", "HEAD~1", "HEAD"}).empty(), false);
    } else {
      EXPECT_EQ(status(), "nothing staged to commit");
      EXPECT_FALSE(fs::exists(rec / "runs"));
      EXPECT_EQ(git.rev_parse("HEAD"), head);
      // The lists now show the index as it is.
      ASSERT_TRUE(state->commit_view);
      const auto now = repo->load_worktree_status(c.amend);
      ASSERT_TRUE(now);
      EXPECT_EQ(state->commit_view->staged, now->staged);
      EXPECT_EQ(state->commit_view->unstaged, now->unstaged);
    }
    EXPECT_TRUE(fs::is_empty(tmp));
    git.git({"reset", "-q", "--hard"});
    git.git({"clean", "-qfd"});
  }
}

// The editor may stay open for long: c asks the index again once it
// returns. What was typed is kept for the next c, as after a failed commit.
TEST_F(Flow, NothingToCommitAfterTheEditorKeepsTheMessage) {
  struct Case {
    const char* name;
    bool amend;
    bool hook;              // the commit goes through git
    std::string meanwhile;  // run by the editor, as another terminal would
    bool commits;
  };
  const std::string at = "git -C '" + git.path() + "' ";
  const Case cases[] = {
      {"unstaged", false, false, at + "reset -q", false},
      {"unstaged, through git", false, true, at + "reset -q", false},
      {"committed from outside", false, false, at + "commit -q -m outside", false},
      {"amend: the index is back at the parent's tree", true, false, at + "read-tree HEAD~1", false},
      // git amends with nothing newly staged: the message alone changes.
      {"amend: nothing new staged", true, false, at + "reset -q", true},
  };
  git.write("a.txt", "one\n").commit("base");
  const fs::path hook = fs::path(git.path()) / ".git" / "hooks" / "commit-msg";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(hook);
    if (c.hook) {
      write_file(hook, "#!/bin/sh\nexit 0\n");
      fs::permissions(hook, fs::perms::owner_all);
    }
    git.write("a.txt", std::string(c.name) + "\n");
    if (c.amend) git.commit("to amend");
    git.write("b.txt", std::string(c.name) + "\n").git({"add", "b.txt"});
    const std::string head = git.rev_parse("HEAD");
    write_file(rec / "action", c.meanwhile + "\n");
    const std::string typed = std::string("Typed during ") + c.name;
    reply(typed + "\n\nBody.\n");
    open_view(c.amend);

    commit(c.amend);

    fs::remove(rec / "action");
    if (c.commits) {
      EXPECT_EQ(status(), "amended successfully - more changes available");
      EXPECT_EQ(stored_message(git), typed + "\n\nBody.");
      EXPECT_FALSE(state->unsent_commit_message);
    } else {
      EXPECT_EQ(status(), "nothing staged to commit");
      EXPECT_EQ(git.git({"log", "--all", "--format=%h", "--fixed-strings", "--grep=" + typed}), "");
      if (!c.meanwhile.ends_with("outside")) {
        EXPECT_EQ(git.rev_parse("HEAD"), head);
      }
      // The lists now show the index as it is.
      ASSERT_TRUE(state->commit_view);
      const auto now = repo->load_worktree_status(c.amend);
      ASSERT_TRUE(now);
      EXPECT_EQ(state->commit_view->staged, now->staged);
      EXPECT_EQ(state->commit_view->unstaged, now->unstaged);
      // Staged again, the next c offers what was typed and commits it.
      git.write("b.txt", std::string(c.name) + " again\n").git({"add", "b.txt"});
      fs::remove(rec / "reply");
      commit(c.amend);
      EXPECT_EQ(recorded("initial"), typed + "\n\nBody.\n");
      EXPECT_EQ(status(),
                std::string(c.amend ? "amended" : "committed") + " successfully - more changes available");
      EXPECT_EQ(stored_message(git), typed + "\n\nBody.");
    }
    EXPECT_TRUE(fs::is_empty(tmp));
    git.git({"reset", "-q", "--hard"});
    git.git({"clean", "-qfd"});
  }
}

// A commit made while a merge, cherry-pick or revert is stopped ends it as
// git commit does: the editor starts from the message git prepared, a
// cherry-pick keeps the picked commit's author, a merge records the merged
// commit, and nothing of the operation is left. git, run on the same
// history and saving what its editor offers, is the oracle.
TEST_F(Flow, ACommitEndsAStoppedOperationAsGitCommitDoes) {
  for (const bool typed : {false, true}) {
    for (const auto& op : testing_support::stopped_operations()) {
      SCOPED_TRACE(std::string(op.name) + (typed ? ", own message" : ", message offered"));
      TempRepo ours, oracle;
      for (TempRepo* t : {&ours, &oracle}) {
        testing_support::stopped_history(*t);
        op.stop(*t);
      }
      ASSERT_FALSE(testing_support::state_files_present(ours).empty());
      const auto prepared = [&](const char* name) {
        const fs::path file = fs::path(ours.path()) / ".git" / name;
        return fs::exists(file) ? read_file(file) : std::string();
      };
      const std::string offered = prepared("SQUASH_MSG") + prepared("MERGE_MSG");
      ASSERT_FALSE(offered.empty());
      if (typed) {
        oracle.git({"commit", "-q", "-m", "My own words\n\nWhy."});
        reply("My own words\n\nWhy.\n");
      } else {
        oracle.git({"-c", "core.editor=true", "commit", "-q"});
        fs::remove(rec / "reply");  // saved as offered
      }
      open_view_of(ours);

      commit();

      EXPECT_EQ(recorded("initial"), offered + "\n\n" + std::string(action::COMMIT_TEMPLATE));
      EXPECT_TRUE(status().starts_with("committed successfully")) << status();
      std::string want = stored_message(oracle);
      if (want.ends_with('\n')) want.pop_back();
      EXPECT_EQ(stored_message(ours), want);
      // The picked commit's author, name and time, where git keeps it (the
      // oracle's author time then differs from its commit time); else the
      // committer is the author.
      const auto oracle_times = lines_of(oracle.git({"log", "-1", "--format=%at%n%ct"}));
      ASSERT_EQ(oracle_times.size(), 2u);
      const std::string author = ours.git({"log", "-1", "--format=%an <%ae> %at"});
      if (oracle_times[0] != oracle_times[1]) {
        EXPECT_EQ(author, oracle.git({"log", "-1", "--format=%an <%ae> %at"}));
      } else {
        EXPECT_EQ(author, ours.git({"log", "-1", "--format=%cn <%ce> %ct"}));
      }
      EXPECT_EQ(ours.parents(), oracle.parents());
      EXPECT_EQ(testing_support::state_files_present(ours), testing_support::state_files_present(oracle));
      EXPECT_EQ(fs::exists(fs::path(ours.path()) / ".git" / "sequencer"),
                fs::exists(fs::path(oracle.path()) / ".git" / "sequencer"));
      EXPECT_EQ(ours.git({"status"}), oracle.git({"status"}));
      EXPECT_EQ(ours.git({"ls-files", "-s"}), oracle.git({"ls-files", "-s"}));
      // The repositories are in tmp too; no file of the flow is left.
      for (const auto& name : listing(tmp)) EXPECT_FALSE(name.starts_with("tarnwick_")) << name;
    }
  }
}

// Another git is writing the index: c is refused before the editor, as
// staging is, and the other git's lock is left alone.
TEST_F(Flow, AHeldIndexLockRefusesBeforeTheEditor) {
  git.write("a.txt", "one\n").commit("base");
  const std::string head = git.rev_parse("HEAD");
  git.write("a.txt", "two\n").git({"add", "a.txt"});
  git.write("b.txt", "b\n");
  reply("Would commit\n");
  open_view();
  write_file(fs::path(git.path()) / ".git" / "index.lock", "");
  const state::CommitViewState before = *state->commit_view;
  action::Action(action::Action::StageAll).execute(*state, *repo, terminal);
  const std::string refused_stage = status();
  ASSERT_TRUE(refused_stage.starts_with("failed to stage: ")) << refused_stage;

  commit();

  EXPECT_EQ(status(), "commit failed: " + refused_stage.substr(std::string("failed to stage: ").size()));
  EXPECT_FALSE(fs::exists(rec / "runs"));
  EXPECT_EQ(git.rev_parse("HEAD"), head);
  EXPECT_TRUE(fs::exists(fs::path(git.path()) / ".git" / "index.lock"));
  ASSERT_TRUE(state->commit_view);
  EXPECT_EQ(state->commit_view->staged, before.staged);
  EXPECT_EQ(backend.suspends(), 0);
}

TEST_F(Flow, AmendShowsHeadsMessageAndKeepsTheParents) {
  git.write("a.txt", "one\n").commit("base");
  git.git({"checkout", "-q", "-b", "side"});
  git.write("side.txt", "s\n").commit("side");
  git.git({"checkout", "-q", "main"});
  git.write("main.txt", "m\n").commit("main work");
  git.git({"merge", "-q", "--no-ff", "side", "-m", "Merge side\n\nWhy it was merged.\n"});
  const auto merge_parents = git.parents();
  ASSERT_EQ(merge_parents.size(), 2u);
  const std::string count = git.git({"rev-list", "--count", "HEAD"});
  git.write("main.txt", "fixed\n").git({"add", "main.txt"});
  git.write("later.txt", "not yet\n");
  open_view(true);

  commit(true);  // saved unchanged

  EXPECT_EQ(recorded("initial"),
            "Merge side\n\nWhy it was merged.\n\n\n" + std::string(action::COMMIT_TEMPLATE));
  EXPECT_EQ(stored_message(git), "Merge side\n\nWhy it was merged.");
  EXPECT_EQ(git.git({"rev-list", "--count", "HEAD"}), count);
  EXPECT_EQ(git.parents(), merge_parents);
  EXPECT_EQ(git.git({"show", "HEAD:main.txt"}), "fixed\n");
  EXPECT_EQ(status(), "amended successfully - more changes available");
  ASSERT_TRUE(state->commit_view);
  EXPECT_FALSE(state->commit_view->amending);
  EXPECT_FALSE(state->commit_view->index_before_amend);
  EXPECT_TRUE(fs::is_empty(tmp));
  // A later Esc leaves the index as the amend made it.
  const std::string index = git.index_listing();
  action::Action(action::Action::Escape).execute(*state, *repo, terminal);
  EXPECT_FALSE(state->commit_view);
  EXPECT_EQ(git.index_listing(), index);
  EXPECT_EQ(git.git({"diff", "--cached", "--stat"}), "");
}

TEST_F(Flow, AmendOfAnEmptyMessageStartsLikeANewCommit) {
  git.write("a.txt", "one\n").commit("base");
  git.write("a.txt", "two\n").git({"add", "a.txt"});
  git.git({"commit", "-q", "--allow-empty-message", "-m", ""});
  git.write("a.txt", "three\n").git({"add", "a.txt"});
  reply("Now with words\n");
  open_view(true);
  commit(true);
  EXPECT_EQ(recorded("initial"), "\n\n" + std::string(action::COMMIT_TEMPLATE));
  EXPECT_EQ(stored_message(git), "Now with words");
  EXPECT_EQ(status(), "amended successfully");
  EXPECT_FALSE(state->commit_view);
}

TEST_F(Flow, OnlyNeovimIsGivenTheAids) {
  const std::pair<std::string, bool> cases[] = {
      {"nvim", true},     {"/opt/x/nvim", true}, {"nvim.appimage", true},
      {"nvim-qt", false}, {"gnvim", false},      {"vim", false},
  };
  testing_support::EnvGuard path{{"PATH", bin.string() + ":" + std::getenv("PATH")}};
  git.write("a.txt", "one\n").commit("base");
  for (const auto& [value, aids] : cases) {
    SCOPED_TRACE(value);
    fs::path program = value.starts_with('/') ? fs::path(scratch.path()) / value.substr(1) : bin / value;
    install_editor(program);
    testing_support::EnvGuard editor_value{{"EDITOR", value.starts_with('/') ? program.string() : value}};
    fs::remove(rec / "aids");
    git.write("a.txt", value + "\n").git({"add", "a.txt"});
    reply("Edited with " + value + "\n");
    open_view();

    commit();

    EXPECT_EQ(stored_message(git), "Edited with " + value);
    const auto args = lines_of(recorded("args"));
    ASSERT_EQ(args.size(), aids ? 3u : 1u);
    EXPECT_TRUE(fs::path(args[0]).filename().string().starts_with("tarnwick_commit_msg"));
    if (aids) {
      EXPECT_EQ(args[1], "-c");
      ASSERT_TRUE(args[2].starts_with("luafile " + tmp.string() + "/tarnwick_commit_aids")) << args[2];
      EXPECT_TRUE(args[2].ends_with(".lua"));
      EXPECT_EQ(recorded("aids"), action::COMMIT_AIDS_SCRIPT);
      EXPECT_EQ(recorded("aids_stat"), "600 " + std::to_string(::getuid()) + " regular file\n");
    } else {
      EXPECT_FALSE(fs::exists(rec / "aids"));
      EXPECT_EQ(lines_of(recorded("listing")).size(), 1u);
    }
    EXPECT_TRUE(fs::is_empty(tmp));
  }
}

TEST_F(Flow, NeovimGoesWithoutTheAidsWhenExCannotNameTheirFile) {
  const fs::path odd = tmp / "line\nbreak";
  fs::create_directories(odd);
  testing_support::EnvGuard tmpdir_value{{"TMPDIR", odd.string()}};
  testing_support::EnvGuard path{{"PATH", bin.string() + ":" + std::getenv("PATH")}};
  install_editor(bin / "nvim");
  testing_support::EnvGuard editor_value{{"EDITOR", "nvim"}};
  git.write("a.txt", "one\n").commit("base");
  git.write("a.txt", "two\n").git({"add", "a.txt"});
  reply("Still committed\n");
  open_view();
  commit();
  EXPECT_EQ(status(), "committed successfully");
  EXPECT_EQ(stored_message(git), "Still committed");
  EXPECT_EQ(recorded("args").substr(0, odd.string().size()), odd.string());
  EXPECT_EQ(recorded("args").find("luafile"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(odd));
}

// An editor set with arguments runs as git runs it: the shell splits its
// words, the message file comes after them.
TEST_F(Flow, AnEditorWithArgumentsIsGivenTheFileAfterThem) {
  testing_support::EnvGuard path{{"PATH", bin.string() + ":" + std::getenv("PATH")}};
  install_editor(bin / "nvim");
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"record --wait", {"--wait"}},
      {"record -f --title='a b'", {"-f", "--title=a b"}},
      {"nvim --clean", {"--clean"}},  // Neovim by its first word: the aids come after the file
  };
  git.write("a.txt", "one\n").commit("base");
  for (const auto& [value, options] : cases) {
    SCOPED_TRACE(value);
    testing_support::EnvGuard editor_value{{"EDITOR", value}};
    git.write("a.txt", value + "\n").git({"add", "a.txt"});
    reply("Edited with " + value + "\n");
    open_view();

    commit();

    EXPECT_EQ(status(), "committed successfully");
    EXPECT_EQ(stored_message(git), "Edited with " + value);
    const auto args = lines_of(recorded("args"));
    const bool aids = value.starts_with("nvim");
    ASSERT_EQ(args.size(), options.size() + (aids ? 3u : 1u));
    EXPECT_EQ(std::vector<std::string>(args.begin(), args.begin() + options.size()), options);
    EXPECT_TRUE(fs::path(args[options.size()]).filename().string().starts_with("tarnwick_commit_msg"));
    if (aids) {
      EXPECT_EQ(args[options.size() + 1], "-c");
      EXPECT_TRUE(args[options.size() + 2].starts_with("luafile ")) << args[options.size() + 2];
    }
    EXPECT_TRUE(fs::is_empty(tmp));
  }
}

// Hooks and signing are git's: where the repository has either, git makes
// the commit, and what it refuses is shown in its words.
struct HookFlow : Flow {
  // No key anywhere gpg could look.
  fs::path gnupg = fs::path(scratch.path()) / "gnupg";
  testing_support::EnvGuard gpg_home{{"GNUPGHOME", gnupg.string()}};

  HookFlow() {
    fs::create_directories(gnupg);
    fs::permissions(gnupg, fs::perms::owner_all);
  }

  void hook(const std::string& name, const std::string& body) {
    const fs::path path = fs::path(git.path()) / ".git" / "hooks" / name;
    write_file(path, "#!/bin/sh\n" + body);
    fs::permissions(path, fs::perms::owner_all);
  }
};

TEST_F(HookFlow, ARefusingHookKeepsTheViewAndAPassingOneCommits) {
  const std::string base = git.write("a.txt", "one\n").commit("base");
  git.write("a.txt", "two\n").git({"add", "a.txt"});
  hook("pre-commit", "echo 'pre-commit: lint failed' >&2; exit 1\n");
  hook("commit-msg", "cp \"$1\" \"$(git rev-parse --git-dir)/commit-msg-saw\"\n");
  reply("Checked by the hooks\n\nBody.\n");
  open_view();

  commit();

  EXPECT_EQ(status(), "commit failed: pre-commit: lint failed");
  EXPECT_EQ(git.rev_parse("HEAD"), base);
  ASSERT_TRUE(state->commit_view);
  EXPECT_EQ(git.git({"status", "--porcelain"}), "M  a.txt\n");
  EXPECT_TRUE(fs::is_empty(tmp));

  hook("pre-commit", "exit 0\n");
  fs::remove(rec / "reply");  // the retry saves what it is offered
  commit();

  EXPECT_EQ(status(), "committed successfully");
  EXPECT_EQ(stored_message(git), "Checked by the hooks\n\nBody.");
  EXPECT_EQ(git.parents(), std::vector<std::string>{base});
  EXPECT_EQ(git.read(".git/commit-msg-saw"), "Checked by the hooks\n\nBody.");
  EXPECT_EQ(repo->commits.front().summary, "Checked by the hooks");
  EXPECT_EQ(git.git({"status", "--porcelain"}), "");
  EXPECT_TRUE(fs::is_empty(tmp));
}

TEST_F(HookFlow, AmendGoesThroughGitToo) {
  const std::string base = git.write("a.txt", "one\n").commit("base");
  git.write("a.txt", "two\n").commit("to amend");
  git.write("b.txt", "b\n").git({"add", "b.txt"});
  hook("commit-msg", "echo amended-by-git >> \"$(git rev-parse --git-dir)/ran\"\n");
  reply("Amended through git\n");
  open_view(true);

  commit(true);

  EXPECT_EQ(status(), "amended successfully");
  EXPECT_EQ(stored_message(git), "Amended through git");
  EXPECT_EQ(git.parents(), std::vector<std::string>{base});
  EXPECT_EQ(git.read(".git/ran"), "amended-by-git\n");
  EXPECT_EQ(git.git({"show", "--format=", "--name-only", "HEAD"}), "a.txt\nb.txt\n");
}

TEST_F(HookFlow, SigningThatFailsIsReportedNotSkipped) {
  const std::string base = git.write("a.txt", "one\n").commit("base");
  git.write("a.txt", "two\n").git({"add", "a.txt"});
  git.git({"config", "commit.gpgsign", "true"});
  reply("Signed\n");
  open_view();

  commit();

  // git's own words, with the same repository and the same (missing) key.
  const auto oracle = git.git_result({"commit", "-m", "Signed"});
  ASSERT_FALSE(oracle.success());
  EXPECT_EQ(status(), "commit failed: " + testing_support::first_line(oracle.err));
  EXPECT_EQ(git.rev_parse("HEAD"), base);
  ASSERT_TRUE(state->commit_view);
}

// A commit that fails after the editor keeps what was typed: the next c
// starts from it, and once a commit is made the guidance comes back.
TEST_F(Flow, TheMessageOfAFailedCommitIsOfferedAgain) {
  git.write("a.txt", "one\n").commit("base");
  git.write("a.txt", "two\n").commit("to amend");
  git.write("a.txt", "three\n").git({"add", "a.txt"});
  const fs::path merge_head = fs::path(git.path()) / ".git" / "MERGE_HEAD";
  write_file(merge_head, git.rev_parse("HEAD") + "\n");  // refuses the amend
  reply("  Typed once  \n\nWith a body.\n# guidance\n");
  open_view(true);

  commit(true);
  EXPECT_EQ(status(), "commit failed: You are in the middle of a merge -- cannot amend.");
  fs::remove(rec / "reply");
  commit(true);  // saved as offered: still refused
  EXPECT_EQ(recorded("initial"), "Typed once\n\nWith a body.\n");
  EXPECT_EQ(status(), "commit failed: You are in the middle of a merge -- cannot amend.");

  // Emptied on purpose: nothing is kept.
  reply("# nothing\n");
  commit(true);
  EXPECT_EQ(status(), "commit aborted: empty message");
  fs::remove(rec / "reply");
  commit(true);
  EXPECT_EQ(recorded("initial"), "to amend\n\n\n" + std::string(action::COMMIT_TEMPLATE));

  reply("Typed again\n");
  commit(true);
  fs::remove(merge_head);
  fs::remove(rec / "reply");
  commit(true);
  EXPECT_EQ(recorded("initial"), "Typed again\n");
  EXPECT_EQ(status(), "amended successfully");
  EXPECT_EQ(stored_message(git), "Typed again");

  git.write("a.txt", "four\n").git({"add", "a.txt"});
  reply("Next\n");
  commit();  // the same run, its view closed by the amend
  EXPECT_EQ(recorded("initial"), "\n\n" + std::string(action::COMMIT_TEMPLATE));
  EXPECT_EQ(status(), "committed successfully");
  EXPECT_TRUE(fs::is_empty(tmp));
}

}  // namespace
