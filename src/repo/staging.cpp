// Staging, unstaging and discarding whole files and single hunks. Hunks are
// applied to the bytes of the index or work-tree version, so whatever lies
// outside the hunk (CRs, invalid UTF-8, a missing final line feed) stays as
// it was, and every index entry keeps its mode.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "repo/file_lines.hpp"
#include "repo/git_cli.hpp"
#include "repo/git_handle.hpp"
#include "repo/hunk_apply.hpp"
#include "repo/locked_index.hpp"
#include "repo/repo.hpp"
#include "utils/text.hpp"
#include "repo/worktree_write.hpp"

namespace repo {
namespace {

using TreeEntryPtr = GitPtr<git_tree_entry, git_tree_entry_free>;

constexpr unsigned kRegularMode = 0100644;
constexpr unsigned kExecutableMode = 0100755;
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";
constexpr std::string_view kTypeChanged = "file type changed; act on the whole file";
constexpr std::string_view kNotUtf8 = "file is not valid UTF-8";

// A directory, FIFO or device where a file should be.
std::unexpected<std::string> unreadable(const WorktreeEntry& entry) {
  return utils::os_failure("failed to read file: ", S_ISDIR(entry.mode) ? EISDIR : EINVAL);
}

enum class FileType { Regular, Link, Other };

FileType type_of_mode(unsigned mode) {
  switch (mode & S_IFMT) {
    case S_IFREG:
      return FileType::Regular;
    case S_IFLNK:
      return FileType::Link;
    default:
      return FileType::Other;
  }
}

std::optional<FileType> type_of_entry(const WorktreeEntry& entry) {
  switch (entry.kind) {
    case EntryKind::Regular:
      return FileType::Regular;
    case EntryKind::Link:
      return FileType::Link;
    case EntryKind::Other:
      return FileType::Other;
    case EntryKind::Missing:
      break;
  }
  return std::nullopt;
}

// A blob's bytes and the mode it is recorded with.
struct StoredFile {
  std::string bytes;
  unsigned mode = kRegularMode;
};

std::expected<std::string, std::string> blob_bytes(git_repository* repo, const git_oid* id) {
  git_blob* raw = nullptr;
  if (git_blob_lookup(&raw, repo, id) != 0) return git_failure();
  BlobPtr blob(raw);
  const auto* data = static_cast<const char*>(git_blob_rawcontent(blob.get()));
  return std::string(data, static_cast<std::size_t>(git_blob_rawsize(blob.get())));
}

// The path's stage-0 entry; absent when the index has none.
std::expected<std::optional<StoredFile>, std::string> index_file(git_repository* repo, git_index* index,
                                                                 const std::string& path) {
  const git_index_entry* entry = git_index_get_bypath(index, path.c_str(), 0);
  if (entry == nullptr) return std::optional<StoredFile>();
  auto bytes = blob_bytes(repo, &entry->id);
  if (!bytes) return std::unexpected(bytes.error());
  return StoredFile{std::move(*bytes), entry->mode};
}

// The commit the staged changes are measured from: HEAD's, or in amend mode
// HEAD's first parent; none on an unborn branch, where they are measured
// from the empty tree. The library's message when there is none to amend
// (an unborn branch or a root commit in amend mode).
std::expected<std::optional<CommitPtr>, std::string> staged_base_commit(git_repository* repo, bool amend) {
  if (!amend && git_repository_head_unborn(repo) == 1) return std::optional<CommitPtr>();
  auto head = peel_head_commit(repo);
  if (!head) return git_failure();
  if (!amend) return std::optional<CommitPtr>(std::move(*head));
  git_commit* parent = nullptr;
  if (git_commit_parent(&parent, head->get(), 0) != 0) return git_failure();
  return std::optional<CommitPtr>(CommitPtr(parent));
}

// The path's entry in the commit's tree; absent when the tree holds no file
// there. A directory at the path is no file of it.
std::expected<std::optional<StoredFile>, std::string> file_in_commit(git_repository* repo, git_commit* commit,
                                                                     const std::string& path) {
  git_tree* tree_raw = nullptr;
  if (git_commit_tree(&tree_raw, commit) != 0) return git_failure();
  TreePtr tree(tree_raw);
  git_tree_entry* entry_raw = nullptr;
  if (const int rc = git_tree_entry_bypath(&entry_raw, tree.get(), path.c_str()); rc != 0) {
    if (rc != GIT_ENOTFOUND) return git_failure();
    git_error_clear();
    return std::optional<StoredFile>();
  }
  TreeEntryPtr entry(entry_raw);
  const git_object_t type = git_tree_entry_type(entry.get());
  if (type == GIT_OBJECT_TREE) return std::optional<StoredFile>();
  if (type != GIT_OBJECT_BLOB) return StoredFile{{}, git_tree_entry_filemode(entry.get())};
  auto bytes = blob_bytes(repo, git_tree_entry_id(entry.get()));
  if (!bytes) return std::unexpected(bytes.error());
  return StoredFile{std::move(*bytes), git_tree_entry_filemode(entry.get())};
}

// The work-tree entry of the path; a path whose parent is gone, or is no
// longer a directory, names a missing entry, as git sees it.
std::expected<WorktreeEntry, int> worktree_entry(const std::string& workdir, const std::string& path) {
  auto full = checked_worktree_path(workdir, path);
  if (!full) {
    if (full.error() == ENOENT || full.error() == ENOTDIR) return WorktreeEntry{};
    return std::unexpected(full.error());
  }
  return read_worktree_entry_at(*full);
}

// Lines that the diff decoded lossily come with U+FFFD in them; writing
// them would replace the bytes the user has.
bool writes_replacement_character(const Hunk& hunk) {
  for (const auto& line : hunk.lines)
    if (line.origin == '+' && line.content.find(kReplacementCharacter) != std::string::npos) return true;
  return false;
}

// Whether the hunk is the whole of a new file's text, as the status lists
// show an untracked file: every line added, line endings dropped.
bool is_whole_file(const Hunk& hunk, std::string_view bytes) {
  const auto lines = split_file_lines(bytes);
  if (lines.size() != hunk.lines.size()) return false;
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (hunk.lines[i].origin != '+' || hunk.lines[i].content != lines[i].text) return false;
  return true;
}

// An entry written without looking at the work tree. Its stat data, the
// size included, stays 0 as git leaves it for such entries: a recorded size
// that differs from the file's (a CRLF or keyword-expanded copy) would have
// git and the library take the file as changed without ever reading it.
std::expected<void, std::string> add_unstatted_entry(git_index* index, const std::string& path,
                                                     const git_oid& id, unsigned mode) {
  git_index_entry entry{};
  entry.mode = mode;
  entry.id = id;
  entry.path = path.c_str();
  if (git_index_add(index, &entry) != 0) return git_failure();
  return {};
}

std::expected<void, std::string> add_index_entry(git_repository* repo, git_index* index,
                                                 const std::string& path, std::string_view bytes,
                                                 unsigned mode) {
  git_oid id;
  if (git_blob_create_from_buffer(&id, repo, bytes.data(), bytes.size()) != 0) return git_failure();
  return add_unstatted_entry(index, path, id, mode);
}

// The ending a checkout gives the lines of this path: CRLF when its
// conversion writes them so.
LineEnding checkout_line_ending(git_repository* repo, const std::string& path) {
  git_filter_list* raw = nullptr;
  if (git_filter_list_load(&raw, repo, nullptr, path.c_str(), GIT_FILTER_TO_WORKTREE, GIT_FILTER_DEFAULT) != 0) {
    git_error_clear();
    return LineEnding::Lf;
  }
  FilterListPtr filters(raw);
  GitBuf out;
  if (!filters || git_filter_list_apply_to_buffer(&out.buf, filters.get(), "\n", 1) != 0) {
    git_error_clear();
    return LineEnding::Lf;
  }
  return out.view() == "\r\n" ? LineEnding::Crlf : LineEnding::Lf;
}

// Applies a hunk of the work-tree diff to the work-tree copy. Under a
// line-ending conversion the diff shows the stored form, LF, while the copy
// may hold CRLF: the hunk then matches the copy's lines without their CRs,
// and the lines it puts back end as the copy's lines mostly do (as a
// checkout would write them when no line of the copy tells).
std::expected<std::string, std::string> apply_to_copy(git_repository* repo, const std::string& path,
                                                      std::string_view copy, const Hunk& hunk) {
  git_filter_list* raw = nullptr;
  if (git_filter_list_load(&raw, repo, nullptr, path.c_str(), GIT_FILTER_TO_ODB, GIT_FILTER_DEFAULT) != 0) {
    git_error_clear();
    raw = nullptr;
  }
  FilterListPtr filters(raw);
  if (!filters || git_filter_list_contains(filters.get(), "crlf") == 0) return apply_hunk_to_content(copy, hunk);
  const LineEnding added = prevailing_line_ending(copy).value_or(checkout_line_ending(repo, path));
  return apply_hunk_to_converted_copy(copy, hunk, added);
}

// A repository opened to read one file's index entry: its index (an
// IndexPtr to read, a LockedIndex to change the entry) and that entry's
// content, when the index holds one.
template <class Index>
struct FileInIndex {
  RepoPtr repo;
  Index index;
  std::optional<StoredFile> stored;
};

template <class Index>
std::expected<FileInIndex<Index>, std::string> open_file_in_index(
    const std::string& path, const std::string& file,
    std::expected<Index, std::string> (*open)(git_repository*)) {
  auto handle = open_repository(path);
  if (!handle) return std::unexpected(handle.error());
  auto index = open(handle->get());
  if (!index) return std::unexpected(index.error());
  auto stored = index_file(handle->get(), index->get(), file);
  if (!stored) return std::unexpected(stored.error());
  return FileInIndex<Index>{std::move(*handle), std::move(*index), std::move(*stored)};
}

std::expected<FileInIndex<IndexPtr>, std::string> open_indexed_file(const std::string& path,
                                                                    const std::string& file) {
  return open_file_in_index<IndexPtr>(path, file, open_index);
}

std::expected<FileInIndex<LockedIndex>, std::string> lock_indexed_file(const std::string& path,
                                                                       const std::string& file) {
  return open_file_in_index<LockedIndex>(path, file, LockedIndex::take);
}

}  // namespace

std::expected<std::string, std::string> Repo::get_index_content(git_repository* repo,
                                                                const std::string& path) {
  auto index = open_index(repo);
  if (!index) return std::unexpected(index.error());
  auto stored = index_file(repo, index->get(), path);
  if (!stored) return std::unexpected(stored.error());
  if (*stored) return std::move((*stored)->bytes);
  auto head = peel_head_commit(repo);
  if (!head) return std::string();
  auto committed = file_in_commit(repo, head->get(), path);
  if (!committed) return std::unexpected(committed.error());
  return *committed ? std::move((*committed)->bytes) : std::string();
}

std::expected<void, std::string> Repo::stage_file(const std::string& file) const {
  auto handle = open_repository(path);
  if (!handle) return std::unexpected(handle.error());
  auto index = LockedIndex::take(handle->get());
  if (!index) return std::unexpected(index.error());
  // lstat: a dangling link is a link to stage, not a deleted file. Only a
  // path that is surely gone removes the entry.
  bool gone = false;
  if (auto full = checked_worktree_path(workdir, file)) {
    struct stat st {};
    gone = ::lstat(full->c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
  } else {
    gone = full.error() == ENOENT || full.error() == ENOTDIR;
  }
  const int rc = gone ? git_index_remove_bypath(index->get(), file.c_str())
                      : git_index_add_bypath(index->get(), file.c_str());
  if (rc != 0) return git_failure();
  return index->commit();
}

std::expected<void, std::string> Repo::unstage_file(const std::string& file, bool amend) const {
  auto handle = open_repository(path);
  if (!handle) return std::unexpected(handle.error());
  git_repository* repo = handle->get();
  auto commit = staged_base_commit(repo, amend);
  if (!commit) return std::unexpected(commit.error());
  auto index = LockedIndex::take(repo);
  if (!index) return std::unexpected(index.error());
  // Before the first commit nothing is in the base: the entry goes, as with
  // git rm --cached.
  if (!*commit) {
    if (git_index_remove_bypath(index->get(), file.c_str()) != 0) return git_failure();
    return index->commit();
  }
  git_tree* tree_raw = nullptr;
  if (git_commit_tree(&tree_raw, (*commit)->get()) != 0) return git_failure();
  TreePtr tree(tree_raw);

  git_tree_entry* entry_raw = nullptr;
  const int found = git_tree_entry_bypath(&entry_raw, tree.get(), file.c_str());
  if (found != 0 && found != GIT_ENOTFOUND) return git_failure();
  TreeEntryPtr tree_entry(entry_raw);
  // A directory there holds other paths, not this file: it is not in the base.
  if (found == GIT_ENOTFOUND || git_tree_entry_type(tree_entry.get()) == GIT_OBJECT_TREE) {
    if (git_index_remove_bypath(index->get(), file.c_str()) != 0) return git_failure();
    return index->commit();
  }
  auto added = add_unstatted_entry(index->get(), file, *git_tree_entry_id(tree_entry.get()),
                                   git_tree_entry_filemode(tree_entry.get()));
  if (!added) return added;
  return index->commit();
}

std::expected<void, std::string> Repo::stage_hunk(const std::string& file, const Hunk& hunk) const {
  auto opened = lock_indexed_file(path, file);
  if (!opened) return std::unexpected(opened.error());
  git_repository* repo = opened->repo.get();
  git_index* index = opened->index.get();
  const std::optional<StoredFile>& stored = opened->stored;
  auto work = worktree_entry(workdir, file);
  if (!work) return utils::os_failure("failed to read file: ", work.error());

  if (!stored) {
    // A file the index does not hold (untracked, or only in HEAD) shows as
    // one hunk of all its lines with their endings dropped: stage the file
    // itself, as git add does, so its CRs, a missing final line feed, a
    // link or an executable bit survive.
    if (work->kind == EntryKind::Missing) return utils::os_failure("failed to read file: ", ENOENT);
    if (work->kind == EntryKind::Other) return unreadable(*work);
    if (!is_whole_file(hunk, work->bytes)) return std::unexpected(std::string(kHunkLocationError));
    if (git_index_add_bypath(index, file.c_str()) != 0) return git_failure();
    return opened->index.commit();
  }

  const StoredFile& current = *stored;
  const auto work_type = type_of_entry(*work);
  if (type_of_mode(current.mode) == FileType::Other ||
      (work_type && *work_type != type_of_mode(current.mode)))
    return std::unexpected(std::string(kTypeChanged));
  if (writes_replacement_character(hunk) && !utils::is_valid_utf8(work->bytes))
    return std::unexpected(std::string(kNotUtf8));
  auto text = apply_hunk_to_content(current.bytes, hunk);
  if (!text) return std::unexpected(text.error());
  // The last lines of a file deleted from the work tree: stage the deletion.
  if (text->empty() && work->kind == EntryKind::Missing) {
    if (git_index_remove_bypath(index, file.c_str()) != 0) return git_failure();
  } else if (auto added = add_index_entry(repo, index, file, *text, current.mode); !added) {
    return added;
  }
  return opened->index.commit();
}

std::expected<void, std::string> Repo::unstage_hunk(const std::string& file, const Hunk& hunk,
                                                    bool amend) const {
  auto opened = lock_indexed_file(path, file);
  if (!opened) return std::unexpected(opened.error());
  git_repository* repo = opened->repo.get();
  git_index* index = opened->index.get();
  const std::optional<StoredFile>& stored = opened->stored;
  // The staged hunks are the index's changes against this commit: unstaging
  // one takes its lines back to the commit's. A staged mode change is no
  // part of any hunk and stays, as git reset -p asks about it apart.
  auto commit = staged_base_commit(repo, amend);
  if (!commit) return std::unexpected(commit.error());
  std::optional<StoredFile> base;
  if (*commit) {
    auto in_base = file_in_commit(repo, (*commit)->get(), file);
    if (!in_base) return std::unexpected(in_base.error());
    base = std::move(*in_base);
  }
  const Hunk reversed = reverse_hunk(hunk);

  if (stored) {
    const FileType type = type_of_mode(stored->mode);
    if (type == FileType::Other || (base && type_of_mode(base->mode) != type))
      return std::unexpected(std::string(kTypeChanged));
  }
  if (writes_replacement_character(reversed) && base && !utils::is_valid_utf8(base->bytes))
    return std::unexpected(std::string(kNotUtf8));
  // A file the index does not hold has no text there: its staged deletion
  // is undone from the empty text, never by adding the base's lines to the
  // base's.
  auto text =
      apply_hunk_to_content(stored ? std::string_view(stored->bytes) : std::string_view(), reversed);
  if (!text) return std::unexpected(text.error());
  // Every line of a file the base does not hold taken out again: it is no
  // longer added.
  if (text->empty() && !base) {
    if (git_index_remove_bypath(index, file.c_str()) != 0) return git_failure();
    return opened->index.commit();
  }
  const unsigned mode = stored ? stored->mode : base ? base->mode : kRegularMode;
  if (auto added = add_index_entry(repo, index, file, *text, mode); !added) return added;
  return opened->index.commit();
}

std::expected<void, std::string> Repo::discard_file(const std::string& file, bool untracked) const {
  if (!untracked) return discard_tracked_file(work_command_dir(), file);
  // The entry itself: a link goes, not what it points at; a directory is
  // never removed with what it holds.
  auto full = checked_worktree_path(workdir, file);
  if (!full) return utils::os_failure("failed to delete file: ", full.error());
  if (::unlink(full->c_str()) != 0) return utils::os_failure("failed to delete file: ", errno);
  return {};
}

std::expected<void, std::string> Repo::discard_hunk(const std::string& file, const Hunk& hunk) const {
  auto work = worktree_entry(workdir, file);
  if (!work) return utils::os_failure("failed to read file: ", work.error());
  if (work->kind == EntryKind::Other) return unreadable(*work);

  // The index tells the mode of a file to bring back and whether the hunk
  // crosses a change of file type; it is only read.
  auto opened = open_indexed_file(path, file);
  if (!opened) return std::unexpected(opened.error());
  const std::optional<StoredFile>& stored = opened->stored;
  if (stored) {
    const FileType type = type_of_mode(stored->mode);
    const auto work_type = type_of_entry(*work);
    if (type == FileType::Other || (work_type && *work_type != type))
      return std::unexpected(std::string(kTypeChanged));
  } else if (work->kind == EntryKind::Missing) {
    return utils::os_failure("failed to read file: ", ENOENT);
  }

  const Hunk reversed = reverse_hunk(hunk);
  if (writes_replacement_character(reversed) && (!stored || !utils::is_valid_utf8(stored->bytes)))
    return std::unexpected(std::string(kNotUtf8));
  const bool missing = work->kind == EntryKind::Missing;
  const bool link = missing ? type_of_mode(stored->mode) == FileType::Link : work->kind == EntryKind::Link;
  // A link's target is no text a conversion touches.
  auto text = link ? apply_hunk_to_content(work->bytes, reversed)
                   : apply_to_copy(opened->repo.get(), file, work->bytes, reversed);
  if (!text) return std::unexpected(text.error());

  auto full = checked_worktree_path(workdir, file, missing);
  if (!full) return utils::os_failure("failed to write file: ", full.error());
  // A link is replaced, never written through.
  const std::string scratch = git_repository_path(opened->repo.get());
  auto written = link ? write_worktree_link(*full, scratch, *text)
                 : missing ? write_worktree_file(*full, scratch, *text, std::nullopt,
                                                 stored->mode == kExecutableMode)
                           : write_worktree_file(*full, scratch, *text, work->mode & 07777);
  if (!written) return utils::os_failure("failed to write file: ", written.error());
  return {};
}

std::expected<void, std::string> Repo::reset_index_to_head() const {
  auto handle = open_repository(path);
  if (!handle) return std::unexpected(handle.error());
  git_repository* repo = handle->get();
  auto tree = peel_head_tree(repo);
  if (!tree) return git_failure();
  auto index = LockedIndex::take(repo);
  if (!index) return std::unexpected(index.error());
  if (git_index_read_tree(index->get(), tree->get()) != 0) return git_failure();
  return index->commit();
}

}  // namespace repo
