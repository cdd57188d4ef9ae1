#include "tui/tty.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "support/pty.hpp"

namespace {

using namespace std::chrono_literals;

// Alternate screen, bracketed paste and a hidden cursor while the terminal is ours.
constexpr std::string_view kEnter = "\x1b[?1049h\x1b[?2004h\x1b[?25l";
constexpr std::string_view kLeave = "\x1b[?2004l\x1b[0m\x1b[?25h\x1b[?1049l";

// A pseudo-terminal: the Tty gets the terminal side, the test plays the user on the other.
class PtyTest : public testing::Test {
 protected:
  void SetUp() override {
    winsize ws{};
    ws.ws_row = 24;
    ws.ws_col = 80;
    ASSERT_EQ(::openpty(&master_, &slave_, nullptr, nullptr, &ws), 0);
  }
  void TearDown() override {
    if (master_ >= 0) ::close(master_);
    ::close(slave_);
  }

  // Everything the Tty has written so far.
  std::string screen_bytes() { return testing_support::drain_pty(master_); }
  void type(std::string_view bytes) {
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
  }
  termios modes() {
    termios t{};
    EXPECT_EQ(::tcgetattr(slave_, &t), 0);
    return t;
  }
  static bool raw(const termios& t) { return !(t.c_lflag & (ICANON | ECHO | ISIG)) && !(t.c_iflag & ICRNL); }

  int master_ = -1, slave_ = -1;
};

TEST_F(PtyTest, TakesOverAndRestores) {
  {
    auto tty = tui::Tty::open(slave_, slave_);
    ASSERT_TRUE(tty) << tty.error();
    EXPECT_TRUE(raw(modes()));
    EXPECT_EQ(screen_bytes(), kEnter);
    EXPECT_FALSE(tui::Tty::open(slave_, slave_)) << "only one owner at a time";
    EXPECT_EQ((*tty)->size().value(), (tui::Size{80, 24}));

    ASSERT_TRUE((*tty)->suspend());
    EXPECT_FALSE(raw(modes()));
    EXPECT_EQ(screen_bytes(), kLeave);
    ASSERT_TRUE((*tty)->resume());
    EXPECT_TRUE(raw(modes()));
    EXPECT_EQ(screen_bytes(), kEnter);

    // The fatal path: restores once, and the owner's own restore later finds nothing to undo.
    tui::restore_terminal();
    EXPECT_FALSE(raw(modes()));
    EXPECT_EQ(screen_bytes(), kLeave);
    tui::restore_terminal();
    EXPECT_EQ(screen_bytes(), "");
    ASSERT_TRUE((*tty)->resume());
    screen_bytes();
  }
  EXPECT_FALSE(raw(modes()));
  EXPECT_EQ(screen_bytes(), kLeave);
  tui::restore_terminal();  // with no owner: nothing at all
  EXPECT_EQ(screen_bytes(), "");
  auto again = tui::Tty::open(slave_, slave_);
  EXPECT_TRUE(again) << "free again once the first is gone";
}

TEST_F(PtyTest, TakingTheTerminalBackWritesTheAlternateScreenEvenWhenRawModeFails) {
  // The input side is a descriptor of its own, so it can stop being a terminal meanwhile.
  const int in = ::dup(slave_);
  ASSERT_GE(in, 0);
  {
    auto tty = tui::Tty::open(in, slave_);
    ASSERT_TRUE(tty) << tty.error();
    ASSERT_TRUE((*tty)->suspend());
    screen_bytes();
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    ASSERT_GE(null, 0);
    ASSERT_EQ(::dup2(null, in), in);  // tcsetattr on it now fails
    ::close(null);
    EXPECT_FALSE((*tty)->resume());
    EXPECT_EQ(screen_bytes(), kEnter);
    // Taken back all the same: the next restore leaves the alternate screen.
    tui::restore_terminal();
    EXPECT_EQ(screen_bytes(), kLeave);
  }
  ::close(in);
}

TEST_F(PtyTest, ReadsKeysAndResizes) {
  auto opened = tui::Tty::open(slave_, slave_);
  ASSERT_TRUE(opened) << opened.error();
  tui::Tty& tty = **opened;

  auto quiet = tty.poll_event(10ms);
  ASSERT_TRUE(quiet);
  EXPECT_EQ(*quiet, std::nullopt);

  type("q\x1b[Aé\r\x03");
  const tui::KeyEvent want[] = {tui::KeyEvent::character(U'q'), tui::KeyEvent::key(tui::KeyCode::Up),
                                tui::KeyEvent::character(U'é'), tui::KeyEvent::key(tui::KeyCode::Enter),
                                tui::KeyEvent::character(U'c', tui::KeyModifiers::CONTROL)};
  for (const auto& key : want) {
    auto got = tty.poll_event(2000ms);
    ASSERT_TRUE(got && *got);
    EXPECT_EQ(**got, tui::Event{key});
  }

  type("\x1b");  // Esc on its own: given after the short wait
  auto esc = tty.poll_event(2000ms);
  ASSERT_TRUE(esc && *esc);
  EXPECT_EQ(**esc, tui::Event{tui::KeyEvent::key(tui::KeyCode::Esc)});

  winsize ws{};
  ws.ws_row = 30;
  ws.ws_col = 100;
  ASSERT_EQ(::ioctl(master_, TIOCSWINSZ, &ws), 0);
  ::raise(SIGWINCH);  // the kernel signals only the terminal's own session
  auto resized = tty.poll_event(2000ms);
  ASSERT_TRUE(resized && *resized);
  EXPECT_EQ(**resized, (tui::Event{tui::ResizeEvent{100, 30}}));

  ASSERT_TRUE(tty.write("hello"));
  EXPECT_EQ(screen_bytes().substr(kEnter.size()), "hello");

  // A paste is one event, however it arrives: nothing in it is a key, not even an escape
  // sequence, and what follows it is typed again.
  type("b\x1b[200~one\rtwo\x1b[A\x1b[201~j");
  const tui::Event pasted[] = {tui::KeyEvent::character(U'b'), tui::PasteEvent{"one\rtwo\x1b[A"},
                               tui::KeyEvent::character(U'j')};
  for (const auto& event : pasted) {
    auto got = tty.poll_event(2000ms);
    ASSERT_TRUE(got && *got);
    EXPECT_EQ(**got, event);
  }
  type("\x1b[200~first part, then the end marker in two pieces\x1b[2");
  auto unfinished = tty.poll_event(100ms);
  ASSERT_TRUE(unfinished);
  EXPECT_EQ(*unfinished, std::nullopt) << "the paste has not ended";
  type("01~q");
  for (const tui::Event& event :
       {tui::Event{tui::PasteEvent{"first part, then the end marker in two pieces"}},
        tui::Event{tui::KeyEvent::character(U'q')}}) {
    auto got = tty.poll_event(2000ms);
    ASSERT_TRUE(got && *got);
    EXPECT_EQ(**got, event);
  }

  // The user's side going away ends the program rather than spinning on a dead terminal.
  ::close(master_);
  master_ = -1;
  auto gone = tty.poll_event(2000ms);
  EXPECT_FALSE(gone);
}

}  // namespace

namespace {

// A paste far larger than the terminal hands over in one read, its end marker cut between two
// writes: one event with the first MAX_PASTE_BYTES of it, and the key after it typed again.
TEST_F(PtyTest, ALargePasteArrivesWholeAndBounded) {
  auto opened = tui::Tty::open(slave_, slave_);
  ASSERT_TRUE(opened) << opened.error();
  tui::Tty& tty = **opened;
  screen_bytes();

  std::string text;
  for (int line = 0; text.size() < 3 * tui::MAX_PASTE_BYTES; ++line)
    text += "line " + std::to_string(line) + " q j \x1b[A \x03\r";
  const std::string input = "\x1b[200~" + text + "\x1b[20";
  std::thread user([&] {
    for (std::size_t at = 0; at < input.size(); at += 1000) {
      const std::string_view piece = std::string_view(input).substr(at, 1000);
      EXPECT_EQ(::write(master_, piece.data(), piece.size()), ssize_t(piece.size()));
    }
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(::write(master_, "1~j", 3), 3);
  });
  std::vector<tui::Event> events;
  for (int i = 0; i < 200 && events.size() < 2; ++i) {
    auto got = tty.poll_event(100ms);
    ASSERT_TRUE(got) << got.error();
    if (*got) events.push_back(**got);
  }
  user.join();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0], tui::Event{tui::PasteEvent{text.substr(0, tui::MAX_PASTE_BYTES)}});
  EXPECT_EQ(events[1], tui::Event{tui::KeyEvent::character(U'j')});
}

// A signal that ends the program gives the terminal back first, and then ends it as it would
// have anyway.
TEST_F(PtyTest, ASignalThatEndsTheProgramRestoresTheTerminalFirst) {
  const int signals[] = {SIGTERM,   SIGHUP,  SIGSEGV,  SIGUSR1,      SIGUSR2, SIGALRM, SIGVTALRM,
                         SIGPROF,   SIGXCPU, SIGXFSZ,  SIGPOLL,      SIGPWR,  SIGSYS,  SIGTRAP,
                         SIGSTKFLT, SIGQUIT, SIGRTMIN, SIGRTMIN + 5, SIGRTMAX};
  for (const int sig : signals) {
    SCOPED_TRACE(sig);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(ready[0]);
      const rlimit no_core{0, 0};  // the signals that dump core
      ::setrlimit(RLIMIT_CORE, &no_core);
      auto tty = tui::Tty::open(slave_, slave_);
      const char byte = tty ? 1 : 0;
      [[maybe_unused]] ssize_t w = ::write(ready[1], &byte, 1);
      for (;;) ::pause();
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(byte, 1);
    EXPECT_TRUE(raw(modes()));
    EXPECT_EQ(screen_bytes(), kEnter);

    ASSERT_EQ(::kill(child, sig), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_FALSE(raw(modes()));
    EXPECT_EQ(screen_bytes(), kLeave);
    // A sanitizer may report a segmentation fault and exit instead of dying by it.
    if (sig != SIGSEGV) {
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
    }
  }
}

}  // namespace

namespace {

// Job control: a stop gives the terminal back before the program stops, a continue takes it
// again and has the whole screen painted. A stop no handler sees (SIGSTOP) leaves the terminal
// to whoever comes next, so the continue takes it again all the same; while the terminal is
// handed to another program (the editor) neither touches it.
TEST_F(PtyTest, AStopGivesTheTerminalBackAndAContinueTakesItAgain) {
  struct Case {
    const char* name;
    int stop;
    bool handed_over;
  };
  const Case cases[] = {{"kill -TSTP", SIGTSTP, false},
                        {"SIGSTOP, the shell setting its own modes meanwhile", SIGSTOP, false},
                        {"kill -TSTP with the editor holding the terminal", SIGTSTP, true}};
  const termios cooked = modes();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int ready[2], redraws[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(redraws), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // A group of its own whose parent is in another group of the session: the kernel
      // discards a stop sent to an orphaned group, as the test's own may be under ctest.
      ::setpgid(0, 0);
      ::close(ready[0]);
      ::close(redraws[0]);
      auto tty = tui::Tty::open(slave_, slave_);
      const char byte = tty && (!c.handed_over || (*tty)->suspend()) ? 1 : 0;
      [[maybe_unused]] ssize_t w = ::write(ready[1], &byte, 1);
      for (;;) {
        auto got = (*tty)->poll_event(1000ms);
        if (!got) ::_exit(1);
        if (*got && std::holds_alternative<tui::RedrawEvent>(**got)) w = ::write(redraws[1], "R", 1);
      }
    }
    ::close(ready[1]);
    ::close(redraws[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(byte, 1);
    screen_bytes();
    EXPECT_EQ(raw(modes()), !c.handed_over);

    ASSERT_EQ(::kill(child, c.stop), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, WUNTRACED), child);
    EXPECT_TRUE(WIFSTOPPED(status) && WSTOPSIG(status) == c.stop) << status;
    if (c.stop == SIGSTOP) {
      EXPECT_EQ(screen_bytes(), "");
      ASSERT_EQ(::tcsetattr(slave_, TCSANOW, &cooked), 0);
    } else {
      EXPECT_FALSE(raw(modes())) << "stopped with the terminal raw";
      EXPECT_EQ(screen_bytes(), c.handed_over ? "" : kLeave);
    }

    ASSERT_EQ(::kill(child, SIGCONT), 0);
    ASSERT_EQ(::waitpid(child, &status, WCONTINUED), child);
    EXPECT_TRUE(WIFCONTINUED(status)) << status;
    pollfd p{redraws[0], POLLIN, 0};
    if (c.handed_over) {
      EXPECT_EQ(::poll(&p, 1, 300), 0) << "a redraw under the editor";
      EXPECT_FALSE(raw(modes()));
      EXPECT_EQ(screen_bytes(), "");
    } else {
      ASSERT_EQ(::poll(&p, 1, 5000), 1) << "no redraw after the continue";
      EXPECT_TRUE(raw(modes()));
      EXPECT_EQ(screen_bytes(), kEnter);
    }
    ::close(redraws[0]);
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    ASSERT_EQ(::tcsetattr(slave_, TCSANOW, &cooked), 0);
  }
}

}  // namespace
