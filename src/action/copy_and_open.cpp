#include "action/commit_commands.hpp"

#include "tui/fatal.hpp"
#include "utils/worker.hpp"
#include "utils/process.hpp"

#include <array>
#include <vector>

namespace action {

namespace {

const std::array<std::vector<std::string>, 4> CLIPBOARD_PROGRAMS = {{
    {"clip.exe"},
    {"xclip", "-selection", "clipboard"},
    {"xsel", "--clipboard", "--input"},
    {"wl-copy"},
}};

}  // namespace

void copy_commit_id(state::State& state, const repo::Repo& repo) {
  const repo::Commit* commit = state::selected_commit(state, repo);
  if (!commit) return;
  utils::ProcessOptions options;
  options.input = commit->id.hex();
  // These programs leave a process behind that keeps the selection and
  // would hold captured pipes open: wait for the program itself only.
  options.discard_output = true;
  bool any_ran = false;
  for (const auto& program : CLIPBOARD_PROGRAMS) {
    const auto run = utils::run_process(program, options);
    if (!run) continue;
    // xclip without a display starts and fails: nothing was copied.
    if (run->success()) {
      state.set_status("copied " + commit->id.short_hex());
      return;
    }
    any_ran = true;
  }
  if (any_ran) state.set_status("failed to copy " + commit->id.short_hex());
}

void open_commit_page(state::State& state, const repo::Repo& repo) {
  const repo::Commit* commit = state::selected_commit(state, repo);
  if (!commit) return;
  if (!repo.commit_is_on_remote(state.selected)) {
    state.set_status("commit not on remote");
    return;
  }
  const auto url = repo.commit_url(commit->id);
  if (!url) {
    state.set_status("no remote URL");
    return;
  }
  // Off the terminal, so the opener neither draws over the screen nor reads
  // the keys; reaped in the background, as a browser may stay a while.
  const auto pid = utils::start_process({"open", *url});
  if (!pid) {
    state.set_status("failed to open browser");
    return;
  }
  utils::spawn_detached([pid = *pid] { (void)utils::wait_process(pid); }, tui::fatal);
  state.set_status("opened in browser");
}

}  // namespace action
