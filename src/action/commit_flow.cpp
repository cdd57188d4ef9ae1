#include "action/commit_flow.hpp"

#include <expected>
#include <optional>
#include <string>
#include <vector>

#include "action/commit_aids.hpp"
#include "action/commit_message.hpp"
#include "action/commit_view_lists.hpp"
#include "action/editor.hpp"
#include "repo/git_cli.hpp"
#include "utils/temp_file.hpp"
#include "utils/text.hpp"
#include "viewport/staging_geometry.hpp"

namespace action {
namespace {

// What the editor failed with: the status text, and whether the message
// kept from a failed commit is still worth offering again.
struct EditFailure {
  std::string status;
  bool drop_unsent = false;
};

// The message the editor left, cleaned; the status text when there is none
// to commit.
std::expected<std::string, EditFailure> edit_message(tui::Terminal& terminal, const std::string& dir,
                                                     const utils::PrivateTempFile& message_file) {
  const std::string editor = editor_program();
  std::vector<std::string> args{message_file.path()};
  // Lives until the editor has ended.
  std::optional<utils::PrivateTempFile> aids;
  if (is_neovim(editor)) {
    if (auto written =
            utils::PrivateTempFile::create(dir, "tarnwick_commit_aids", ".lua", COMMIT_AIDS_SCRIPT)) {
      if (auto command = luafile_command(written->path())) {
        aids = std::move(*written);
        args.insert(args.end(), {"-c", std::move(*command)});
      }
    }
  }

  auto ran = run_with_terminal(terminal, editor_command(editor, args));
  if (!ran) return std::unexpected(EditFailure{"failed to run editor: " + ran.error()});
  if (!ran->success()) return std::unexpected(EditFailure{"editor exited with error"});

  auto text = message_file.read();
  if (!text) return std::unexpected(EditFailure{"failed to read message: " + text.error()});
  if (!utils::is_valid_utf8(*text))
    return std::unexpected(EditFailure{"failed to read message: file is not valid UTF-8"});
  std::string message = clean_commit_message(*text);
  // Emptied on purpose: the next commit starts afresh.
  if (message.empty()) return std::unexpected(EditFailure{"commit aborted: empty message", true});
  return message;
}

// What the editor opens: the message of a commit that failed, to try again
// without typing it anew; otherwise the guidance (under HEAD's message when
// amending).
std::string starting_content(const state::State& state, const repo::Repo& repo, bool amend) {
  if (state.unsent_commit_message) return *state.unsent_commit_message + "\n";
  return commit_message_file_content(amend ? repo.head_message() : std::nullopt);
}

// Commits with git where it has hooks to run or a commit to sign, which the
// library would skip; otherwise with the library.
std::expected<void, std::string> make_commit(const repo::Repo& repo, const std::string& dir,
                                             const std::string& message, bool amend) {
  if (repo.commit_needs_git()) {
    auto file = utils::PrivateTempFile::create(dir, "tarnwick_commit_msg", ".txt", message);
    if (!file) return std::unexpected(file.error());
    return repo::commit_with_git(repo.work_command_dir(), file->path(), amend);
  }
  auto made = amend ? repo.amend_commit(message) : repo.commit(message);
  if (!made) return std::unexpected(made.error());
  return {};
}

// Whether the commit may go ahead; otherwise the status says why. Asked
// afresh, not of the lists on screen: another git may have committed or
// taken the index meanwhile.
bool ready_to_commit(state::State& state, const repo::Repo& repo, bool amend, std::size_t preview_height) {
  if (auto unlocked = repo.check_index_unlocked(); !unlocked) {
    state.set_status("commit failed: " + unlocked.error());
    return false;
  }
  auto staged = repo.has_staged_changes(amend);
  if (!staged) {
    state.set_status("commit failed: " + staged.error());
    return false;
  }
  if (!*staged) {
    // The lists on screen told otherwise: show what there is now.
    refresh_commit_view(state, repo, preview_height);
    state.set_status("nothing staged to commit");
    return false;
  }
  return true;
}

}  // namespace

void commit_with_editor(state::State& state, repo::Repo& repo, tui::Terminal& terminal, bool amend) {
  if (!ready_to_commit(state, repo, amend, viewport::diff_viewport_height(terminal))) return;
  // The files get names no one else can have chosen, so nothing planted in
  // the shared directory is written through or run, and two instances keep
  // apart. Each is removed when this returns.
  const std::string dir = utils::temp_directory();
  auto message_file =
      utils::PrivateTempFile::create(dir, "tarnwick_commit_msg", ".md", starting_content(state, repo, amend));
  if (!message_file) {
    state.set_status("failed to create temp file: " + message_file.error());
    return;
  }

  auto message = edit_message(terminal, dir, *message_file);
  if (!message) {
    if (message.error().drop_unsent) state.unsent_commit_message.reset();
    state.set_status(message.error().status);
    return;
  }
  if (auto made = make_commit(repo, dir, *message, amend); !made) {
    // Kept for this run only: a hook or a lock may let the next try through.
    state.unsent_commit_message = *message;
    state.set_status("commit failed: " + made.error());
    return;
  }
  state.unsent_commit_message.reset();

  repo.refresh();
  if (state.commit_view) {
    // The amend is made: a later Esc has nothing to put back.
    state.commit_view->amending = false;
    state.commit_view->index_before_amend.reset();
  }
  const auto status = repo.load_worktree_status(false);
  if (status && !status->unstaged.empty()) {
    refresh_commit_view(state, repo, viewport::diff_viewport_height(terminal));
    state.set_status(amend ? "amended successfully - more changes available"
                           : "committed successfully - more changes available");
  } else {
    state.commit_view.reset();
    state.set_status(amend ? "amended successfully" : "committed successfully");
  }
}

}  // namespace action
