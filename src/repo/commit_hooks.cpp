// Whether a commit must go through git: libgit2 runs no hooks and signs
// nothing.

#include <unistd.h>

#include <array>
#include <string_view>

#include "repo/git_handle.hpp"
#include "repo/repo.hpp"

namespace repo {
namespace {

// The hooks git runs for a commit made with a message file.
constexpr std::array<std::string_view, 3> kCommitHooks = {"pre-commit", "prepare-commit-msg", "commit-msg"};

// core.hooksPath (~ expanded; relative to where git runs the commit), else
// the hooks folder of the common git directory, which linked work trees
// share.
std::string hooks_directory(git_repository* repo, git_config* config, const std::string& run_dir) {
  GitBuf configured;
  if (git_config_get_path(&configured.buf, config, "core.hooksPath") == 0) {
    std::string dir(configured.view());
    if (!dir.empty() && dir.front() != '/') dir = run_dir + "/" + dir;
    return dir;
  }
  git_error_clear();
  return std::string(git_repository_commondir(repo)) + "hooks";
}

}  // namespace

bool Repo::commit_needs_git() const {
  auto repo = open_repository(path);
  if (!repo) return false;
  git_config* raw = nullptr;
  if (git_repository_config_snapshot(&raw, repo->get()) != 0) {
    git_error_clear();
    return false;
  }
  ConfigPtr config(raw);
  if (config_true(config.get(), "commit.gpgsign")) return true;
  const std::string dir = hooks_directory(repo->get(), config.get(), work_command_dir());
  // git's own test: what it may execute is a hook, whatever kind of file.
  for (std::string_view hook : kCommitHooks)
    if (::access((dir + "/" + std::string(hook)).c_str(), X_OK) == 0) return true;
  return false;
}

}  // namespace repo
