#include "action/commit_flow.hpp"

#include <expected>
#include <optional>
#include <string>
#include <vector>

#include "action/commit_aids.hpp"
#include "action/commit_message.hpp"
#include "action/commit_view.hpp"
#include "action/editor.hpp"
#include "utils/temp_file.hpp"
#include "utils/text.hpp"

namespace action {
namespace {

// The message the editor left, cleaned; the status text when there is none
// to commit.
std::expected<std::string, std::string> edit_message(tui::Terminal& terminal, const std::string& dir,
                                                     const utils::PrivateTempFile& message_file) {
  const std::string editor = editor_program();
  std::vector<std::string> argv{editor, message_file.path()};
  // Lives until the editor has ended.
  std::optional<utils::PrivateTempFile> aids;
  if (is_neovim(editor)) {
    if (auto written =
            utils::PrivateTempFile::create(dir, "tarnwick_commit_aids", ".lua", COMMIT_AIDS_SCRIPT)) {
      if (auto command = luafile_command(written->path())) {
        aids = std::move(*written);
        argv.insert(argv.end(), {"-c", std::move(*command)});
      }
    }
  }

  auto ran = run_with_terminal(terminal, argv);
  if (!ran) return std::unexpected("failed to run editor: " + ran.error());
  if (!ran->success()) return std::unexpected(std::string("editor exited with error"));

  auto text = message_file.read();
  if (!text) return std::unexpected("failed to read message: " + text.error());
  if (!utils::is_valid_utf8(*text))
    return std::unexpected(std::string("failed to read message: file is not valid UTF-8"));
  std::string message = clean_commit_message(*text);
  if (message.empty()) return std::unexpected(std::string("commit aborted: empty message"));
  return message;
}

}  // namespace

void commit_with_editor(state::State& state, repo::Repo& repo, tui::Terminal& terminal, bool amend) {
  // The files get names no one else can have chosen, so nothing planted in
  // the shared directory is written through or run, and two instances keep
  // apart. Each is removed when this returns.
  const std::string dir = utils::temp_directory();
  auto message_file =
      utils::PrivateTempFile::create(dir, "tarnwick_commit_msg", ".md",
                                     commit_message_file_content(amend ? repo.head_message() : std::nullopt));
  if (!message_file) {
    state.set_status("failed to create temp file: " + message_file.error());
    return;
  }

  auto message = edit_message(terminal, dir, *message_file);
  if (!message) {
    state.set_status(message.error());
    return;
  }
  auto made = amend ? repo.amend_commit(*message) : repo.commit(*message);
  if (!made) {
    state.set_status("commit failed: " + made.error());
    return;
  }

  repo.refresh();
  if (state.commit_view) {
    // The amend is made: a later Esc has nothing to put back.
    state.commit_view->amending = false;
    state.commit_view->index_before_amend.reset();
  }
  const std::string word = amend ? "amended" : "committed";
  const auto status = repo.load_worktree_status(false);
  if (status && !status->unstaged.empty()) {
    refresh_commit_view(state, repo, diff_viewport_height(terminal));
    state.set_status(word + " successfully - more changes available");
  } else {
    state.commit_view.reset();
    state.set_status(word + " successfully");
  }
}

}  // namespace action
