#pragma once
// The one way this program starts a child whose output it captures.

#include <expected>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace utils {

struct ProcessOptions {
  std::string cwd;                         // empty: the program's own directory
  std::optional<std::string> input;        // standard input; absent gives /dev/null
  std::vector<std::pair<std::string, std::string>> set_env;
  std::vector<std::string> unset_env;
  bool new_session = true;                 // no controlling terminal for the child
  // The child gets this process's standard input, output and error (the
  // terminal) and stays in its session; nothing is captured. While it runs,
  // interrupt and quit keys reach only the child, as with system().
  bool inherit_terminal = false;
};

struct ProcessResult {
  std::optional<int> exit_code;  // absent when a signal ended the child
  int signal = 0;
  std::string out;
  std::string err;

  bool success() const { return exit_code == 0; }
};

// Runs argv[0] (looked up on PATH) with the arguments as given, never through
// a shell, and waits for it. Standard output and error are read together so
// neither pipe can fill up and stall the child. Fails only when the child
// cannot be started, with the system's error text.
std::expected<ProcessResult, std::string> run_process(const std::vector<std::string>& argv,
                                                      const ProcessOptions& options = {});

}  // namespace utils
