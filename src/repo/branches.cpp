#include <sys/stat.h>

#include <functional>
#include <optional>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "repo/branch_walk.hpp"
#include "repo/git_handle.hpp"
#include "repo/index_lock.hpp"
#include "repo/repo.hpp"
#include "repo/state_files.hpp"
#include "utils/text.hpp"

namespace repo {
namespace {

using TreeBuilderPtr = GitPtr<git_treebuilder, git_treebuilder_free>;
using TransactionPtr = GitPtr<git_transaction, git_transaction_free>;

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

// One index entry kept by value, its path with it.
struct SavedEntry {
  std::string path;
  std::optional<git_index_entry> entry;  // absent: the index had none
};

// What a checkout may change, taken before it starts: the paths whose entry
// differs between HEAD's tree and the target's, those of them where the work
// tree held something of the user's (a change, an untracked or ignored file,
// a directory), and their index entries.
struct CheckoutPlan {
  std::vector<std::string> paths;
  std::unordered_set<std::string> users;
  std::vector<SavedEntry> index;
};

std::optional<CheckoutPlan> plan_checkout(git_repository* repo, git_tree* head, git_tree* target) {
  CheckoutPlan plan;
  git_diff* diff_raw = nullptr;
  if (git_diff_tree_to_tree(&diff_raw, repo, head, target, nullptr) != 0) return std::nullopt;
  DiffPtr diff(diff_raw);
  for (std::size_t i = 0; i < git_diff_num_deltas(diff.get()); ++i) {
    const git_diff_delta* delta = git_diff_get_delta(diff.get(), i);
    plan.paths.emplace_back(delta->new_file.path ? delta->new_file.path : delta->old_file.path);
  }
  if (plan.paths.empty()) return plan;

  git_status_options status;
  git_status_options_init(&status, GIT_STATUS_OPTIONS_VERSION);
  status.show = GIT_STATUS_SHOW_INDEX_AND_WORKDIR;
  status.flags = GIT_STATUS_OPT_INCLUDE_UNTRACKED | GIT_STATUS_OPT_RECURSE_UNTRACKED_DIRS |
                 GIT_STATUS_OPT_INCLUDE_IGNORED | GIT_STATUS_OPT_RECURSE_IGNORED_DIRS |
                 GIT_STATUS_OPT_DISABLE_PATHSPEC_MATCH | GIT_STATUS_OPT_EXCLUDE_SUBMODULES;
  PathArray paths(plan.paths);
  status.pathspec = paths.strarray();
  git_status_list* list_raw = nullptr;
  if (git_status_list_new(&list_raw, repo, &status) != 0) return std::nullopt;
  StatusListPtr list(list_raw);
  std::unordered_set<std::string_view> planned(plan.paths.begin(), plan.paths.end());
  for (std::size_t i = 0; i < git_status_list_entrycount(list.get()); ++i) {
    const git_status_entry* e = git_status_byindex(list.get(), i);
    for (const git_diff_delta* d : {e->head_to_index, e->index_to_workdir}) {
      if (d == nullptr) continue;
      for (const char* p : {d->old_file.path, d->new_file.path}) {
        // A file of the user's where the trees have a file marks that path;
        // one below it (a directory in a file's place) marks it too.
        std::string_view path = p ? p : "";
        if (path.ends_with('/')) path.remove_suffix(1);
        for (;;) {
          if (planned.contains(path)) {
            plan.users.emplace(path);
            break;
          }
          const auto slash = path.rfind('/');
          if (slash == std::string_view::npos) break;
          path = path.substr(0, slash);
        }
      }
    }
  }

  git_index* index_raw = nullptr;
  if (git_repository_index(&index_raw, repo) != 0) return std::nullopt;
  IndexPtr index(index_raw);
  const char* workdir = git_repository_workdir(repo);
  for (const std::string& path : plan.paths) {
    if (workdir != nullptr) {
      struct stat st {};
      if (::lstat((std::string(workdir) + path).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        plan.users.insert(path);
    }
    SavedEntry saved{path, std::nullopt};
    if (const git_index_entry* e = git_index_get_bypath(index.get(), path.c_str(), 0)) saved.entry = *e;
    plan.index.push_back(std::move(saved));
  }
  return plan;
}

// Puts back what a checkout that could not finish wrote. Only paths that
// held nothing of the user's are touched: those were HEAD's versions before,
// and are written from HEAD's tree whatever the checkout left there, half a
// file included. When the checkout had written the index, the entries of
// those paths go back as they were.
void put_back(git_repository* repo, git_tree* head, git_tree* target, const CheckoutPlan& plan,
              bool index_written) {
  git_index* index_raw = nullptr;
  if (git_repository_index(&index_raw, repo) != 0) return;
  IndexPtr index(index_raw);
  // What the failed checkout changed in memory is not what is on disk.
  git_index_read(index.get(), 1);

  const char* workdir = git_repository_workdir(repo);
  std::vector<std::string> paths;
  for (const std::string& path : plan.paths) {
    if (plan.users.contains(path)) continue;
    // Nothing there and nothing in HEAD: nothing to put back.
    git_tree_entry* in_head = nullptr;
    const bool head_has = git_tree_entry_bypath(&in_head, head, path.c_str()) == 0;
    git_tree_entry_free(in_head);
    struct stat st {};
    if (!head_has && (workdir == nullptr || ::lstat((std::string(workdir) + path).c_str(), &st) != 0))
      continue;
    paths.push_back(path);
  }
  if (!paths.empty()) {
    git_checkout_options back;
    git_checkout_options_init(&back, GIT_CHECKOUT_OPTIONS_VERSION);
    back.checkout_strategy =
        GIT_CHECKOUT_FORCE | GIT_CHECKOUT_DISABLE_PATHSPEC_MATCH | GIT_CHECKOUT_DONT_WRITE_INDEX;
    back.baseline = target;
    PathArray array(paths);
    back.paths = array.strarray();
    git_checkout_tree(repo, reinterpret_cast<git_object*>(head), &back);
  }
  if (!index_written) return;
  git_index_read(index.get(), 1);
  for (const SavedEntry& saved : plan.index) {
    if (saved.entry) {
      git_index_entry e = *saved.entry;
      e.path = saved.path.c_str();
      git_index_add(index.get(), &e);
    } else {
      git_index_remove(index.get(), saved.path.c_str(), 0);
    }
  }
  git_index_write(index.get());
}

// Writes the commit's tree to the index and work tree, keeping local changes
// that do not collide with it, and only then moves HEAD. A checkout that
// cannot finish leaves HEAD, index and files as they were: the locks it
// needs are found taken before any file is written, and whatever fails
// after that has its files put back.
std::expected<void, std::string> checkout_then_move_head(git_repository* repo, git_commit* target,
                                                         const std::function<int()>& move_head) {
  if (auto unlocked = IndexLock::refuse_if_held(repo); !unlocked) return unlocked;
  TreePtr head = head_tree(repo);
  if (!head) return git_failure();
  git_tree* target_raw = nullptr;
  if (git_commit_tree(&target_raw, target) != 0) return git_failure();
  TreePtr target_tree(target_raw);
  // HEAD stays locked while the files are written, so that no other git can
  // take it in between; a lock already there is refused in the library's
  // words.
  git_transaction* tx_raw = nullptr;
  if (git_transaction_new(&tx_raw, repo) != 0) return git_failure();
  TransactionPtr holding_head(tx_raw);
  if (git_transaction_lock_ref(holding_head.get(), "HEAD") != 0) return git_failure();
  auto plan = plan_checkout(repo, head.get(), target_tree.get());
  if (!plan) return git_failure();
  git_checkout_options opts = safe_checkout();
  // The library reports progress first when it begins to write, after its
  // checks: a checkout refused by them has nothing to put back.
  bool writing = false;
  opts.progress_payload = &writing;
  opts.progress_cb = [](const char*, size_t, size_t, void* payload) { *static_cast<bool*>(payload) = true; };
  if (git_checkout_tree(repo, reinterpret_cast<git_object*>(target), &opts) != 0) {
    std::string message = last_git_error();
    if (writing) put_back(repo, head.get(), target_tree.get(), *plan, false);
    return std::unexpected(message);
  }
  holding_head.reset();
  if (move_head() == 0) return {};
  // Refused by the library itself (the branch is checked out in another
  // work tree, say), or a lock taken since.
  std::string message = last_git_error();
  put_back(repo, head.get(), target_tree.get(), *plan, true);
  return std::unexpected(message);
}

std::expected<CommitPtr, std::string> find_commit(git_repository* repo, const git_oid& id) {
  git_commit* raw = nullptr;
  if (git_commit_lookup(&raw, repo, &id) != 0) return git_failure();
  return CommitPtr(raw);
}

std::expected<ReferencePtr, std::string> find_local_branch(git_repository* repo, const std::string& name) {
  git_reference* raw = nullptr;
  if (git_branch_lookup(&raw, repo, name.c_str(), GIT_BRANCH_LOCAL) != 0) return git_failure();
  return ReferencePtr(raw);
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
  auto commit = find_commit(repo->get(), oid);
  if (!commit) return std::unexpected(commit.error());
  return checkout_then_move_head(repo->get(), commit->get(),
                                 [&] { return git_repository_set_head_detached(repo->get(), &oid); });
}

std::expected<void, std::string> checkout_local_branch(const std::string& path, const std::string& name) {
  auto repo = open_repository(path);
  if (!repo) return std::unexpected(repo.error());
  // Only an existing local branch: HEAD must never be left on a branch that
  // does not exist.
  auto branch = find_local_branch(repo->get(), name);
  if (!branch) return std::unexpected(branch.error());
  git_object* commit_raw = nullptr;
  if (git_reference_peel(&commit_raw, branch->get(), GIT_OBJECT_COMMIT) != 0) return git_failure();
  ObjectPtr commit(commit_raw);
  const std::string refname = git_reference_name(branch->get());
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

// After a checkout that moved HEAD: the stopped operation ends and the
// repository is read again. A checkout refused changed nothing to read.
std::expected<void, std::string> after_checkout(Repo& repo, std::expected<void, std::string> done) {
  if (!done) return done;
  auto ended = end_stopped_operation(repo.path);
  repo.refresh();
  return ended;
}

}  // namespace

std::expected<void, std::string> Repo::checkout_sha(const Oid& id) {
  return after_checkout(*this, checkout_commit(path, id));
}

std::expected<void, std::string> Repo::checkout_branch(const std::string& branch_name) {
  return after_checkout(*this, checkout_local_branch(path, branch_name));
}

std::expected<void, std::string> Repo::create_branch(const std::string& branch_name, const Oid& id) {
  auto repo = open_repository(path);
  if (!repo) return std::unexpected(repo.error());
  auto commit = find_commit(repo->get(), to_git_oid(id));
  if (!commit) return std::unexpected(commit.error());
  git_reference* created = nullptr;
  if (git_branch_create(&created, repo->get(), branch_name.c_str(), commit->get(), 0) != 0) return git_failure();
  ReferencePtr owned(created);
  reload_branches(repo->get());
  return {};
}

std::expected<void, std::string> Repo::delete_branch(const std::string& branch_name, const Oid& tip) {
  auto repo = open_repository(path);
  if (!repo) return std::unexpected(repo.error());
  auto branch = find_local_branch(repo->get(), branch_name);
  if (!branch) return std::unexpected(branch.error());
  // The name may be the remote-tracking branch the user sees at the commit while a local branch
  // of the same name stands elsewhere: that one, and the commits only it holds, stay.
  git_reference* resolved_raw = nullptr;
  if (git_reference_resolve(&resolved_raw, branch->get()) != 0) return git_failure();
  const ReferencePtr resolved(resolved_raw);
  const git_oid* target = git_reference_target(resolved.get());
  if (target == nullptr || to_oid(target) != tip)
    return std::unexpected("local branch '" + branch_name + "' is not at " + tip.short_hex());
  if (git_branch_delete(branch->get()) != 0) return git_failure();
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
  for (const auto& remote_name : branches_at(path, GIT_BRANCH_REMOTE, id)) {
    if (remote_name.size() >= 5 && remote_name.ends_with("/HEAD")) continue;
    const auto slash = remote_name.find('/');
    if (slash == std::string::npos) continue;
    std::string candidate = remote_name.substr(slash + 1);
    if (!local.contains(candidate)) candidates.push_back(std::move(candidate));
  }
  return candidates;
}

}  // namespace repo
