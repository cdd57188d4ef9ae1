#include "app/command_line.hpp"
#include "app/debug_graph.hpp"
#include "repo/repo.hpp"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  // A closed pipe must show up as a write error, not kill the program
  // silently; children get SIGPIPE back to its default.
  std::signal(SIGPIPE, SIG_IGN);

  const app::CommandLine cl = app::parse_command_line(std::vector<std::string>(argv + 1, argv + argc));
  repo::Repo repo = repo::Repo::open_with_limit(cl.path, cl.limit);

  if (cl.debug_graph) {
    if (auto printed = app::print_debug_graph(repo, stdout); !printed) {
      std::fprintf(stderr, "failed printing to stdout: %s\n", printed.error().c_str());
      return 101;
    }
    return 0;
  }

  std::printf("%s: %zu commits loaded; the interactive view is not available yet\n", repo.name.c_str(),
              repo.commits.size());
  return std::fflush(stdout) == 0 ? 0 : 101;
}
