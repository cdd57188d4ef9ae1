#include "main/terminal_setup.hpp"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>
#include <string>
#include <thread>

#include "support/pty.hpp"

namespace {

// The terminal's side of a pseudo-terminal for the program, the other side
// for the test.
class FatalHookTest : public testing::Test {
 protected:
  void SetUp() override {
    // Forked, not run afresh: the dying process must write to this very
    // pseudo-terminal.
    GTEST_FLAG_SET(death_test_style, "fast");
    ASSERT_EQ(::openpty(&master_, &slave_, nullptr, nullptr, nullptr), 0);
  }
  void TearDown() override {
    ::close(master_);
    ::close(slave_);
  }

  // Takes the terminal over in the dying process, as the program does.
  void take_over() {
    app::install_fatal_hook();
    auto tty = tui::Tty::open(slave_, slave_);
    if (!tty) std::abort();
    tty->release();  // the dying process never gives it back by itself
  }

  std::string screen_bytes() { return testing_support::drain_pty(master_); }

  void expect_restored() {
    const std::string bytes = screen_bytes();
    EXPECT_NE(bytes.find("\x1b[?1049h"), std::string::npos);
    EXPECT_TRUE(bytes.ends_with("\x1b[?1049l")) << testing::PrintToString(bytes);
  }

  int master_ = -1, slave_ = -1;
};

TEST_F(FatalHookTest, UncaughtExceptionOnAnyThread) {
  EXPECT_EXIT(
      {
        take_over();
        std::thread([] { throw std::runtime_error("the worker broke"); }).join();
      },
      testing::ExitedWithCode(101), "^fatal error: the worker broke\n$");
  expect_restored();
}

TEST_F(FatalHookTest, TheMessageReachesStandardErrorFiltered) {
  EXPECT_EXIT(
      {
        take_over();
        std::thread([] {
          throw std::runtime_error("reference 'refs/heads/x\x1b]0;pwned\x07' not found");
        }).join();
      },
      testing::ExitedWithCode(101), "^fatal error: reference 'refs/heads/x␛]0;pwned␇' not found\n$");
  expect_restored();
}

TEST_F(FatalHookTest, Crash) {
  EXPECT_EXIT(
      {
        take_over();
        std::raise(SIGSEGV);
      },
      testing::ExitedWithCode(101), "^fatal signal SIGSEGV\n$");
  expect_restored();
  EXPECT_EXIT(
      {
        take_over();
        std::abort();
      },
      testing::ExitedWithCode(101), "^fatal signal SIGABRT\n$");
  expect_restored();
}

}  // namespace
