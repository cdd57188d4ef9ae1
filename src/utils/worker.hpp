#pragma once
// Background threads. A thread's failure stays on that thread: whatever it
// throws ends only the thread, and a worker that fails drops its sender
// without sending, which its receiver sees as a sender that is gone.

#include <cstdlib>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

#include "utils/channel.hpp"

namespace utils {

// The program cannot go on without a thread it asked for: this ends it, given
// "failed to spawn thread" (the caller's fatal ending, which gives the
// terminal back first). It must not return.
using CannotStart = void (*)(std::string_view message);

// Starts a detached thread running `body`.
template <class Body>
void spawn_detached(Body body, CannotStart cannot_start) {
  try {
    std::thread([body = std::move(body)]() mutable noexcept {
      try {
        body();
      } catch (...) {
      }
    }).detach();
  } catch (const std::system_error&) {
    cannot_start("failed to spawn thread");
    std::abort();
  }
}

// Runs `work` on a detached thread and sends its one result; the receiver is
// returned at once.
template <class Result, class Work>
utils::Receiver<Result> spawn_worker(Work work, CannotStart cannot_start) {
  auto [sender, receiver] = utils::make_channel<Result>();
  spawn_detached([sender = std::move(sender), work = std::move(work)]() mutable { sender.send(work()); }, cannot_start);
  return std::move(receiver);
}

}  // namespace utils
