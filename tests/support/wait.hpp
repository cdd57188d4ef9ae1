#pragma once
// Waiting for what another process or thread does, without a fixed sleep.

#include <chrono>
#include <functional>
#include <thread>

namespace testing_support {

// Asks every 10 ms until `done` holds or `within` has passed; whether it held.
inline bool wait_until(const std::function<bool()>& done,
                       std::chrono::milliseconds within = std::chrono::seconds(30)) {
  const auto give_up = std::chrono::steady_clock::now() + within;
  while (!done()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace testing_support
