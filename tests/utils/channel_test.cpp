#include "utils/channel.hpp"

#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>

#include "utils/worker.hpp"

namespace {

using utils::Poll;
using namespace std::chrono_literals;

// Ends as the program's fatal ending does: the message, then status 101.
void end_with_101(std::string_view message) {
  const std::string line = std::string(message) + "\n";
  (void)!::write(2, line.data(), line.size());
  ::_exit(101);
}

TEST(Channel, EmptyIsNotDisconnected) {
  auto [sender, receiver] = utils::make_channel<int>();
  std::optional<int> got;
  EXPECT_EQ(receiver.try_recv(got), Poll::Empty);

  auto second = sender;  // a copy is one more sender
  sender = utils::Sender<int>();
  EXPECT_EQ(receiver.try_recv(got), Poll::Empty);

  EXPECT_TRUE(second.send(7));
  second = utils::Sender<int>();
  // Sent before the sender went: still delivered, then the end shows.
  EXPECT_EQ(receiver.try_recv(got), Poll::Message);
  EXPECT_EQ(got, 7);
  EXPECT_EQ(receiver.try_recv(got), Poll::Disconnected);
  EXPECT_EQ(receiver.recv(), std::nullopt);
}

TEST(Channel, SendAfterTheReceiverIsGoneFails) {
  auto [sender, receiver] = utils::make_channel<std::string>();
  { auto dropped = std::move(receiver); }
  EXPECT_FALSE(sender.send("lost"));
}

// The receiver is often the last owner (a finished worker, a replaced task): letting go of it,
// by its end or by taking another channel's, must not touch the freed channel. ThreadSanitizer
// tells.
TEST(Channel, TheReceiverCanBeTheLastToGo) {
  for (bool by_assignment : {false, true}) {
    SCOPED_TRACE(by_assignment);
    auto [sender, receiver] = utils::make_channel<std::string>();
    EXPECT_TRUE(sender.send("queued"));
    sender = utils::Sender<std::string>();
    if (by_assignment) {
      receiver = utils::make_channel<std::string>().second;
      std::optional<std::string> got;
      EXPECT_EQ(receiver.try_recv(got), Poll::Disconnected);
    } else {
      auto last = std::move(receiver);
    }
  }
}

TEST(Channel, ReceiveWithTimeout) {
  auto [sender, receiver] = utils::make_channel<int>();
  EXPECT_EQ(receiver.recv_for(10ms), std::nullopt);
  sender.send(1);
  EXPECT_EQ(receiver.recv_for(10ms), 1);
}

TEST(Worker, SendsItsOneResult) {
  auto receiver = utils::spawn_worker<std::string>([] { return std::string("done"); }, end_with_101);
  EXPECT_EQ(receiver.recv(), "done");
  EXPECT_EQ(receiver.recv(), std::nullopt);  // and is gone
}

TEST(Worker, FailureDropsTheSenderUnsent) {
  auto receiver = utils::spawn_worker<int>([]() -> int { throw std::runtime_error("worker failed"); }, end_with_101);
  EXPECT_EQ(receiver.recv(), std::nullopt);
  std::optional<int> got;
  EXPECT_EQ(receiver.try_recv(got), Poll::Disconnected);

  auto odd = utils::spawn_worker<int>([]() -> int { throw 42; }, end_with_101);  // not even an exception class
  EXPECT_EQ(odd.recv(), std::nullopt);
}

TEST(WorkerDeathTest, ThreadThatCannotStartEndsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        // No thread can get a stack this size.
        pthread_attr_t attr;
        pthread_attr_init(&attr);
        pthread_attr_setstacksize(&attr, std::size_t{1} << 46);
        pthread_setattr_default_np(&attr);
        utils::spawn_worker<int>([] { return 1; }, end_with_101);
      },
      testing::ExitedWithCode(101), "^failed to spawn thread\n$");
}

}  // namespace
