// The status lists of the staging view: which files changed in the work tree
// and in the index, each with its hunks or, when conflicted, its sections.

#include <algorithm>
#include <iterator>
#include <optional>
#include <set>

#include "repo/conflict_markers.hpp"
#include "repo/filter_drivers.hpp"
#include "repo/git_handle.hpp"
#include "repo/repo.hpp"
#include "repo/status_diff.hpp"
#include "repo/status_split.hpp"
#include "repo/worktree_file.hpp"
#include "utils/text.hpp"

namespace repo {
namespace {

constexpr unsigned kStatusFlags = GIT_STATUS_OPT_INCLUDE_UNTRACKED | GIT_STATUS_OPT_RECURSE_UNTRACKED_DIRS |
                                  GIT_STATUS_OPT_EXCLUDE_SUBMODULES;

constexpr unsigned kWorktreeBits = GIT_STATUS_WT_NEW | GIT_STATUS_WT_MODIFIED | GIT_STATUS_WT_DELETED |
                                   GIT_STATUS_WT_TYPECHANGE | GIT_STATUS_WT_RENAMED;
constexpr unsigned kIndexBits = GIT_STATUS_INDEX_NEW | GIT_STATUS_INDEX_MODIFIED | GIT_STATUS_INDEX_DELETED |
                                GIT_STATUS_INDEX_RENAMED | GIT_STATUS_INDEX_TYPECHANGE;

// The status list, restricted to exactly these paths when given (never an
// empty list: no pathspec at all means every path).
StatusListPtr read_status(git_repository* repo, const std::vector<std::string>* paths = nullptr) {
  git_status_options options = GIT_STATUS_OPTIONS_INIT;
  options.flags = kStatusFlags;
  std::optional<PathArray> specs;
  if (paths != nullptr) {
    specs.emplace(*paths);
    options.flags |= GIT_STATUS_OPT_DISABLE_PATHSPEC_MATCH;
    options.pathspec = specs->strarray();
  }
  git_status_list* raw = nullptr;
  if (git_status_list_new(&raw, repo, &options) != 0) return nullptr;
  return StatusListPtr(raw);
}

// The entry's path when it is valid UTF-8. Any other path is left out: an
// empty or altered path would aim later writes at the wrong file, or at the
// work directory itself.
std::optional<std::string> entry_path(const git_status_entry& entry) {
  for (const git_diff_delta* delta : {entry.index_to_workdir, entry.head_to_index}) {
    if (delta == nullptr) continue;
    const char* p = delta->new_file.path ? delta->new_file.path : delta->old_file.path;
    if (p == nullptr) continue;
    if (!utils::is_valid_utf8(p)) return std::nullopt;
    return std::string(p);
  }
  return std::nullopt;
}

ChangeKind worktree_kind(unsigned status) {
  if (status & GIT_STATUS_WT_NEW) return ChangeKind::Untracked;
  if (status & GIT_STATUS_WT_MODIFIED) return ChangeKind::Modified;
  if (status & GIT_STATUS_WT_DELETED) return ChangeKind::Deleted;
  if (status & GIT_STATUS_WT_RENAMED) return ChangeKind::Renamed;
  return ChangeKind::TypeChange;
}

ChangeKind index_kind(unsigned status) {
  if (status & GIT_STATUS_INDEX_NEW) return ChangeKind::Added;
  if (status & GIT_STATUS_INDEX_MODIFIED) return ChangeKind::Modified;
  if (status & GIT_STATUS_INDEX_DELETED) return ChangeKind::Deleted;
  if (status & GIT_STATUS_INDEX_RENAMED) return ChangeKind::Renamed;
  return ChangeKind::TypeChange;
}

ChangeKind delta_kind(git_delta_t status) {
  switch (status) {
    case GIT_DELTA_ADDED:
      return ChangeKind::Added;
    case GIT_DELTA_DELETED:
      return ChangeKind::Deleted;
    case GIT_DELTA_RENAMED:
      return ChangeKind::Renamed;
    case GIT_DELTA_TYPECHANGE:
      return ChangeKind::TypeChange;
    default:
      return ChangeKind::Modified;
  }
}

void sort_by_path(std::vector<WorktreeFile>& files) {
  // std::string compares as unsigned bytes: "B" before "a", "a/b" before "ab".
  std::stable_sort(files.begin(), files.end(),
                   [](const WorktreeFile& a, const WorktreeFile& b) { return a.path < b.path; });
}

WorktreeFile with_hunks(std::string path, ChangeKind kind, Repo::DiffHunks hunks, bool staged) {
  WorktreeFile file;
  file.path = std::move(path);
  file.kind = kind;
  file.additions = hunks.additions;
  file.deletions = hunks.deletions;
  (staged ? file.staged_hunks : file.unstaged_hunks) = std::move(hunks.hunks);
  return file;
}

// Fills each file's hunks from the diff's per-path result; a failed diff
// leaves them empty.
void fill_hunks(std::vector<WorktreeFile>& files, const std::vector<std::size_t>& which,
                std::optional<HunksByPath> hunks, bool staged) {
  if (!hunks) return;
  for (std::size_t i : which) {
    auto it = hunks->find(files[i].path);
    if (it == hunks->end()) continue;
    WorktreeFile& file = files[i];
    file.additions = it->second.additions;
    file.deletions = it->second.deletions;
    (staged ? file.staged_hunks : file.unstaged_hunks) = std::move(it->second.hunks);
  }
}

// The work-tree hunks of the files behind an outside filter driver, as git
// shows them. A file git sees unchanged (the library compares the work-tree
// copy unfiltered) leaves the list; when git fails, each entry stands
// without hunks.
void fill_filtered_hunks(const Repo& r, std::vector<WorktreeFile>& files,
                         const std::vector<std::size_t>& which, const std::vector<std::string>& paths) {
  if (which.empty()) return;
  auto hunks = git_worktree_hunks(r.work_command_dir(), paths);
  if (!hunks) return;
  std::set<std::string, std::less<>> unchanged;
  for (std::size_t i : which) {
    auto it = hunks->find(files[i].path);
    if (it == hunks->end()) {
      unchanged.insert(files[i].path);
      continue;
    }
    files[i].additions = it->second.additions;
    files[i].deletions = it->second.deletions;
    files[i].unstaged_hunks = std::move(it->second.hunks);
  }
  std::erase_if(files, [&](const WorktreeFile& f) { return unchanged.contains(f.path); });
}

// The entries of the status list (of these paths only, when given) with
// their hunks, unsorted; in amend mode without the staged list. Absent when
// the status list cannot be read.
std::optional<WorktreeStatus> collect_status(const Repo& r, git_repository* repo,
                                             const FilterDrivers& drivers,
                                             const std::vector<std::string>* paths, bool amend) {
  if (paths != nullptr && paths->empty()) return WorktreeStatus{};
  auto list = read_status(repo, paths);
  if (!list) return std::nullopt;

  // The entries first; then one work-tree diff and one staged diff over all
  // the files that need one, instead of a status request and a diff per
  // file, each of which walks the whole index again.
  WorktreeStatus status;
  std::vector<std::size_t> diffed_unstaged, diffed_staged, filtered_unstaged;
  std::vector<std::string> unstaged_paths, staged_paths, filtered_paths;
  const std::size_t count = git_status_list_entrycount(list.get());
  for (std::size_t i = 0; i < count; ++i) {
    const git_status_entry* entry = git_status_byindex(list.get(), i);
    if (entry == nullptr) continue;
    auto file_path = entry_path(*entry);
    if (!file_path) continue;
    const unsigned bits = entry->status;

    if (bits & GIT_STATUS_CONFLICTED) {
      WorktreeFile file;
      file.path = *file_path;
      file.kind = ChangeKind::Conflicted;
      if (auto text = read_worktree_entry(r.workdir_path(*file_path)); text && utils::is_valid_utf8(*text))
        file.conflict_sections = parse_conflict_sections(*text);
      file.additions = file.conflict_sections.size();
      status.unstaged.push_back(std::move(file));
      continue;
    }

    if (bits & kWorktreeBits) {
      if (bits & GIT_STATUS_WT_NEW) {
        status.unstaged.push_back(
            with_hunks(*file_path, ChangeKind::Untracked, r.load_untracked_file_as_diff(*file_path), false));
      } else {
        const bool filtered = drivers.driver_for(repo, *file_path).has_value();
        (filtered ? filtered_unstaged : diffed_unstaged).push_back(status.unstaged.size());
        (filtered ? filtered_paths : unstaged_paths).push_back(*file_path);
        status.unstaged.push_back(with_hunks(*file_path, worktree_kind(bits), {}, false));
      }
    }

    if (!amend && (bits & kIndexBits)) {
      diffed_staged.push_back(status.staged.size());
      staged_paths.push_back(*file_path);
      status.staged.push_back(with_hunks(*file_path, index_kind(bits), {}, true));
    }
  }

  fill_hunks(status.unstaged, diffed_unstaged, worktree_hunks_by_path(repo, unstaged_paths), false);
  fill_filtered_hunks(r, status.unstaged, filtered_unstaged, filtered_paths);
  if (!staged_paths.empty()) {
    // Without a readable HEAD staged files stand without hunks.
    StagedBase base = find_staged_base(repo, false);
    if (base.found)
      fill_hunks(status.staged, diffed_staged, staged_hunks_by_path(repo, base.tree.get(), staged_paths),
                 true);
  }
  return status;
}

void append(std::vector<WorktreeFile>& to, std::vector<WorktreeFile>& from) {
  to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
}

// The parts of the split read side by side, each with a repository handle of
// its own (the calling thread's part uses the caller's), then whatever the
// index holds outside them. Unsorted like collect_status; absent when a part
// fails or the split misses an index entry.
std::optional<WorktreeStatus> collect_status_split(const Repo& r, git_repository* repo,
                                                   const FilterDrivers& drivers, const StatusSplit& split,
                                                   bool amend) {
  std::vector<std::optional<WorktreeStatus>> results(split.parts.size());
  run_parts(r.path, repo, split.parts.size(), [&](std::size_t part, git_repository* handle) {
    if (handle != nullptr) results[part] = collect_status(r, handle, drivers, &split.parts[part], amend);
  });

  WorktreeStatus status;
  for (auto& result : results) {
    if (!result) return std::nullopt;
    append(status.unstaged, result->unstaged);
    append(status.staged, result->staged);
  }
  // The first part's status list loaded the index into this handle.
  const auto outside = paths_outside_split(repo, split);
  if (!outside) return std::nullopt;
  auto rest = collect_status(r, repo, drivers, &*outside, amend);
  if (!rest) return std::nullopt;
  append(status.unstaged, rest->unstaged);
  append(status.staged, rest->staged);
  return status;
}

WorktreeStatus finish(git_repository* repo, WorktreeStatus status, bool amend) {
  sort_by_path(status.unstaged);
  sort_by_path(status.staged);
  if (amend) status.staged = Repo::load_amend_staged_files(repo);
  return status;
}

}  // namespace

std::optional<WorktreeStatus> Repo::load_worktree_status(bool amend) const {
  auto handle = open_repository(path);
  if (!handle) return std::nullopt;
  git_repository* repo = handle->get();
  const FilterDrivers drivers = FilterDrivers::read(repo);
  std::optional<WorktreeStatus> status;
  if (const std::size_t parts = status_parts_for(repo); parts > 1) {
    if (auto split = split_status_paths(repo, parts))
      status = collect_status_split(*this, repo, drivers, *split, amend);
  }
  if (!status) status = collect_status(*this, repo, drivers, nullptr, amend);
  if (!status) return std::nullopt;
  return finish(repo, std::move(*status), amend);
}

std::optional<WorktreeStatus> load_worktree_status_split(const Repo& r, bool amend, std::size_t parts) {
  auto handle = open_repository(r.path);
  if (!handle) return std::nullopt;
  git_repository* repo = handle->get();
  auto split = split_status_paths(repo, parts);
  if (!split) return std::nullopt;
  auto status = collect_status_split(r, repo, FilterDrivers::read(repo), *split, amend);
  if (!status) return std::nullopt;
  return finish(repo, std::move(*status), amend);
}

std::vector<WorktreeFile> Repo::load_amend_staged_files(git_repository* repo) {
  StagedBase base = find_staged_base(repo, true);
  if (!base.found || !base.tree) return {};
  git_diff_options options = GIT_DIFF_OPTIONS_INIT;
  // One delta per path: without this a type change comes as a deletion and
  // an addition of the same path, and the file would be listed twice.
  options.flags = GIT_DIFF_INCLUDE_TYPECHANGE;
  git_diff* raw = nullptr;
  if (git_diff_tree_to_index(&raw, repo, base.tree.get(), nullptr, &options) != 0) return {};
  DiffPtr diff(raw);

  std::vector<WorktreeFile> files;
  std::vector<std::string> paths;
  const std::size_t count = git_diff_num_deltas(diff.get());
  for (std::size_t i = 0; i < count; ++i) {
    const git_diff_delta* delta = git_diff_get_delta(diff.get(), i);
    if (delta == nullptr) continue;
    const char* p = delta->new_file.path ? delta->new_file.path : delta->old_file.path;
    if (p == nullptr || !utils::is_valid_utf8(p)) continue;
    paths.emplace_back(p);
    files.push_back(with_hunks(p, delta_kind(delta->status), {}, true));
  }
  // The hunks as each file's own staged diff gives them, from one diff.
  std::vector<std::size_t> all(files.size());
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
  fill_hunks(files, all, staged_hunks_by_path(repo, base.tree.get(), paths), true);
  sort_by_path(files);
  return files;
}

}  // namespace repo
