#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "highlight/highlight.hpp"
#include "main/command_line.hpp"
#include "main/debug_graph.hpp"
#include "main/event_loop.hpp"
#include "main/log_loader.hpp"
#include "main/terminal_setup.hpp"
#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/graphemes.hpp"
#include "tui/terminal.hpp"
#include "tui/tty.hpp"
#include "watcher/watcher.hpp"

namespace {

// Failures quote paths and reference names, which may hold escape sequences; the user's terminal
// must not run them.
void report_error(std::string_view message, const std::vector<std::string>& hint = {}) {
  std::string text = tui::sanitize(message) + "\n";
  // A hint's command stays set off by its tab.
  for (std::string_view line : hint) {
    if (line.starts_with('\t')) {
      text += '\t';
      line.remove_prefix(1);
    }
    text += tui::sanitize(line) + "\n";
  }
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
  // A closed pipe must show up as a write error, not kill the program
  // silently; children get SIGPIPE back to its default.
  std::signal(SIGPIPE, SIG_IGN);

  const app::CommandLine cl = app::parse_command_line(std::vector<std::string>(argv + 1, argv + argc));

  if (cl.debug_graph) {
    auto opened = repo::Repo::open(cl.path, cl.limit);
    if (!opened) {
      report_error(opened.error().message, opened.error().hint);
      return opened.error().exit_status;
    }
    if (auto printed = app::print_debug_graph(*opened, stdout); !printed) {
      report_error("failed printing to stdout: " + printed.error());
      return 101;
    }
    // What could be read is printed; that it is not all must not pass for
    // success.
    if (opened->cut_short) {
      report_error(*opened->cut_short);
      return 1;
    }
    return 0;
  }

  auto first = app::open_first_screen(cl.path, cl.limit);
  if (!first) {
    report_error(first.error().message, first.error().hint);
    return first.error().exit_status;
  }
  app::FirstScreen& opened = *first;
  repo::Repo& repo = opened.repo;
  std::unique_ptr<tui::Tty> tty = app::initialize_terminal();
  tui::Terminal terminal(*tty);
  // A title the terminal refuses costs nothing but the title.
  static_cast<void>(terminal.set_title(repo.name));
  state::State state = state::State::create(repo);
  utils::Receiver<utils::Signal> changes = watcher::watch_git_dir(cl.path);

  app::Session session{state, repo, terminal, *tty, changes};
  app::show_first_frame(session);
  // After the first frame, which needs none of it, and before any thread
  // that could highlight: the highlighter's process-wide set-up. The
  // watcher thread touches neither Qt nor the environment.
  highlight::prepare_process();
  if (opened.rest_to_load) session.loader.request(repo);
  const int status = app::run_event_loop(session);
  // The terminal first; running push and fetch workers are not waited for.
  tui::restore_terminal();
  return status;
}
