#include "utils/process.hpp"

#include <gtest/gtest.h>

namespace {

using utils::run_process;

TEST(Process, CapturesBothStreamsWithoutDeadlock) {
  // Far more than a pipe holds, on both streams at once.
  auto r = run_process({"sh", "-c", "head -c 300000 /dev/zero | tr '\\0' a; head -c 300000 /dev/zero | tr '\\0' b >&2; exit 3"});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->exit_code, 3);
  EXPECT_EQ(r->out.size(), 300000u);
  EXPECT_EQ(r->err.size(), 300000u);
  EXPECT_FALSE(r->success());
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
  auto r = run_process({"sh", "-c", "read -r pid comm state ppid pgrp sid rest < /proc/$$/stat; [ \"$sid\" = $$ ] && echo leader"});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->out, "leader\n");
  // yes dies of SIGPIPE once head is done, instead of looping forever.
  r = run_process({"sh", "-c", "yes | head -n 1"});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->out, "y\n");
}

}  // namespace
