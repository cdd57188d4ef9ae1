#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "repo/git_handle.hpp"
#include "repo/index_lock.hpp"
#include "repo/repo.hpp"
#include "repo/state_files.hpp"
#include "utils/text.hpp"

namespace repo {
namespace {

using Error = std::unexpected<std::string>;

bool is_intent_to_add(const git_index_entry* entry) {
  return (entry->flags_extended & GIT_INDEX_ENTRY_INTENT_TO_ADD) != 0;
}

// The id of the tree a commit of the index records, the tree object written.
// An intent-to-add entry (git add -N) holds no content yet: git records
// nothing for it, so it is left out here too, and stays in the index.
std::expected<git_oid, std::string> index_tree_id(git_repository* repo, git_index* index) {
  bool intent_to_add = false;
  const std::size_t count = git_index_entrycount(index);
  for (std::size_t i = 0; i < count && !intent_to_add; ++i)
    intent_to_add = is_intent_to_add(git_index_get_byindex(index, i));
  git_oid tree_id;
  // A conflicted index makes no tree at all; the library says so.
  if (!intent_to_add || git_index_has_conflicts(index)) {
    if (git_index_write_tree(&tree_id, index) != 0) return git_failure();
    return tree_id;
  }
  git_index* copy_raw = nullptr;
  if (git_index_new(&copy_raw) != 0) return git_failure();
  IndexPtr copy(copy_raw);
  for (std::size_t i = 0; i < count; ++i) {
    const git_index_entry* entry = git_index_get_byindex(index, i);
    if (!is_intent_to_add(entry) && git_index_add(copy.get(), entry) != 0) return git_failure();
  }
  if (git_index_write_tree_to(&tree_id, copy.get(), repo) != 0) return git_failure();
  return tree_id;
}

// The index written as a tree object; the index file itself is left alone.
std::expected<TreePtr, std::string> index_tree(git_repository* repo) {
  auto index = open_index(repo);
  if (!index) return Error(index.error());
  auto tree_id = index_tree_id(repo, index->get());
  if (!tree_id) return Error(tree_id.error());
  git_tree* tree = nullptr;
  if (git_tree_lookup(&tree, repo, &*tree_id) != 0) return git_failure();
  return TreePtr(tree);
}

constexpr const char* kEmptyTreeId = "4b825dc642cb6eb9a060e54bf8d69288fbee4904";

bool head_unborn(git_repository* repo) { return git_repository_head_unborn(repo) == 1; }

std::expected<CommitPtr, std::string> head_commit(git_repository* repo) {
  auto commit = peel_head_commit(repo);
  if (!commit) return git_failure();
  return std::move(*commit);
}

// The same, or none on an unborn branch.
std::expected<std::optional<CommitPtr>, std::string> head_commit_unless_unborn(git_repository* repo) {
  if (head_unborn(repo)) return std::optional<CommitPtr>();
  auto head = head_commit(repo);
  if (!head) return Error(head.error());
  return std::optional<CommitPtr>(std::move(*head));
}

// As git commit holds it: HEAD stays locked while the branch it names
// moves, so a commit is refused while another git rewrites HEAD (a checkout
// under way) rather than made beside it. A detached HEAD is locked by its
// own update.
std::expected<std::optional<TransactionPtr>, std::string> hold_head(git_repository* repo) {
  if (git_repository_head_detached(repo) == 1) return std::optional<TransactionPtr>();
  git_transaction* raw = nullptr;
  if (git_transaction_new(&raw, repo) != 0) return git_failure();
  TransactionPtr holding(raw);
  if (git_transaction_lock_ref(holding.get(), "HEAD") != 0) return git_failure();
  return std::optional<TransactionPtr>(std::move(holding));
}

bool merge_in_progress(git_repository* repo) {
  struct stat st;
  return ::lstat(state_file_path(repo, "MERGE_HEAD").c_str(), &st) == 0;
}

// The commits a stopped merge is bringing in, in MERGE_HEAD's order; none
// when no merge is stopped.
std::expected<std::vector<CommitPtr>, std::string> merge_heads(git_repository* repo) {
  std::vector<git_oid> ids;
  const int rc = git_repository_mergehead_foreach(
      repo,
      [](const git_oid* oid, void* payload) {
        static_cast<std::vector<git_oid>*>(payload)->push_back(*oid);
        return 0;
      },
      &ids);
  if (rc == GIT_ENOTFOUND) return std::vector<CommitPtr>{};
  if (rc != 0) return git_failure();
  std::vector<CommitPtr> commits;
  for (const git_oid& id : ids) {
    git_commit* c = nullptr;
    if (git_commit_lookup(&c, repo, &id) != 0) return git_failure();
    commits.emplace_back(c);
  }
  return commits;
}

}  // namespace

std::expected<Oid, std::string> Repo::commit(const std::string& message) const {
  auto repo = open_repository(path);
  if (!repo) return Error(repo.error());
  // As git commit holds it: no other git rewrites the index under the commit.
  auto lock = IndexLock::take(repo->get());
  if (!lock) return Error(lock.error());
  auto head_lock = hold_head(repo->get());
  if (!head_lock) return Error(head_lock.error());
  auto tree = index_tree(repo->get());
  if (!tree) return Error(tree.error());
  // On an unborn branch the commit is the branch's root.
  auto tip = head_commit_unless_unborn(repo->get());
  if (!tip) return Error(tip.error());
  git_signature* sig_raw = nullptr;
  if (git_signature_default(&sig_raw, repo->get()) != 0) return git_failure();
  SignaturePtr sig(sig_raw);
  auto merged = merge_heads(repo->get());
  if (!merged) return Error(merged.error());

  std::vector<const git_commit*> parents;
  if (*tip) parents.push_back((*tip)->get());
  for (const auto& c : *merged) parents.push_back(c.get());
  git_oid id;
  if (git_commit_create(&id, repo->get(), "HEAD", sig.get(), sig.get(), nullptr, message.c_str(), tree->get(),
                        parents.size(), parents.data()) != 0)
    return git_failure();
  // The commit ends a stopped merge, cherry-pick or revert: left behind,
  // their files would make the next commit a merge again. A stopped
  // rebase's own state stays.
  if (auto ended = remove_state_files(repo->get(), kCommitEndedStateFiles); !ended) {
    char short_id[8];
    git_oid_tostr(short_id, sizeof short_id, &id);
    return Error("committed " + std::string(short_id) + ", but " + ended.error());
  }
  return to_oid(&id);
}

std::expected<Oid, std::string> Repo::amend_commit(const std::string& message) const {
  auto repo = open_repository(path);
  if (!repo) return Error(repo.error());
  // Amending would drop the merge being concluded, as git refuses to.
  if (merge_in_progress(repo->get())) return Error("You are in the middle of a merge -- cannot amend.");
  auto lock = IndexLock::take(repo->get());
  if (!lock) return Error(lock.error());
  auto head_lock = hold_head(repo->get());
  if (!head_lock) return Error(head_lock.error());
  auto tree = index_tree(repo->get());
  if (!tree) return Error(tree.error());
  auto tip = head_commit(repo->get());
  if (!tip) return Error(tip.error());
  git_signature* committer_raw = nullptr;
  if (git_signature_default(&committer_raw, repo->get()) != 0) return git_failure();
  SignaturePtr committer(committer_raw);

  const git_signature* old_author = git_commit_author(tip->get());
  const std::string author_name = utils::utf8_or_empty(old_author ? old_author->name : nullptr);
  const std::string author_email = utils::utf8_or_empty(old_author ? old_author->email : nullptr);
  git_signature* author_raw = nullptr;
  if (git_signature_new(&author_raw, author_name.c_str(), author_email.c_str(), committer->when.time,
                        committer->when.offset) != 0)
    return git_failure();
  SignaturePtr author(author_raw);

  git_oid id;
  if (git_commit_amend(&id, tip->get(), "HEAD", author.get(), committer.get(), nullptr, message.c_str(),
                       tree->get()) != 0)
    return git_failure();
  return to_oid(&id);
}

std::expected<void, std::string> Repo::check_index_unlocked() const {
  auto repo = open_repository(path);
  if (!repo) return Error(repo.error());
  auto lock = IndexLock::take(repo->get());
  if (!lock) return Error(lock.error());
  return {};
}

std::expected<bool, std::string> Repo::has_staged_changes(bool amend) const {
  auto repo = open_repository(path);
  if (!repo) return Error(repo.error());
  auto index = open_index(repo->get());
  if (!index) return Error(index.error());
  auto tree_id = index_tree_id(repo->get(), index->get());
  if (!tree_id) return Error(tree_id.error());
  // What the commit would have as its parent's tree; none before the first
  // commit (and for a root commit's amend): the empty tree.
  auto tip = head_commit_unless_unborn(repo->get());
  if (!tip) return Error(tip.error());
  const std::optional<CommitPtr> tip_commit = std::move(*tip);
  const git_commit* base = tip_commit ? tip_commit->get() : nullptr;
  CommitPtr first_parent;
  if (base && amend) {
    git_commit* parent = nullptr;
    if (git_commit_parentcount(base) == 0) {
      base = nullptr;
    } else {
      if (git_commit_parent(&parent, base, 0) != 0) return git_failure();
      first_parent = CommitPtr(parent);
      base = first_parent.get();
    }
  }
  if (base) return !git_oid_equal(git_commit_tree_id(base), &*tree_id);
  git_oid empty;
  if (git_oid_fromstr(&empty, kEmptyTreeId) != 0) return git_failure();
  return !git_oid_equal(&empty, &*tree_id);
}

std::optional<std::string> Repo::head_message() const {
  auto repo = open_repository(path);
  if (!repo) return std::nullopt;
  auto tip = head_commit(repo->get());
  if (!tip) return std::nullopt;
  const char* message = git_commit_message(tip->get());
  if (message == nullptr || !utils::is_valid_utf8(message)) return std::nullopt;
  return std::string(message);
}

}  // namespace repo
