#include "action/commit_commands.hpp"

#include "action/browser.hpp"
#include "action/clipboard.hpp"

namespace action {

void copy_commit_id(state::State& state, const repo::Repo& repo) {
  const repo::Commit* commit = state::selected_commit(state, repo);
  if (!commit) return;
  switch (copy_to_clipboard(commit->id.hex())) {
    case Clipboard::Copied:
      state.set_status("copied " + commit->id.short_hex());
      return;
    case Clipboard::Failed:
      state.set_status("failed to copy " + commit->id.short_hex());
      return;
    case Clipboard::NoProgram:
      return;
  }
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
  if (!open_in_browser(*url)) {
    state.set_status("failed to open browser");
    return;
  }
  state.set_status("opened in browser");
}

}  // namespace action
