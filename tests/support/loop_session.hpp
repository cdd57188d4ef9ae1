#pragma once
// A session whose passes are the real event loop's: scripted terminal
// events, a watcher channel the test sends on, and the loads and workers'
// results the loop takes.

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

#include "main/event_loop.hpp"
#include "support/session.hpp"
#include "utils/channel.hpp"

namespace testing_support {

struct LoopSession : Session {
  explicit LoopSession(repo::Repo r, tui::Size size = {80, 24}) : Session(std::move(r), size) {
    auto [tx, rx] = utils::make_channel<utils::Signal>();
    watcher_sender = std::move(tx);
    watcher = std::move(rx);
  }

  app::Pass pass() { return app::run_pass(loop); }
  // One pass that takes this event.
  app::Pass pass(tui::Event e) {
    events.push(e);
    return pass();
  }
  // Passes until no load of the log runs or waits to be taken.
  void settle() {
    for (int i = 0; i < 100 && loop.loader.busy(); ++i) {
      loop.loader.wait();
      pass();
    }
    ASSERT_FALSE(loop.loader.busy());
  }

  // Passes until the push (fetch) is over, so that its result is the status
  // message and the log reloaded as the loop does it.
  template <class Result>
  void finish(std::optional<state::Task<Result>>& task) {
    ASSERT_TRUE(task);
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (task && std::chrono::steady_clock::now() < give_up) {
      pass();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_FALSE(task) << "the worker never reported";
    // The reload it asked for runs behind the loop; its model comes in at
    // the start of a pass.
    settle();
  }
  void finish_push() { finish(state.push_task); }
  void finish_fetch() { finish(state.fetch_task); }

  tui::ScriptedEvents events;
  utils::Sender<utils::Signal> watcher_sender;
  utils::Receiver<utils::Signal> watcher;
  app::Session loop{state, repo, terminal, events, watcher};
};

}  // namespace testing_support
