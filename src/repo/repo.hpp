#pragma once
// The repository object: the path, a display name and the loaded model (log,
// graph, branches, HEAD). It holds no library handle: every operation opens
// the repository afresh and closes it before returning.

#include <cstdint>
#include <expected>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "commit_graph/graph.hpp"
#include "repo/commit.hpp"
#include "repo/conflict_context.hpp"
#include "repo/diff.hpp"
#include "repo/index_snapshot.hpp"

struct git_repository;
struct git_diff;

namespace repo {

struct LogLoad {
  std::vector<Commit> commits;
  bool has_more = false;
  // Why the log stops short of the whole history when a commit of it could
  // not be read (a deleted or damaged object); the log then holds every
  // commit that could be read.
  std::optional<std::string> cut_short;
};

// What a load looked at before walking: the references the log starts from
// (full names, in name order, each with the id it resolves to), HEAD, the
// files that change which parents a commit has, and the limit. Commits never
// change, so two loads with equal keys give the same model.
struct LoadKey {
  std::vector<std::pair<std::string, Oid>> tips;
  HeadState head = HeadDetached{};
  std::string shallow;  // the contents of .git/shallow
  std::string grafts;   // the contents of .git/info/grafts
  std::optional<std::uint64_t> limit;
  friend bool operator==(const LoadKey&, const LoadKey&) = default;
};

// Everything one load replaces, made apart from the Repo so that another
// thread can build it.
struct LogModel {
  LogLoad log;
  commit_graph::Graph graph;
  BranchMap branches;
  HeadState head = HeadDetached{};
  LoadKey key;
  std::size_t longest_author = 0;  // in bytes
  std::vector<bool> head_history;  // see Repo::head_history
};

// Why the repository could not be opened, and the exit status it calls for.
struct OpenFailure {
  int exit_status;
  std::string message;
  // Lines to show after the message: how the repository can be opened after all.
  std::vector<std::string> hint = {};
};

class Repo {
 public:
  std::string path;     // exactly as given; every operation reopens it
  std::string name;     // display name
  std::string workdir;  // absolute work directory without a trailing "/"; empty when bare
  std::vector<Commit> commits;
  commit_graph::Graph graph;
  BranchMap branches;
  HeadState head = HeadDetached{};
  std::optional<std::uint64_t> limit;
  bool has_more = false;
  // Set when the last load could not read the whole history: what to tell
  // the user.
  std::optional<std::string> cut_short;
  // The longest author name of the log in bytes, kept by the loads so the
  // screen need not measure every commit on every frame; absent for a model
  // made by hand.
  std::optional<std::size_t> longest_author;
  // Goes up whenever any part of the model is replaced, by a load or by a
  // branch change, so a load begun before can tell it is out of date.
  std::uint64_t model_version = 0;
  // What the model was loaded from; absent when the last load was cut short
  // or the model was made otherwise.
  std::optional<LoadKey> load_key;
  // Per loaded commit: HEAD's commit or one of its ancestors (see
  // mark_head_history); empty when HEAD's commit is not loaded.
  std::vector<bool> head_history;

  // Opens and loads; on failure writes the message to standard error and
  // ends the process (status 1, or 101 when the walk cannot be set up).
  static Repo open_with_limit(const std::string& path, std::optional<std::uint64_t> limit);
  // The same without ending the process.
  static std::expected<Repo, OpenFailure> open(const std::string& path, std::optional<std::uint64_t> limit);

  // Reloads log, branches, HEAD and graph. A repository that cannot be
  // opened, or a log that cannot be walked, leaves the model as it was; so
  // does one whose references, HEAD, shallow and graft files and limit are
  // those of the last load, without walking again.
  void refresh();

  // The model at the path, or nothing when the repository cannot be opened
  // or walked, or when it is what `last` was loaded from. Opens its own
  // handle and touches no Repo, so any thread may call it.
  static std::optional<LogModel> load_model(const std::string& path, std::optional<std::uint64_t> limit,
                                            const std::optional<LoadKey>& last);
  // Replaces the model by a loaded one; gives back the model it replaced,
  // for the caller to drop where its freeing costs nothing (a long log's
  // takes a while).
  LogModel take(LogModel model);
  // Replaces the branch map alone.
  void reload_branches(git_repository* repo);

  // The walk set-up failures come back as a message with their prefix.
  static std::expected<LogLoad, std::string> get_commits(git_repository* repo,
                                                         std::optional<std::uint64_t> limit);
  static BranchMap get_branches(git_repository* repo);
  static HeadState get_head(git_repository* repo);

  // The commit HEAD stands on, from the loaded model; the all-zero id when
  // HEAD cannot be read or names a branch the map does not hold.
  Oid head_sha() const;
  // HEAD as the repository holds it now, not as last loaded; the library's
  // message when the repository cannot be opened.
  std::expected<HeadState, std::string> read_head() const;

  // Joins a repository-relative path to the work directory.
  std::string workdir_path(const std::string& relative) const;
  // Where git commands that act on the work tree run: the work directory,
  // since `path` may name the .git directory; `path` itself when bare.
  const std::string& work_command_dir() const { return workdir.empty() ? path : workdir; }

  // ---- Work-tree status and diffs (status.cpp, status_changes.cpp, status_diff.cpp) ----

  // The hunks of a diff with the numbers of their '+' and '-' lines.
  struct DiffHunks {
    std::vector<Hunk> hunks;
    std::size_t additions = 0;
    std::size_t deletions = 0;
    friend bool operator==(const DiffHunks&, const DiffHunks&) = default;
  };

  // The unstaged list (conflicted files, work tree against the index,
  // untracked files) and the staged list (index against HEAD, or in amend
  // mode against HEAD's first parent), each sorted by path bytes. Paths that
  // are not UTF-8 are left out. Absent when the repository or its status
  // cannot be read.
  std::optional<WorktreeStatus> load_worktree_status(bool amend) const;
  // Whether the status holds any entry with a UTF-8 path; false when it
  // cannot be read.
  bool has_changes() const;
  // The same, or why the status cannot be read (an unreadable index, say);
  // false for a bare repository, which has nothing to stage.
  std::expected<bool, std::string> look_for_changes() const;

  // One file's index changes against HEAD's tree, the empty tree before the
  // first commit (amend: against the tree of HEAD's first parent). Absent
  // when HEAD cannot be read (or, in amend mode, without a first parent) and
  // when the diff fails.
  static std::optional<DiffHunks> load_staged_hunks(git_repository* repo, const std::string& path,
                                                    bool amend);
  // Every hunk of every file of the diff that keeps at least one line.
  static DiffHunks extract_hunks_from_diff(git_diff* diff);
  // An untracked file as one hunk of added lines; nothing when it cannot be
  // read or is not UTF-8.
  DiffHunks load_untracked_file_as_diff(const std::string& path) const;
  // The staged list of amend mode: everything by which the index differs
  // from HEAD's first parent.
  static std::vector<WorktreeFile> load_amend_staged_files(git_repository* repo);

  // ---- Commits, amend and details (commits.cpp, commit_hooks.cpp, details.cpp) ----

  // Records the index as a commit on HEAD with the configured signature; on
  // an unborn branch, as the branch's root commit. Intent-to-add entries are
  // not recorded. During a stopped merge the merged commits become further
  // parents and the merge state is cleared. Refused while the index or
  // HEAD is locked, as git refuses.
  std::expected<Oid, std::string> commit(const std::string& message) const;
  // Replaces HEAD's commit: same parents and author name, the index's tree,
  // the new message, author and committer time now. Refused during a merge,
  // and while the index or HEAD is locked.
  std::expected<Oid, std::string> amend_commit(const std::string& message) const;
  // HEAD's full message; absent on any failure.
  std::optional<std::string> head_message() const;
  // Whether a commit now would record a change: the index, intent-to-add
  // entries left out, against HEAD's tree (the empty tree before the first
  // commit), in amend mode against the tree of HEAD's first parent. Writes
  // the index's tree objects, as a commit would.
  std::expected<bool, std::string> has_staged_changes(bool amend) const;
  // Fails, in the library's words, while the index is locked (another git
  // is writing it), as a commit would; takes the lock and lets it go.
  std::expected<void, std::string> check_index_unlocked() const;
  // Whether a commit must be made by git itself: the hooks directory
  // (core.hooksPath, else the git directory's hooks) holds an executable
  // pre-commit, prepare-commit-msg or commit-msg hook, or commit.gpgsign is
  // set.
  bool commit_needs_git() const;
  // Whether a stopped merge, cherry-pick or revert waits for the next commit
  // to end it: MERGE_HEAD, CHERRY_PICK_HEAD or REVERT_HEAD in the git
  // directory.
  bool commit_ends_operation() const;
  // The message git prepared for the next commit: MERGE_MSG, which a stopped
  // merge, cherry-pick or revert writes, after SQUASH_MSG of a squash merge
  // when that is there too, else SQUASH_MSG alone; absent when there is
  // none (one that is not UTF-8 counts as none).
  std::optional<std::string> prepared_commit_message() const;
  // The commit against its first parent (or the empty tree): every file with
  // its hunks. Absent when the commit, its tree or the diff cannot be read.
  std::optional<CommitDetails> load_commit_details(const Oid& id) const;

  // ---- Remote and ancestry queries (remote.cpp) ----

  // Whether a remote named "origin" exists.
  bool has_remote() const;
  // The commit's web page on the service hosting "origin"; absent for URLs
  // other than "git@host:path" and "https://host/path".
  std::optional<std::string> commit_url(const Oid& id) const;
  // "gitlab", "bitbucket" or "github" for the host of "origin".
  std::optional<std::string> remote_host_name() const;
  // Whether the commit is HEAD's commit or one of its ancestors.
  bool is_ancestor_of_head(const Oid& id) const;
  // The same for the loaded commit at the position, from the marks of the
  // load where they serve, else asked of the repository.
  bool is_ancestor_of_head_at(std::size_t position) const;
  // Whether a branch whose name holds a "/" has its tip in the log at or
  // above the position. Compares log positions, not reachability.
  bool commit_is_on_remote(std::size_t position) const;

  // ---- Staging, unstaging and discarding (staging.cpp) ----

  // The path's bytes in the index (stage 0), else in HEAD's tree, else the
  // empty text.
  static std::expected<std::string, std::string> get_index_content(git_repository* repo,
                                                                   const std::string& path);
  // The index entry follows the work-tree entry (a link is staged as a link,
  // dangling or not), or is removed when the entry is gone.
  std::expected<void, std::string> stage_file(const std::string& path) const;
  // The index entry goes back to that of HEAD's tree (amend: of the tree of
  // HEAD's first parent), or is removed when that tree has none, as it is
  // before the first commit.
  std::expected<void, std::string> unstage_file(const std::string& path, bool amend) const;
  // Applies a hunk of the work-tree changes to the index version, keeping
  // the entry's mode. A file the index does not hold is staged whole from
  // the work tree; the last lines of a deleted file stage its deletion.
  std::expected<void, std::string> stage_hunk(const std::string& path, const Hunk& hunk) const;
  // Takes a hunk of the index changes back out of the index version; in
  // amend mode the hunk is one of the changes against HEAD's first parent.
  // The entry keeps its mode; a path the index does not hold takes the
  // base's.
  std::expected<void, std::string> unstage_hunk(const std::string& path, const Hunk& hunk, bool amend) const;
  // untracked: removes that one work-tree entry; otherwise restores the
  // file from the index with git.
  std::expected<void, std::string> discard_file(const std::string& path, bool untracked) const;
  // Takes a hunk of the work-tree changes back out of the work-tree file; a
  // link is replaced by a new link, a deleted file is brought back.
  std::expected<void, std::string> discard_hunk(const std::string& path, const Hunk& hunk) const;
  // Replaces the whole index by HEAD's tree.
  std::expected<void, std::string> reset_index_to_head() const;

  // ---- Index snapshots (index_snapshot.cpp) ----

  // Every entry of the index as it is on disk, conflict stages included.
  std::expected<IndexSnapshot, std::string> snapshot_index() const;
  // Puts back the snapshot's entries of these paths exactly as they were
  // (removing those it had none of), with what it recorded of their
  // conflicts; entries above or below such a path count as its own. Every
  // other entry stays as the index holds it. Nothing is written when any of
  // them cannot be put back.
  std::expected<void, std::string> restore_index(const IndexSnapshot& snapshot,
                                                 const std::set<std::string>& paths) const;

  // ---- Conflicts (conflicts.cpp) ----

  // Which operation stopped on conflicts and labels for its two sides, from
  // the state files in the work tree's ".git" and the loaded branches and
  // HEAD. Opens no repository and cannot fail.
  ConflictContext detect_conflict_context() const;
  // Whether a rebase is stopped in the repository's git directory, whichever
  // backend git used; false when the repository cannot be opened.
  bool rebase_in_progress() const;
  // Replaces conflict block number section (counted from 0 in file order) of
  // the work-tree file by its ours or theirs lines. Every other byte, other
  // blocks and unclosed ones included, is written back as it was.
  std::expected<void, std::string> resolve_conflict(const std::string& path, std::size_t section,
                                                    bool use_ours) const;

  // The number of complete conflict blocks the work-tree file holds now; 0
  // when it is no regular file or cannot be read.
  std::size_t conflict_blocks_left(const std::string& path) const;

  // ---- Branches and checkout (branches.cpp) ----

  // Checkouts write the commit's tree first, keeping unrelated local
  // changes, and move HEAD only when that worked: a checkout that would
  // overwrite local changes changes nothing. Success reloads the model.
  std::expected<void, std::string> checkout_sha(const Oid& id);
  std::expected<void, std::string> checkout_branch(const std::string& name);
  // These reload only the branch map.
  std::expected<void, std::string> create_branch(const std::string& name, const Oid& id);
  // Deletes the local branch refs/heads/NAME, and only when its own tip is
  // the commit: a local branch elsewhere is refused, not deleted.
  std::expected<void, std::string> delete_branch(const std::string& name, const Oid& tip);
  // Local branches whose tip is the commit, in the library's order.
  std::vector<std::string> local_branches_at(const Oid& id) const;
  // Names a new local branch could take from the remote-tracking branches at
  // the commit: the remote's name cut off, loaded local names left out.
  std::vector<std::string> new_branch_name_candidates_at(const Oid& id) const;
};

}  // namespace repo
