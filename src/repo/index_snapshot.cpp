// Copying the index out and writing chosen paths of it back. A tree cannot
// stand in for it: the library refuses to write a tree from an index with
// conflicts, and a tree loses the staged versions that differ from HEAD.

#include <git2/sys/index.h>

#include <set>
#include <string_view>
#include <utility>

#include "repo/git_handle.hpp"
#include "repo/locked_index.hpp"
#include "repo/repo.hpp"

namespace repo {
namespace {

std::optional<std::string> optional_text(const char* text) {
  return text ? std::optional<std::string>(text) : std::nullopt;
}

const char* optional_pointer(const std::optional<std::string>& text) { return text ? text->c_str() : nullptr; }

IndexEntryCopy copy_entry(const git_index_entry& e) {
  IndexEntryCopy c;
  c.ctime_seconds = e.ctime.seconds;
  c.ctime_nanoseconds = e.ctime.nanoseconds;
  c.mtime_seconds = e.mtime.seconds;
  c.mtime_nanoseconds = e.mtime.nanoseconds;
  c.dev = e.dev;
  c.ino = e.ino;
  c.mode = e.mode;
  c.uid = e.uid;
  c.gid = e.gid;
  c.file_size = e.file_size;
  c.id = to_oid(&e.id);
  c.flags = e.flags;
  c.flags_extended = e.flags_extended;
  c.path = e.path;
  return c;
}

git_index_entry library_entry(const IndexEntryCopy& c) {
  git_index_entry e{};
  e.ctime.seconds = c.ctime_seconds;
  e.ctime.nanoseconds = c.ctime_nanoseconds;
  e.mtime.seconds = c.mtime_seconds;
  e.mtime.nanoseconds = c.mtime_nanoseconds;
  e.dev = c.dev;
  e.ino = c.ino;
  e.mode = c.mode;
  e.uid = c.uid;
  e.gid = c.gid;
  e.file_size = c.file_size;
  e.id = to_git_oid(c.id);
  e.flags = c.flags;
  e.flags_extended = c.flags_extended;
  e.path = c.path.c_str();
  return e;
}

// Whether changing the entries of these paths can have changed the entry:
// it is one of them, below one of them or a parent of one of them (a file
// staged where the index held a directory replaces what the directory held,
// and the other way round).
bool touches_any(std::string_view entry, const std::set<std::string>& paths) {
  for (std::size_t end = entry.size(); end != std::string_view::npos && end > 0; end = entry.rfind('/', end - 1))
    if (paths.contains(std::string(entry.substr(0, end)))) return true;
  // The paths below the entry sort right after its name and a slash.
  const std::string below = std::string(entry) + "/";
  const auto next = paths.lower_bound(below);
  return next != paths.end() && next->starts_with(below);
}

// git records an intent-to-add entry with the empty blob's id without
// writing that blob, and the library takes an entry only when its object
// exists.
bool holds_empty_blob(const IndexSnapshot& snapshot, const std::set<std::string>& paths) {
  static const Oid kEmptyBlob = *Oid::from_hex("e69de29bb2d1d6434b8b29ae775ad8c2e48c5391");
  for (const IndexEntryCopy& e : snapshot.entries)
    if (e.id == kEmptyBlob && touches_any(e.path, paths)) return true;
  return false;
}

std::expected<std::pair<RepoPtr, IndexPtr>, std::string> open_index_at(const std::string& path) {
  auto handle = open_repository(path);
  if (!handle) return std::unexpected(handle.error());
  auto index = open_index(handle->get());
  if (!index) return std::unexpected(index.error());
  return std::pair<RepoPtr, IndexPtr>(std::move(*handle), std::move(*index));
}

}  // namespace

std::expected<IndexSnapshot, std::string> Repo::snapshot_index() const {
  auto opened = open_index_at(path);
  if (!opened) return std::unexpected(opened.error());
  git_index* index = opened->second.get();
  IndexSnapshot snapshot;
  const std::size_t count = git_index_entrycount(index);
  snapshot.entries.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const git_index_entry* e = git_index_get_byindex(index, i);
    if (e == nullptr) return git_failure();
    snapshot.entries.push_back(copy_entry(*e));
  }
  for (std::size_t i = 0, n = git_index_reuc_entrycount(index); i < n; ++i) {
    const git_index_reuc_entry* r = git_index_reuc_get_byindex(index, i);
    if (r == nullptr) return git_failure();
    ResolveUndoCopy copy{.path = r->path};
    for (std::size_t side = 0; side < 3; ++side) {
      copy.modes[side] = r->mode[side];
      copy.ids[side] = to_oid(&r->oid[side]);
    }
    snapshot.resolve_undo.push_back(std::move(copy));
  }
  for (std::size_t i = 0, n = git_index_name_entrycount(index); i < n; ++i) {
    const git_index_name_entry* name_entry = git_index_name_get_byindex(index, i);
    if (name_entry == nullptr) return git_failure();
    snapshot.conflict_names.push_back(
        {optional_text(name_entry->ancestor), optional_text(name_entry->ours), optional_text(name_entry->theirs)});
  }
  return snapshot;
}

std::expected<void, std::string> Repo::restore_index(const IndexSnapshot& snapshot,
                                                     const std::set<std::string>& paths) const {
  auto handle = open_repository(path);
  if (!handle) return std::unexpected(handle.error());
  git_repository* repo = handle->get();
  auto locked = LockedIndex::take(repo);
  if (!locked) return std::unexpected(locked.error());
  git_index* index = locked->get();
  const auto put_back = [&](const char* p) { return p != nullptr && touches_any(p, paths); };

  // Only the copy in memory changes until the write at the end, so a
  // failure on the way leaves the index on disk as it was.
  std::vector<std::pair<std::string, int>> drop;
  for (std::size_t i = 0, n = git_index_entrycount(index); i < n; ++i) {
    const git_index_entry* e = git_index_get_byindex(index, i);
    if (e != nullptr && put_back(e->path)) drop.emplace_back(e->path, GIT_INDEX_ENTRY_STAGE(e));
  }
  for (const auto& [p, stage] : drop)
    if (git_index_remove(index, p.c_str(), stage) != 0) return git_failure();

  git_oid empty;
  if (holds_empty_blob(snapshot, paths) && git_blob_create_from_buffer(&empty, repo, "", 0) != 0)
    return git_failure();
  for (const IndexEntryCopy& copy : snapshot.entries) {
    if (!put_back(copy.path.c_str())) continue;
    const git_index_entry entry = library_entry(copy);
    if (git_index_add(index, &entry) != 0) return git_failure();
  }

  for (std::size_t i = git_index_reuc_entrycount(index); i-- > 0;) {
    const git_index_reuc_entry* r = git_index_reuc_get_byindex(index, i);
    if (r != nullptr && put_back(r->path) && git_index_reuc_remove(index, i) != 0) return git_failure();
  }
  for (const ResolveUndoCopy& copy : snapshot.resolve_undo) {
    if (!put_back(copy.path.c_str())) continue;
    git_oid ids[3];
    for (std::size_t side = 0; side < 3; ++side) ids[side] = to_git_oid(copy.ids[side]);
    if (git_index_reuc_add(index, copy.path.c_str(), static_cast<int>(copy.modes[0]), &ids[0],
                           static_cast<int>(copy.modes[1]), &ids[1], static_cast<int>(copy.modes[2]),
                           &ids[2]) != 0)
      return git_failure();
  }

  // The names of rename conflicts can only be cleared all at once: those of
  // other paths go back in as the index holds them.
  const auto names_path = [&](const ConflictNameCopy& c) {
    return put_back(optional_pointer(c.ancestor)) || put_back(optional_pointer(c.ours)) ||
           put_back(optional_pointer(c.theirs));
  };
  std::vector<ConflictNameCopy> names;
  for (std::size_t i = 0, n = git_index_name_entrycount(index); i < n; ++i) {
    const git_index_name_entry* name_entry = git_index_name_get_byindex(index, i);
    if (name_entry == nullptr) return git_failure();
    ConflictNameCopy copy{optional_text(name_entry->ancestor), optional_text(name_entry->ours), optional_text(name_entry->theirs)};
    if (!names_path(copy)) names.push_back(std::move(copy));
  }
  for (const ConflictNameCopy& copy : snapshot.conflict_names)
    if (names_path(copy)) names.push_back(copy);
  if (git_index_name_clear(index) != 0) return git_failure();
  for (const ConflictNameCopy& copy : names) {
    if (git_index_name_add(index, optional_pointer(copy.ancestor), optional_pointer(copy.ours),
                           optional_pointer(copy.theirs)) != 0)
      return git_failure();
  }
  return locked->commit();
}

}  // namespace repo
