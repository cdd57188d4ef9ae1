#pragma once
// Background threads. A thread's failure stays on that thread: whatever it
// throws ends only the thread, and a worker that fails drops its sender
// without sending, which its receiver sees as a sender that is gone.

#include <system_error>
#include <thread>
#include <utility>

#include "tui/fatal.hpp"
#include "utils/channel.hpp"

namespace utils {

// Starts a detached thread running `body`. A thread that cannot be started
// ends the program, through tui::fatal so that the terminal is given back
// first.
template <class Body>
void spawn_detached(Body body) {
  try {
    std::thread([body = std::move(body)]() mutable noexcept {
      try {
        body();
      } catch (...) {
      }
    }).detach();
  } catch (const std::system_error&) {
    tui::fatal("failed to spawn thread");
  }
}

// Runs `work` on a detached thread and sends its one result; the receiver is
// returned at once.
template <class Result, class Work>
utils::Receiver<Result> spawn_worker(Work work) {
  auto [sender, receiver] = utils::make_channel<Result>();
  spawn_detached([sender = std::move(sender), work = std::move(work)]() mutable { sender.send(work()); });
  return std::move(receiver);
}

}  // namespace utils
