#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <utility>

#include "repo/branch_walk.hpp"
#include "repo/git_handle.hpp"
#include "repo/head_history.hpp"
#include "repo/log_walk.hpp"
#include "repo/repo.hpp"
#include "utils/text.hpp"

namespace repo {
namespace {

std::string display_name(git_repository* repo) {
  const char* workdir = git_repository_workdir(repo);
  if (workdir == nullptr) return "unknown";
  std::string_view dir(workdir);
  while (!dir.empty() && dir.back() == '/') dir.remove_suffix(1);
  const auto slash = dir.rfind('/');
  std::string_view last = slash == std::string_view::npos ? dir : dir.substr(slash + 1);
  if (last.empty() || !utils::is_valid_utf8(last)) return "unknown";
  return std::string(last);
}

std::string work_directory(git_repository* repo) {
  const char* workdir = git_repository_workdir(repo);
  if (workdir == nullptr) return {};
  std::string dir(workdir);
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

// libgit2 1.5 refuses a repository that another user owns in the words of a
// missing "safe.directory" setting, or, once the setting lists other
// directories, as "not owned by current user". Told as git tells it, with the
// directory the library checks (the work tree, or the git directory of a bare
// repository), so that the command given lets this program open it.
OpenFailure open_failure(const std::string& path, const LibraryError& error) {
  const bool foreign_owner =
      error.code == GIT_EOWNER ||
      (error.code == GIT_ENOTFOUND && error.message == "config value 'safe.directory' was not found");
  if (!foreign_owner) return OpenFailure{1, "Failed to open repository: " + error.message};
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::canonical(path, ec);
  if (ec) dir = std::filesystem::absolute(path, ec).lexically_normal();
  if (dir.filename() == ".git") dir = dir.parent_path();
  const std::string shown = dir.string();
  return OpenFailure{1,
                     "Failed to open repository: detected dubious ownership in repository at '" + shown + "'",
                     {"To add an exception for this directory, call:", "",
                      "\tgit config --global --add safe.directory " + shown}};
}

// The log at the key's tips and limit. git's walk costs only the commits
// it lists where a commit-graph file gives it generation numbers, and
// without one it still walks faster than the library; then only the
// listed commits are read. The whole history without such a file is read
// faster by our own walk, which also serves whenever git cannot.
std::expected<LogLoad, std::string> load_commits(git_repository* repo, const LoadKey& key) {
  constexpr std::uint64_t kAll = std::numeric_limits<std::uint64_t>::max();
  // One more than the limit tells whether the log was cut.
  const std::uint64_t wanted = key.limit && *key.limit != kAll ? *key.limit + 1 : kAll;
  LogLoad load;
  bool listed = false;
  if (key.limit || has_commit_graph(repo)) {
    if (auto ids = list_with_git(repo, key, wanted)) {
      if (auto commits = read_commits(repo, *ids)) {
        load.commits = std::move(*commits);
        listed = true;
      }
    }
  }
  if (!listed) {
    auto walked = walk_log(repo, key, wanted);
    if (!walked) return std::unexpected(walked.error());
    load = std::move(*walked);
  }
  if (key.limit && load.commits.size() > *key.limit) {
    load.commits.resize(static_cast<std::size_t>(*key.limit));
    load.has_more = true;
  }
  return load;
}

// Loads everything a model holds, closing the repository before the graph
// is laid out: the library's memory of the walk and the graph together
// would set the peak memory of a long log.
std::expected<LogModel, std::string> load_with(RepoPtr handle, LoadKey key) {
  auto log = load_commits(handle.get(), key);
  if (!log) return std::unexpected(log.error());
  LogModel model;
  model.log = std::move(*log);
  model.branches = Repo::get_branches(handle.get());
  model.head = key.head;
  model.key = std::move(key);
  handle.reset();
  for (const Commit& c : model.log.commits)
    model.longest_author = std::max(model.longest_author, c.author.size());
  model.graph = commit_graph::build_from(model.log.commits);
  // A history cut short may lack a commit on the way down from HEAD: there
  // the repository is asked instead.
  if (!model.log.cut_short)
    model.head_history = mark_head_history(model.log.commits, head_commit_of(model.head, model.branches));
  return model;
}

}  // namespace

std::expected<LogLoad, std::string> Repo::get_commits(git_repository* repo,
                                                      std::optional<std::uint64_t> limit) {
  auto key = read_load_key(repo, limit);
  if (!key) return std::unexpected(key.error());
  return load_commits(repo, *key);
}

BranchMap Repo::get_branches(git_repository* repo) {
  BranchMap map;
  for_each_branch(repo, GIT_BRANCH_ALL, [&](std::string_view name, const git_oid& target) {
    if (name.ends_with("/HEAD")) return;
    map.insert_or_assign(BranchName{std::string(name)}, to_oid(&target));
  });
  return map;
}

HeadState Repo::get_head(git_repository* repo) {
  git_reference* raw = nullptr;
  if (git_repository_head(&raw, repo) != 0) return HeadDetached{Oid::zero()};
  ReferencePtr head(raw);
  if (git_reference_is_branch(head.get()))
    return HeadBranch{utils::utf8_or_empty(git_reference_shorthand(head.get()))};
  return HeadDetached{to_oid(git_reference_target(head.get()))};
}

std::expected<Repo, OpenFailure> Repo::open(const std::string& path, std::optional<std::uint64_t> limit) {
  auto handle = open_repository_coded(path);
  if (!handle) return std::unexpected(open_failure(path, handle.error()));
  Repo r;
  r.name = display_name(handle->get());
  r.workdir = work_directory(handle->get());
  r.path = path;
  r.limit = limit;
  auto key = read_load_key(handle->get(), limit);
  if (!key) return std::unexpected(OpenFailure{101, key.error()});
  auto model = load_with(std::move(*handle), std::move(*key));
  if (!model) return std::unexpected(OpenFailure{101, model.error()});
  r.take(std::move(*model));
  return r;
}

Repo Repo::open_with_limit(const std::string& path, std::optional<std::uint64_t> limit) {
  auto opened = open(path, limit);
  if (!opened) {
    std::fprintf(stderr, "%s\n", opened.error().message.c_str());
    for (const std::string& line : opened.error().hint) std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
    std::exit(opened.error().exit_status);
  }
  return std::move(*opened);
}

std::optional<LogModel> Repo::load_model(const std::string& path, std::optional<std::uint64_t> limit,
                                         const std::optional<LoadKey>& last) {
  auto handle = open_repository(path);
  if (!handle) return std::nullopt;
  auto key = read_load_key(handle->get(), limit);
  // A reference store that cannot be read now (a damaged packed-refs, say)
  // may be readable again at the next change; the last good model stays.
  if (!key || (last && *key == *last)) return std::nullopt;
  auto model = load_with(std::move(*handle), std::move(*key));
  if (!model) return std::nullopt;
  return std::move(*model);
}

LogModel Repo::take(LogModel model) {
  LogModel old;
  old.log.commits = std::exchange(commits, std::move(model.log.commits));
  old.graph = std::exchange(graph, std::move(model.graph));
  old.branches = std::exchange(branches, std::move(model.branches));
  head_history = std::move(model.head_history);
  has_more = model.log.has_more;
  cut_short = std::move(model.log.cut_short);
  head = std::move(model.head);
  longest_author = model.longest_author;
  // A history cut short is walked again at every reload: the missing
  // commit may be back.
  if (cut_short)
    load_key.reset();
  else
    load_key = std::move(model.key);
  ++model_version;
  return old;
}

void Repo::refresh() {
  if (auto model = load_model(path, limit, load_key))
    take(std::move(*model));
  else
    ++model_version;  // what a load begun before may still bring is no newer
}

void Repo::reload_branches(git_repository* repo) {
  branches = get_branches(repo);
  ++model_version;
}

Oid Repo::head_sha() const { return head_commit_of(head, branches); }

std::expected<HeadState, std::string> Repo::read_head() const {
  auto handle = open_repository(path);
  if (!handle) return std::unexpected(handle.error());
  return get_head(handle->get());
}

std::string Repo::workdir_path(const std::string& relative) const {
  if (workdir.empty() || workdir == "/") return workdir + relative;
  return workdir + "/" + relative;
}

}  // namespace repo
