#include "repo/diff_lines.hpp"
#include "repo/git_handle.hpp"
#include "repo/repo.hpp"
#include "utils/text.hpp"

namespace repo {
namespace {

char status_letter(git_delta_t kind) {
  switch (kind) {
    case GIT_DELTA_ADDED:
      return 'A';
    case GIT_DELTA_DELETED:
      return 'D';
    case GIT_DELTA_MODIFIED:
      return 'M';
    case GIT_DELTA_RENAMED:
      return 'R';
    case GIT_DELTA_COPIED:
      return 'C';
    case GIT_DELTA_TYPECHANGE:
      return 'T';
    default:
      return '?';
  }
}

std::string delta_path(const git_diff_delta& delta) {
  const char* p = delta.new_file.path ? delta.new_file.path : delta.old_file.path;
  return p ? utils::decode_lossy(p) : std::string();
}

}  // namespace

std::optional<CommitDetails> Repo::load_commit_details(const Oid& id) const {
  auto repo = open_repository(path);
  if (!repo) return std::nullopt;
  const git_oid oid = to_git_oid(id);
  git_commit* commit_raw = nullptr;
  if (git_commit_lookup(&commit_raw, repo->get(), &oid) != 0) return std::nullopt;
  CommitPtr commit(commit_raw);

  CommitDetails details;
  const git_signature* author = git_commit_author(commit.get());
  details.author = utils::utf8_or_empty(author ? author->name : nullptr);
  details.email = utils::utf8_or_empty(author ? author->email : nullptr);
  details.message = utils::utf8_or_empty(git_commit_message(commit.get()));
  details.time = static_cast<std::int64_t>(git_commit_time(commit.get()));
  details.id = id;

  git_tree* tree_raw = nullptr;
  if (git_commit_tree(&tree_raw, commit.get()) != 0) return std::nullopt;
  TreePtr tree(tree_raw);
  // Without a readable first parent the commit is shown against the empty
  // tree, every file added.
  TreePtr base;
  git_commit* parent_raw = nullptr;
  if (git_commit_parentcount(commit.get()) > 0 && git_commit_parent(&parent_raw, commit.get(), 0) == 0) {
    CommitPtr parent(parent_raw);
    git_tree* base_raw = nullptr;
    if (git_commit_tree(&base_raw, parent.get()) == 0) base.reset(base_raw);
  }

  git_diff* diff_raw = nullptr;
  if (git_diff_tree_to_tree(&diff_raw, repo->get(), base.get(), tree.get(), nullptr) != 0)
    return std::nullopt;
  DiffPtr diff(diff_raw);
  const std::size_t deltas = git_diff_num_deltas(diff.get());
  details.files.reserve(deltas);
  for (std::size_t i = 0; i < deltas; ++i) {
    const git_diff_delta* delta = git_diff_get_delta(diff.get(), i);
    FileChange file;
    file.status = status_letter(delta->status);
    file.path = delta_path(*delta);
    git_patch* patch_raw = nullptr;
    if (git_patch_from_diff(&patch_raw, diff.get(), i) == 0 && patch_raw != nullptr) {
      PatchPtr patch(patch_raw);
      // A hunk whose lines cannot be read stays: the details show its header even then.
      file.hunks = read_patch_hunks(patch.get(), file.additions, file.deletions);
    }
    details.files.push_back(std::move(file));
  }
  return details;
}

}  // namespace repo
