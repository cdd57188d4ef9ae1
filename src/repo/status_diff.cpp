#include "repo/status_diff.hpp"

#include "repo/diff_lines.hpp"
#include "repo/file_lines.hpp"
#include "utils/text.hpp"
#include "repo/worktree_write.hpp"

#include <sys/stat.h>

#include <limits>
#include <utility>

namespace repo {
namespace {

// Diff options restricted to exactly these paths.
struct PathOptions {
  git_diff_options options = GIT_DIFF_OPTIONS_INIT;
  std::vector<std::string> paths;
  PathArray specs;

  explicit PathOptions(std::vector<std::string> wanted) : paths(std::move(wanted)), specs(paths) {
    options.flags = GIT_DIFF_DISABLE_PATHSPEC_MATCH;
    options.pathspec = specs.strarray();
  }
  PathOptions(const PathOptions&) = delete;
  PathOptions& operator=(const PathOptions&) = delete;
};

// A hunk without lines is nothing to stage.
void extract_patch(git_patch* patch, Repo::DiffHunks& out) {
  for (Hunk& hunk : read_patch_hunks(patch, out.additions, out.deletions))
    if (!hunk.lines.empty()) out.hunks.push_back(std::move(hunk));
}

void extract_delta(git_diff* diff, std::size_t index, Repo::DiffHunks& out) {
  git_patch* patch_raw = nullptr;
  if (git_patch_from_diff(&patch_raw, diff, index) != 0 || patch_raw == nullptr) return;
  PatchPtr patch(patch_raw);
  extract_patch(patch.get(), out);
}

// Whether the work-tree file is a regular file holding nothing.
bool is_empty_file(const std::string& full) {
  struct stat st {};
  return ::lstat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0;
}

// The index's regular file against the empty text, read without filters;
// absent when the index holds no such file.
std::optional<Repo::DiffHunks> emptied_file_hunks(git_repository* repo, git_index* index,
                                                  const std::string& path) {
  const git_index_entry* entry = git_index_get_bypath(index, path.c_str(), 0);
  if (entry == nullptr || (entry->mode != GIT_FILEMODE_BLOB && entry->mode != GIT_FILEMODE_BLOB_EXECUTABLE))
    return std::nullopt;
  git_blob* blob_raw = nullptr;
  if (git_blob_lookup(&blob_raw, repo, &entry->id) != 0) return std::nullopt;
  BlobPtr blob(blob_raw);
  git_diff_options options = GIT_DIFF_OPTIONS_INIT;
  git_patch* patch_raw = nullptr;
  if (git_patch_from_blob_and_buffer(&patch_raw, blob.get(), path.c_str(), "", 0, path.c_str(), &options) != 0 ||
      patch_raw == nullptr)
    return std::nullopt;
  PatchPtr patch(patch_raw);
  Repo::DiffHunks out;
  extract_patch(patch.get(), out);
  return out;
}

// Each delta's hunks go to its own path, so a file's entry never takes in
// another file's hunks.
HunksByPath extract_by_path(git_diff* diff) {
  HunksByPath out;
  const std::size_t count = git_diff_num_deltas(diff);
  for (std::size_t i = 0; i < count; ++i) {
    const git_diff_delta* delta = git_diff_get_delta(diff, i);
    if (delta == nullptr) continue;
    const char* p = delta->new_file.path ? delta->new_file.path : delta->old_file.path;
    if (p == nullptr) continue;
    extract_delta(diff, i, out[p]);
  }
  return out;
}

std::uint32_t line_number(std::size_t index) {
  return index < std::numeric_limits<std::uint32_t>::max() ? static_cast<std::uint32_t>(index + 1)
                                                           : std::numeric_limits<std::uint32_t>::max();
}

}  // namespace

StagedBase find_staged_base(git_repository* repo, bool amend) {
  StagedBase base;
  if (!amend) {
    if (auto tree = peel_head_tree(repo)) {
      base.found = true;
      base.tree = std::move(*tree);
    } else if (git_repository_head_unborn(repo) == 1) {
      // Before the first commit everything in the index is staged.
      git_error_clear();
      base.found = true;
    }
    return base;
  }
  auto commit = peel_head_commit(repo);
  if (!commit) return base;
  git_commit* parent_raw = nullptr;
  if (git_commit_parentcount(commit->get()) == 0 || git_commit_parent(&parent_raw, commit->get(), 0) != 0)
    return base;
  CommitPtr parent(parent_raw);
  base.found = true;
  git_tree* tree = nullptr;
  if (git_commit_tree(&tree, parent.get()) == 0) base.tree.reset(tree);
  return base;
}

std::optional<Repo::DiffHunks> staged_hunks_against(git_repository* repo, git_tree* base,
                                                    const std::string& path) {
  PathOptions options({path});
  git_diff* raw = nullptr;
  if (git_diff_tree_to_index(&raw, repo, base, nullptr, &options.options) != 0) return std::nullopt;
  DiffPtr diff(raw);
  return Repo::extract_hunks_from_diff(diff.get());
}

std::optional<HunksByPath> staged_hunks_by_path(git_repository* repo, git_tree* base,
                                                const std::vector<std::string>& paths) {
  // No pathspec at all would mean every path.
  if (paths.empty()) return HunksByPath{};
  PathOptions options(paths);
  git_diff* raw = nullptr;
  if (git_diff_tree_to_index(&raw, repo, base, nullptr, &options.options) != 0) return std::nullopt;
  DiffPtr diff(raw);
  return extract_by_path(diff.get());
}

std::optional<HunksByPath> worktree_hunks_by_path(git_repository* repo,
                                                  const std::vector<std::string>& paths) {
  if (paths.empty()) return HunksByPath{};
  // The library frees a pointer it never allocated when it frees the patch
  // of a file emptied under a line-ending conversion, which ends the
  // program: such files are diffed apart, from the index's text.
  HunksByPath emptied;
  std::vector<std::string> rest;
  const char* workdir = git_repository_workdir(repo);
  git_index* index_raw = nullptr;
  IndexPtr index;
  if (workdir != nullptr && git_repository_index(&index_raw, repo) == 0)
    index.reset(index_raw);
  else
    git_error_clear();
  for (const auto& path : paths) {
    std::optional<Repo::DiffHunks> hunks;
    if (index && is_empty_file(workdir + path)) hunks = emptied_file_hunks(repo, index.get(), path);
    if (hunks)
      emptied.emplace(path, std::move(*hunks));
    else
      rest.push_back(path);
  }
  if (rest.empty()) return emptied;
  PathOptions options(std::move(rest));
  git_diff* raw = nullptr;
  if (git_diff_index_to_workdir(&raw, repo, nullptr, &options.options) != 0) return std::nullopt;
  DiffPtr diff(raw);
  HunksByPath out = extract_by_path(diff.get());
  out.merge(emptied);
  return out;
}

Repo::DiffHunks Repo::extract_hunks_from_diff(git_diff* diff) {
  DiffHunks out;
  const std::size_t files = git_diff_num_deltas(diff);
  for (std::size_t f = 0; f < files; ++f) extract_delta(diff, f, out);
  return out;
}

std::optional<Repo::DiffHunks> Repo::load_staged_hunks(git_repository* repo, const std::string& path,
                                                       bool amend) {
  StagedBase base = find_staged_base(repo, amend);
  if (!base.found) return std::nullopt;
  return staged_hunks_against(repo, base.tree.get(), path);
}

Repo::DiffHunks Repo::load_untracked_file_as_diff(const std::string& file) const {
  // Read as git records it: a link's target text, and nothing at all for a
  // FIFO or a device, whatever a link points at. A forgotten huge file is
  // not read, or every reload would read it again.
  const auto entry = read_worktree_entry_at(workdir_path(file), kUntrackedTextLimit);
  if (!entry || entry->too_large || (entry->kind != EntryKind::Regular && entry->kind != EntryKind::Link))
    return {};
  const std::string& content = entry->bytes;
  const std::string_view probe = std::string_view(content).substr(0, kBinaryProbeBytes);
  if (probe.find('\0') != std::string_view::npos || !utils::is_valid_utf8(content)) return {};
  const auto lines = split_file_lines(content);
  if (lines.empty()) return {};
  Hunk hunk;
  hunk.lines.reserve(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    DiffLine line;
    line.content = std::string(lines[i].text);
    line.new_lineno = line_number(i);
    line.origin = '+';
    hunk.lines.push_back(std::move(line));
  }
  hunk.new_missing_newline = content.back() != '\n';
  DiffHunks out;
  out.additions = lines.size();
  out.hunks.push_back(std::move(hunk));
  return out;
}

}  // namespace repo
