#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "main/command_line.hpp"
#include "main/debug_graph.hpp"
#include "main/event_loop.hpp"
#include "main/log_loader.hpp"
#include "state/state.hpp"
#include "main/terminal_setup.hpp"
#include "watcher/watcher.hpp"
#include "repo/repo.hpp"
#include "tui/terminal.hpp"
#include "tui/tty.hpp"
#include "highlight/highlight.hpp"

int main(int argc, char** argv) {
  // A closed pipe must show up as a write error, not kill the program
  // silently; children get SIGPIPE back to its default.
  std::signal(SIGPIPE, SIG_IGN);

  const app::CommandLine cl = app::parse_command_line(std::vector<std::string>(argv + 1, argv + argc));

  if (cl.debug_graph) {
    repo::Repo repo = repo::Repo::open_with_limit(cl.path, cl.limit);
    if (auto printed = app::print_debug_graph(repo, stdout); !printed) {
      std::fprintf(stderr, "failed printing to stdout: %s\n", printed.error().c_str());
      return 101;
    }
    // What could be read is printed; that it is not all must not pass for
    // success.
    if (repo.cut_short) {
      std::fprintf(stderr, "%s\n", repo.cut_short->c_str());
      return 1;
    }
    return 0;
  }

  app::FirstScreen opened = app::open_first_screen(cl.path, cl.limit);
  repo::Repo& repo = opened.repo;
  std::unique_ptr<tui::Tty> tty = app::initialize_terminal();
  tui::Terminal terminal(*tty);
  // A title the terminal refuses costs nothing but the title.
  static_cast<void>(terminal.set_title(repo.name));
  state::State state = state::State::create(repo);
  utils::Receiver<utils::Signal> changes;

  app::Session session{state, repo, terminal, *tty, changes};
  app::show_first_frame(session);
  // Before any other thread starts, and after the first frame, which needs
  // none of it: the highlighter's process-wide set-up.
  highlight::prepare_process();
  changes = watcher::watch_git_dir(cl.path);
  if (opened.rest_to_load) session.loader.request(repo);
  const int status = app::run_event_loop(session);
  // The terminal first; running push and fetch workers are not waited for.
  tui::restore_terminal();
  return status;
}
