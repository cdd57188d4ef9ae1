#include "repo/status_split.hpp"

#include "repo/git_handle.hpp"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <queue>
#include <string_view>
#include <system_error>
#include <thread>

namespace repo {
namespace {

// Enough paths per part that one large directory cannot hold up the rest.
constexpr std::size_t kPathsPerPart = 16;
constexpr std::size_t kMostOpened = 64;
// About 6,500 entries: below this one whole read costs less than the threads.
constexpr off_t kSplitIndexBytes = 512 * 1024;
// Each part reads the whole index again, so more parts stop paying soon.
constexpr std::size_t kMostParts = 4;

// The names a directory holds on disk; absent when it cannot be read.
std::optional<std::vector<std::string>> disk_names(const std::string& dir) {
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return std::nullopt;
  std::vector<std::string> names;
  errno = 0;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view name = e->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  const bool failed = errno != 0;
  ::closedir(d);
  if (failed) return std::nullopt;
  return names;
}

// A directory tracked in HEAD that may be opened into its entries.
struct Candidate {
  std::string path;
  git_oid tree;
  nlink_t links;  // 2 + its subdirectories: a rough measure of its size
  std::size_t order;
};

struct Larger {
  bool operator()(const Candidate& a, const Candidate& b) const {
    return a.links != b.links ? a.links < b.links : a.order > b.order;
  }
};

class Splitter {
 public:
  Splitter(git_repository* repo, std::string workdir) : repo_(repo), workdir_(std::move(workdir)) {}

  // Replaces the directory by the names it holds on disk and in HEAD. Only a
  // real directory is opened: no link, and no repository of its own, whose
  // status is the directory itself.
  bool open(const std::string& dir, git_tree* tree) {
    auto names = disk_names(workdir_ + dir);
    if (!names) return false;
    // The work tree's own .git never shows; inner ones do, as repositories.
    if (dir.empty()) std::erase(*names, std::string(".git"));
    const std::string prefix = dir.empty() ? std::string() : dir + "/";
    std::vector<std::pair<std::string, const git_tree_entry*>> entries;
    const std::size_t count = git_tree_entrycount(tree);
    for (std::size_t i = 0; i < count; ++i) {
      const git_tree_entry* e = git_tree_entry_byindex(tree, i);
      entries.emplace_back(git_tree_entry_name(e), e);
    }
    for (auto& name : *names) entries.emplace_back(std::move(name), nullptr);
    // Tree entries first among equal names, so each name keeps its tree entry.
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    if (!dir.empty()) split_.paths.erase(dir);
    split_.opened.insert(dir);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (i > 0 && entries[i].first == entries[i - 1].first) continue;
      const std::string path = prefix + entries[i].first;
      split_.paths.insert(path);
      const git_tree_entry* e = entries[i].second;
      if (e != nullptr && git_tree_entry_type(e) == GIT_OBJECT_TREE) consider(path, *git_tree_entry_id(e));
    }
    return true;
  }

  void open_largest(std::size_t wanted_paths) {
    std::size_t opened = 0;
    while (split_.paths.size() < wanted_paths && !queue_.empty() && opened < kMostOpened) {
      const Candidate next = queue_.top();
      queue_.pop();
      git_tree* raw = nullptr;
      if (git_tree_lookup(&raw, repo_, &next.tree) != 0) {
        git_error_clear();
        continue;
      }
      TreePtr tree(raw);
      if (open(next.path, tree.get())) ++opened;
    }
  }

  StatusSplit take() { return std::move(split_); }

 private:
  void consider(const std::string& path, const git_oid& tree) {
    struct stat st {};
    if (::lstat((workdir_ + path).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
    struct stat inner {};
    if (::lstat((workdir_ + path + "/.git").c_str(), &inner) == 0 || errno != ENOENT) return;
    queue_.push(Candidate{path, tree, st.st_nlink, order_++});
  }

  git_repository* repo_;
  std::string workdir_;  // ends in "/"
  StatusSplit split_;
  std::priority_queue<Candidate, std::vector<Candidate>, Larger> queue_;
  std::size_t order_ = 0;
};

}  // namespace

std::optional<StatusSplit> split_status_paths(git_repository* repo, std::size_t parts) {
  if (parts < 2 || git_repository_is_bare(repo)) return std::nullopt;
  const char* workdir = git_repository_workdir(repo);
  if (workdir == nullptr) return std::nullopt;
  {
    // Paths that differ only in case would be one path to the library.
    git_config* raw = nullptr;
    if (git_repository_config_snapshot(&raw, repo) != 0) {
      git_error_clear();
      return std::nullopt;
    }
    ConfigPtr config(raw);
    if (config_true(config.get(), "core.ignorecase") || config_true(config.get(), "core.precomposeunicode"))
      return std::nullopt;
  }
  auto head = peel_head_tree(repo);
  if (!head) {
    git_error_clear();
    return std::nullopt;
  }

  Splitter splitter(repo, workdir);
  if (!splitter.open("", head->get())) return std::nullopt;
  splitter.open_largest(parts * kPathsPerPart);
  StatusSplit split = splitter.take();
  if (split.paths.size() < 2) return std::nullopt;
  // Dealt in turn, so that neighbouring directories, often alike in size,
  // land in different parts.
  split.parts.resize(std::min(parts, split.paths.size()));
  std::size_t i = 0;
  for (const auto& path : split.paths) split.parts[i++ % split.parts.size()].push_back(path);
  return split;
}

std::optional<std::vector<std::string>> paths_outside_split(git_index* index, const StatusSplit& split) {
  std::vector<std::string> outside;
  std::string_view covering;  // the last path found to cover an entry
  const std::size_t count = git_index_entrycount(index);
  for (std::size_t i = 0; i < count; ++i) {
    const git_index_entry* entry = git_index_get_byindex(index, i);
    if (entry == nullptr || entry->path == nullptr) continue;
    const std::string_view path = entry->path;
    // The index is sorted: runs of entries share the path that covers them.
    if (!covering.empty() && path.starts_with(covering) &&
        (path.size() == covering.size() || path[covering.size()] == '/'))
      continue;
    std::size_t from = 0;
    while (true) {
      const std::size_t slash = path.find('/', from);
      const std::string_view prefix = path.substr(0, slash);
      if (auto it = split.paths.find(prefix); it != split.paths.end()) {
        covering = *it;
        break;
      }
      const bool opened = split.opened.contains(prefix);
      if (slash == std::string_view::npos && opened) return std::nullopt;
      if (slash == std::string_view::npos || !opened) {
        if (outside.empty() || outside.back() != prefix) outside.emplace_back(prefix);
        break;
      }
      from = slash + 1;
    }
  }
  std::sort(outside.begin(), outside.end());
  outside.erase(std::unique(outside.begin(), outside.end()), outside.end());
  return outside;
}

std::optional<std::vector<std::string>> paths_outside_split(git_repository* repo, const StatusSplit& split) {
  git_index* raw = nullptr;
  if (git_repository_index(&raw, repo) != 0) {
    git_error_clear();
    return std::nullopt;
  }
  IndexPtr index(raw);
  return paths_outside_split(index.get(), split);
}

void run_parts(const std::string& path, git_repository* repo, std::size_t parts,
               const std::function<void(std::size_t, git_repository*)>& work) {
  auto run = [&](std::size_t part, git_repository* handle) noexcept {
    try {
      RepoPtr own;
      if (handle == nullptr) {
        if (auto opened = open_repository(path)) own = std::move(*opened);
        handle = own.get();
      }
      work(part, handle);
    } catch (...) {
    }
  };
  std::vector<std::jthread> threads;
  for (std::size_t part = 1; part < parts; ++part) {
    try {
      threads.emplace_back(run, part, nullptr);
    } catch (const std::system_error&) {
      run(part, nullptr);  // no thread to be had: this one waits its turn
    }
  }
  if (parts > 0) run(0, repo);
}

std::size_t status_parts_for(git_repository* repo) {
  if (git_repository_is_bare(repo)) return 1;
  GitBuf index_path;
  if (git_repository_item_path(&index_path.buf, repo, GIT_REPOSITORY_ITEM_INDEX) != 0) {
    git_error_clear();
    return 1;
  }
  struct stat st {};
  if (::stat(index_path.buf.ptr, &st) != 0 || st.st_size < kSplitIndexBytes) return 1;
  return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, kMostParts);
}

}  // namespace repo
