#include <functional>
#include <unordered_set>

#include "repo/branch_walk.hpp"
#include "repo/git_handle.hpp"
#include "repo/repo.hpp"
#include "repo/state_files.hpp"
#include "utils/text.hpp"

namespace repo {
namespace {

using TreeBuilderPtr = GitPtr<git_treebuilder, git_treebuilder_free>;

std::expected<void, std::string> fail() { return std::unexpected(last_git_error()); }

git_checkout_options safe_checkout() {
  git_checkout_options opts;
  git_checkout_options_init(&opts, GIT_CHECKOUT_OPTIONS_VERSION);
  opts.checkout_strategy = GIT_CHECKOUT_SAFE;
  return opts;
}

// The tree HEAD stands on, or an empty one when HEAD is unborn; nothing when
// HEAD cannot be read, so that nothing is removed on a guess.
TreePtr head_tree(git_repository* repo) {
  if (auto head = peel_head_tree(repo)) return std::move(*head);
  if (git_repository_head_unborn(repo) != 1) return nullptr;
  git_treebuilder* builder_raw = nullptr;
  if (git_treebuilder_new(&builder_raw, repo, nullptr) != 0) return nullptr;
  TreeBuilderPtr builder(builder_raw);
  git_oid empty;
  git_tree* tree = nullptr;
  if (git_treebuilder_write(&empty, builder.get()) != 0 || git_tree_lookup(&tree, repo, &empty) != 0)
    return nullptr;
  return TreePtr(tree);
}

// Writes the commit's tree to the index and work tree, keeping local changes
// that do not collide with it, and only then moves HEAD: a refused checkout
// leaves HEAD, index and files as they were.
std::expected<void, std::string> checkout_then_move_head(git_repository* repo, git_commit* target,
                                                         const std::function<int()>& move_head) {
  git_checkout_options opts = safe_checkout();
  if (git_checkout_tree(repo, reinterpret_cast<git_object*>(target), &opts) != 0) return fail();
  if (move_head() == 0) return {};
  std::string message = last_git_error();
  // HEAD could not be moved (a lock held by another git), so it still names
  // the old tree: put the files back, measured from the tree just written.
  TreePtr before = head_tree(repo);
  git_tree* written_raw = nullptr;
  if (before && git_commit_tree(&written_raw, target) == 0) {
    TreePtr written(written_raw);
    git_checkout_options back = safe_checkout();
    back.baseline = written.get();
    git_checkout_tree(repo, reinterpret_cast<git_object*>(before.get()), &back);
  }
  return std::unexpected(message);
}

// Names of the branches of one type whose tip is the commit, in the
// library's order; unreadable branches are skipped.
std::vector<std::string> branches_at(const std::string& path, git_branch_t type, const Oid& id) {
  std::vector<std::string> names;
  auto repo = open_repository(path);
  if (!repo) return names;
  const git_oid wanted = to_git_oid(id);
  for_each_branch(repo->get(), type, [&](std::string_view name, const git_oid& target) {
    if (git_oid_equal(&target, &wanted) != 0) names.emplace_back(name);
  });
  return names;
}

std::expected<void, std::string> checkout_commit(const std::string& path, const Oid& id) {
  auto repo = open_repository(path);
  if (!repo) return std::unexpected(repo.error());
  const git_oid oid = to_git_oid(id);
  git_commit* commit_raw = nullptr;
  if (git_commit_lookup(&commit_raw, repo->get(), &oid) != 0) return fail();
  CommitPtr commit(commit_raw);
  return checkout_then_move_head(repo->get(), commit.get(),
                                 [&] { return git_repository_set_head_detached(repo->get(), &oid); });
}

std::expected<void, std::string> checkout_local_branch(const std::string& path, const std::string& name) {
  auto repo = open_repository(path);
  if (!repo) return std::unexpected(repo.error());
  // Only an existing local branch: HEAD must never be left on a branch that
  // does not exist.
  git_reference* branch_raw = nullptr;
  if (git_branch_lookup(&branch_raw, repo->get(), name.c_str(), GIT_BRANCH_LOCAL) != 0) return fail();
  ReferencePtr branch(branch_raw);
  git_object* commit_raw = nullptr;
  if (git_reference_peel(&commit_raw, branch.get(), GIT_OBJECT_COMMIT) != 0) return fail();
  ObjectPtr commit(commit_raw);
  const std::string refname = git_reference_name(branch.get());
  return checkout_then_move_head(repo->get(), reinterpret_cast<git_commit*>(commit.get()),
                                 [&] { return git_repository_set_head(repo->get(), refname.c_str()); });
}

// A checkout ends a stopped merge, cherry-pick or revert, as git checkout
// does: their files left behind would make the next commit on the branch
// checked out take in the commit that was being merged.
std::expected<void, std::string> end_stopped_operation(const std::string& path) {
  auto repo = open_repository(path);
  if (!repo) return std::unexpected("checked out, but " + repo.error());
  auto ended = remove_state_files(repo->get(), kCheckoutEndedStateFiles);
  if (!ended) return std::unexpected("checked out, but " + ended.error());
  return {};
}

}  // namespace

std::expected<void, std::string> Repo::checkout_sha(const Oid& id) {
  auto done = checkout_commit(path, id);
  if (!done) return done;
  auto ended = end_stopped_operation(path);
  refresh();
  return ended;
}

std::expected<void, std::string> Repo::checkout_branch(const std::string& name) {
  auto done = checkout_local_branch(path, name);
  if (!done) return done;
  auto ended = end_stopped_operation(path);
  refresh();
  return ended;
}

std::expected<void, std::string> Repo::create_branch(const std::string& name, const Oid& id) {
  auto repo = open_repository(path);
  if (!repo) return std::unexpected(repo.error());
  const git_oid oid = to_git_oid(id);
  git_commit* commit_raw = nullptr;
  if (git_commit_lookup(&commit_raw, repo->get(), &oid) != 0) return fail();
  CommitPtr commit(commit_raw);
  git_reference* created = nullptr;
  if (git_branch_create(&created, repo->get(), name.c_str(), commit.get(), 0) != 0) return fail();
  ReferencePtr owned(created);
  reload_branches(repo->get());
  return {};
}

std::expected<void, std::string> Repo::delete_branch(const std::string& name, const Oid& tip) {
  auto repo = open_repository(path);
  if (!repo) return std::unexpected(repo.error());
  git_reference* branch_raw = nullptr;
  if (git_branch_lookup(&branch_raw, repo->get(), name.c_str(), GIT_BRANCH_LOCAL) != 0) return fail();
  ReferencePtr branch(branch_raw);
  // The name may be the remote-tracking branch the user sees at the commit while a local branch
  // of the same name stands elsewhere: that one, and the commits only it holds, stay.
  git_reference* resolved_raw = nullptr;
  if (git_reference_resolve(&resolved_raw, branch.get()) != 0) return fail();
  const ReferencePtr resolved(resolved_raw);
  const git_oid* target = git_reference_target(resolved.get());
  if (target == nullptr || to_oid(target) != tip)
    return std::unexpected("local branch '" + name + "' is not at " + tip.short_hex());
  if (git_branch_delete(branch.get()) != 0) return fail();
  reload_branches(repo->get());
  return {};
}

std::vector<std::string> Repo::local_branches_at(const Oid& id) const {
  return branches_at(path, GIT_BRANCH_LOCAL, id);
}

std::vector<std::string> Repo::new_branch_name_candidates_at(const Oid& id) const {
  std::unordered_set<std::string_view> local;
  for (const auto& [branch, tip] : branches)
    if (branch.name.find('/') == std::string::npos) local.insert(branch.name);
  std::vector<std::string> candidates;
  for (const auto& name : branches_at(path, GIT_BRANCH_REMOTE, id)) {
    if (name.size() >= 5 && name.ends_with("/HEAD")) continue;
    const auto slash = name.find('/');
    if (slash == std::string::npos) continue;
    std::string candidate = name.substr(slash + 1);
    if (!local.contains(candidate)) candidates.push_back(std::move(candidate));
  }
  return candidates;
}

}  // namespace repo
