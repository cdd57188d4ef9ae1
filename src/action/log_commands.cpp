#include "action/log_commands.hpp"

#include "action/browser.hpp"
#include "action/clipboard.hpp"
#include "action/commit_view_lists.hpp"
#include "action/git_runs.hpp"
#include "tui/fatal.hpp"
#include "utils/worker.hpp"

namespace action {

void open_staging_view(state::State& state, const repo::Repo& repo) {
  const auto changes = repo.look_for_changes();
  if (!changes) {
    state.set_status("failed to read the status: " + changes.error());
    return;
  }
  if (!*changes) {
    state.set_status("no changes to stage");
    return;
  }
  if (!open_commit_view(state, repo)) return;
  // The details search stays for when the details open again.
  state.commit_details.reset();
}

void open_amend_view(state::State& state, const repo::Repo& repo) {
  const repo::Commit* commit = state::selected_commit(state, repo);
  if (!commit) return;
  if (commit->id != repo.head_sha()) {
    state.set_status("can only amend the latest commit");
    return;
  }
  if (commit->parent_ids.empty()) {
    state.set_status("cannot amend: the first commit has no parent");
    return;
  }
  if (commit->parent_ids.size() > 1) {
    state.set_status("cannot amend: merge commits can't be amended");
    return;
  }
  // Cancelling puts this copy back, so an index that cannot be read now
  // must not be edited at all.
  auto before = repo.snapshot_index();
  auto status = before ? repo.load_worktree_status(true) : std::nullopt;
  if (!status) {
    state.set_status("could not open commit for amend");
    return;
  }
  state.commit_view = make_commit_view(std::move(*status), true);
  state.commit_view->index_before_amend = std::move(*before);
  update_staging_highlight(state);
  state.commit_details.reset();
  state.set_status("amending HEAD — edit staging, c to commit, esc to cancel");
}

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

void start_fetch(state::State& state, const repo::Repo& repo) {
  if (!repo.has_remote()) {
    state.set_status("no remote configured");
    return;
  }
  if (state.fetch_task) return;
  state.fetch_task = state::Task<state::FetchResult>{
      utils::spawn_worker<state::FetchResult>([path = repo.path] { return fetch_worker(path); }, tui::fatal), 0};
  state.status_message.reset();
}

}  // namespace action
