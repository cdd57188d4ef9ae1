#include "utils/process.hpp"

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/env_guard.hpp"
#include "support/temp_repo.hpp"

namespace {

using testing_support::read_file;
using utils::run_process;

TEST(Process, CapturesBothStreamsWithoutDeadlock) {
  for (bool to_files : {false, true}) {
    SCOPED_TRACE(to_files);
    utils::ProcessOptions o;
    o.output_to_files = to_files;
    o.input = "in";
    // Far more than a pipe holds, on both streams at once.
    auto r = run_process({"sh", "-c",
                          "head -c 300000 /dev/zero | tr '\\0' a; head -c 300000 /dev/zero | tr '\\0' b >&2; "
                          "cat; exit 3"},
                         o);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->exit_code, 3);
    EXPECT_EQ(r->out, std::string(300000, 'a') + "in");
    EXPECT_EQ(r->err, std::string(300000, 'b'));
    EXPECT_FALSE(r->success());
  }
}

// Output to files: a child that writes after its reader would be gone still has somewhere
// to write, and nothing of it is left in the temporary directory.
TEST(Process, OutputToFilesIsNoPipeAndLeavesNoFile) {
  testing_support::TempDir tmp;
  testing_support::EnvGuard env{{"TMPDIR", tmp.path()}};
  utils::ProcessOptions o;
  o.output_to_files = true;
  auto r = run_process({"sh", "-c", "[ -p /dev/stdout ] || echo out; [ -p /dev/stderr ] || echo err >&2"}, o);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->out, "out\n");
  EXPECT_EQ(r->err, "err\n");
  EXPECT_TRUE(std::filesystem::is_empty(tmp.path()));
}

TEST(Process, FeedsInputAndRunsInTheDirectory) {
  utils::ProcessOptions o;
  o.cwd = "/";
  o.input = std::string(200000, 'x');
  auto r = run_process({"sh", "-c", "pwd; wc -c"}, o);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->out, "/\n200000\n");
  // Without input the child reads /dev/null.
  r = run_process({"cat"});
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->success());
  EXPECT_EQ(r->out, "");
}

TEST(Process, InputTheChildNeverReads) {
  utils::ProcessOptions o;
  o.input = std::string(1 << 20, 'x');
  auto r = run_process({"true"}, o);
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->success());
}

TEST(Process, EnvironmentChanges) {
  utils::ProcessOptions o;
  o.set_env = {{"TARNWICK_A", "1"}};
  o.unset_env = {"HOME"};
  auto r = run_process({"sh", "-c", "echo \"$TARNWICK_A-${HOME-unset}\""}, o);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->out, "1-unset\n");
}

TEST(Process, SignalsAndMissingPrograms) {
  auto r = run_process({"sh", "-c", "kill -TERM $$"});
  ASSERT_TRUE(r);
  EXPECT_FALSE(r->exit_code);
  EXPECT_EQ(r->signal, 15);

  auto missing = run_process({"tarnwick-no-such-program"});
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error(), "No such file or directory (os error 2)");
}

TEST(Process, ChildHasNoControllingTerminalAndDefaultSigpipe) {
  // A session leader of its own: its session id is its process id.
  auto r = run_process(
      {"sh", "-c",
       "read -r pid comm state ppid pgrp sid rest < /proc/$$/stat; [ \"$sid\" = $$ ] && echo leader"});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->out, "leader\n");
  // yes dies of SIGPIPE once head is done, instead of looping forever.
  r = run_process({"sh", "-c", "yes | head -n 1"});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->out, "y\n");
}

struct ScratchDir {
  ScratchDir() {
    char pattern[] = "/tmp/tarnwick-process-XXXXXX";
    path = ::mkdtemp(pattern);
  }
  ~ScratchDir() { std::filesystem::remove_all(path); }
  std::string path;
};

TEST(Process, DiscardedOutputWaitsForTheChildOnly) {
  ScratchDir dir;
  utils::ProcessOptions o;
  o.input = "0123456789abcdef";
  o.discard_output = true;
  // Like a clipboard program: reads its input, leaves a process behind that
  // keeps standard output and error open, and exits.
  const std::string script = "cat > '" + dir.path + "/got'; o=$(readlink /proc/$$/fd/1); echo \"$o\" > '" +
                             dir.path +
                             "/out'; "
                             "sleep 1000 & echo $! > '" +
                             dir.path + "/bg'; echo gone; echo gone >&2; exit 4";
  auto r = run_process({"sh", "-c", script}, o);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->exit_code, 4);
  EXPECT_EQ(r->out, "");
  EXPECT_EQ(r->err, "");
  EXPECT_EQ(read_file(dir.path + "/got"), "0123456789abcdef");
  EXPECT_EQ(read_file(dir.path + "/out"), "/dev/null\n");
  ::kill(std::atoi(read_file(dir.path + "/bg").c_str()), SIGKILL);

  // A child that never reads its input still ends the run.
  o.input = std::string(1 << 20, 'x');
  r = run_process({"true"}, o);
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->success());
  auto missing = run_process({"tarnwick-no-such-program"}, o);
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error(), "No such file or directory (os error 2)");
}

TEST(Process, StartedChildIsOffTheTerminalAndWaitedForLater) {
  ScratchDir dir;
  const std::string script = "fds=$(for fd in 0 1 2; do readlink /proc/$$/fd/$fd; done); echo \"$fds\" > '" +
                             dir.path +
                             "/fds'; read -r pid comm state ppid pgrp sid rest < /proc/$$/stat; "
                             "[ \"$sid\" = $$ ] && exit 7; exit 1";
  auto pid = utils::start_process({"sh", "-c", script});
  ASSERT_TRUE(pid);
  auto r = utils::wait_process(*pid);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->exit_code, 7);
  EXPECT_EQ(read_file(dir.path + "/fds"), "/dev/null\n/dev/null\n/dev/null\n");
  EXPECT_FALSE(utils::wait_process(*pid));  // reaped once only

  auto missing = utils::start_process({"tarnwick-no-such-program"});
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error(), "No such file or directory (os error 2)");
}

}  // namespace
