// Whether the work tree or the index has changed at all: the two diffs the
// status list is made of, with its flags, stopped at the first delta the list
// would hold as an entry with a UTF-8 path.

#include "repo/git_handle.hpp"
#include "repo/repo.hpp"
#include "repo/status_split.hpp"
#include "utils/text.hpp"

#include <atomic>
#include <optional>

namespace repo {
namespace {

enum class Change { None, Found, Failed };

struct Search {
  std::atomic<bool>* found_anywhere;  // shared by the parts of a split
  bool found = false;
};

// What the status list keeps of a delta: not a submodule on every side it
// has, and a path that can be named.
bool listed(const git_diff_delta& delta) {
  const bool kept = (delta.status != GIT_DELTA_ADDED && delta.old_file.mode != GIT_FILEMODE_COMMIT) ||
                    (delta.status != GIT_DELTA_DELETED && delta.new_file.mode != GIT_FILEMODE_COMMIT);
  const char* p = delta.new_file.path ? delta.new_file.path : delta.old_file.path;
  return kept && p != nullptr && utils::is_valid_utf8(p);
}

int stop_at_listed(const git_diff*, const git_diff_delta* delta, const char*, void* payload) {
  if (delta == nullptr || !listed(*delta)) return 1;  // left out, go on
  auto& search = *static_cast<Search*>(payload);
  search.found = true;
  search.found_anywhere->store(true, std::memory_order_relaxed);
  return -1;
}

// Another part has found one: nothing left to learn here.
int stop_when_found(const git_diff*, const char*, const char*, void* payload) {
  return static_cast<Search*>(payload)->found_anywhere->load(std::memory_order_relaxed) ? -1 : 0;
}

// The first change among these paths (all paths when null; never an empty
// list). A diff stopped because another part found a change counts as None.
// A failure leaves the library's message in `error`, when given.
Change first_change(git_repository* repo, const std::vector<std::string>* paths,
                    std::atomic<bool>& found_anywhere, std::string* error = nullptr) {
  const auto failed = [&] {
    if (error != nullptr) *error = last_git_error();
    git_error_clear();
    return Change::Failed;
  };
  // What makes the status list fail makes this fail: a bare repository, an
  // unreadable index, a HEAD that is there but cannot be read.
  if (git_repository_is_bare(repo)) return Change::Failed;
  git_index* index_raw = nullptr;
  if (git_repository_index(&index_raw, repo) != 0) return failed();
  IndexPtr index(index_raw);
  // As the status list reads HEAD: missing or unborn, the empty tree.
  TreePtr head;
  if (auto tree = peel_head_tree(repo)) {
    head = std::move(*tree);
  } else {
    if (tree.error() != GIT_ENOTFOUND && tree.error() != GIT_EUNBORNBRANCH) return failed();
    git_error_clear();
  }

  Search search{&found_anywhere};
  git_diff_options options = GIT_DIFF_OPTIONS_INIT;
  options.flags = GIT_DIFF_INCLUDE_TYPECHANGE | GIT_DIFF_INCLUDE_UNTRACKED | GIT_DIFF_RECURSE_UNTRACKED_DIRS |
                  GIT_DIFF_IGNORE_SUBMODULES;
  std::optional<PathArray> specs;
  if (paths != nullptr) {
    specs.emplace(*paths);
    options.flags |= GIT_DIFF_DISABLE_PATHSPEC_MATCH;
    options.pathspec = specs->strarray();
  }
  options.notify_cb = stop_at_listed;
  options.progress_cb = stop_when_found;
  options.payload = &search;
  // The index against HEAD first: it costs little once the index is read.
  for (const bool staged : {true, false}) {
    git_diff* raw = nullptr;
    const int code = staged ? git_diff_tree_to_index(&raw, repo, head.get(), index.get(), &options)
                   : git_diff_index_to_workdir(&raw, repo, index.get(), &options);
    DiffPtr diff(raw);
    if (search.found || found_anywhere.load(std::memory_order_relaxed)) {
      if (code != 0) git_error_clear();
      return search.found ? Change::Found : Change::None;
    }
    if (code != 0) return failed();
  }
  return Change::None;
}

// The parts searched side by side, then whatever the index holds outside
// them; absent when the split misses an index entry or a part fails without
// any change found.
std::optional<bool> search_split(const std::string& path, git_repository* repo, const StatusSplit& split) {
  std::atomic<bool> found{false};
  std::vector<Change> results(split.parts.size(), Change::Failed);
  run_parts(path, repo, split.parts.size(), [&](std::size_t part, git_repository* handle) {
    if (handle != nullptr) results[part] = first_change(handle, &split.parts[part], found);
  });
  if (found.load()) return true;
  for (const Change c : results)
    if (c != Change::None) return std::nullopt;
  // The first part's search loaded the index into this handle.
  const auto outside = paths_outside_split(repo, split);
  if (!outside) return std::nullopt;
  if (outside->empty()) return false;
  const Change rest = first_change(repo, &*outside, found);
  if (rest == Change::Failed) return std::nullopt;
  return rest == Change::Found;
}

}  // namespace

bool Repo::has_changes() const { return look_for_changes().value_or(false); }

std::expected<bool, std::string> Repo::look_for_changes() const {
  auto handle = open_repository(path);
  if (!handle) return std::unexpected(handle.error());
  git_repository* repo = handle->get();
  // No work tree, nothing to stage.
  if (git_repository_is_bare(repo)) return false;
  if (const std::size_t parts = status_parts_for(repo); parts > 1) {
    if (auto split = split_status_paths(repo, parts)) {
      if (auto found = search_split(path, repo, *split)) return *found;
    }
  }
  std::atomic<bool> found{false};
  std::string error;
  const Change change = first_change(repo, nullptr, found, &error);
  if (change == Change::Failed) return std::unexpected(std::move(error));
  return change == Change::Found;
}

std::optional<bool> has_changes_split(const Repo& r, std::size_t parts) {
  auto handle = open_repository(r.path);
  if (!handle) return std::nullopt;
  auto split = split_status_paths(handle->get(), parts);
  if (!split) return std::nullopt;
  return search_split(r.path, handle->get(), *split);
}

}  // namespace repo
