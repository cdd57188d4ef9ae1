#pragma once
// Notices changes made to the repository behind the program's back: a
// thread watches the .git directory and, once a burst of changes has been
// quiet for a while, sends one message. Reads cause nothing, so the reload a
// message leads to does not lead to another.

#include <chrono>
#include <string>

#include "utils/channel.hpp"

namespace watcher {

inline constexpr std::chrono::milliseconds QUIET_PERIOD{500};

// Starts the thread on `repo_path` joined with ".git" and returns at once.
// When that path cannot be watched the thread ends quietly and the receiver
// reports its sender gone; the program runs on without reloading by itself.
utils::Receiver<utils::Signal> watch_git_dir(const std::string& repo_path);

}  // namespace watcher
