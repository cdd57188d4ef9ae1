#pragma once
// The one way this program starts a child whose output it captures.

#include <expected>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace utils {

struct ProcessOptions {
  std::string cwd;                   // empty: the program's own directory
  std::optional<std::string> input;  // standard input; absent gives /dev/null
  std::vector<std::pair<std::string, std::string>> set_env;
  std::vector<std::string> unset_env;
  bool new_session = true;  // no controlling terminal for the child
  // The child gets this process's standard input, output and error (the
  // terminal) and stays in its session; nothing is captured. While it runs,
  // interrupt and quit keys reach only the child, as with system().
  bool inherit_terminal = false;
  // Standard output and error go to /dev/null and only the child itself is
  // waited for. A child that leaves a background process behind (a clipboard
  // program keeping its selection) would otherwise hold the pipes open for
  // as long as that process lives.
  bool discard_output = false;
  // Standard output and error go to unnamed files instead of pipes and are
  // read once the child has ended. A child still running when this program
  // ends (a push at quit) then runs to its end, its output no longer read
  // but never cut off by a broken pipe.
  bool output_to_files = false;
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

// Starts argv[0] as run_process does, with standard input, output and error
// on /dev/null (input and inherit_terminal are not used), and returns its
// process id at once. The caller must reap it with wait_process.
std::expected<int, std::string> start_process(const std::vector<std::string>& argv,
                                              const ProcessOptions& options = {});

// Waits for a child that start_process started; nothing is captured.
std::expected<ProcessResult, std::string> wait_process(int pid);

}  // namespace utils
