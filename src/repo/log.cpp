#include "repo/branch_walk.hpp"
#include "repo/git_handle.hpp"
#include "repo/head_history.hpp"
#include "repo/repo.hpp"
#include "utils/text.hpp"

#include <cstdio>
#include <cstdlib>
#include <limits>

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

}  // namespace

std::expected<LogLoad, std::string> Repo::get_commits(git_repository* repo,
                                                      std::optional<std::uint64_t> limit) {
  git_revwalk* raw = nullptr;
  if (git_revwalk_new(&raw, repo) != 0)
    return std::unexpected("Failed to create revwalk: " + last_git_error());
  RevwalkPtr walk(raw);
  if (git_revwalk_sorting(walk.get(), GIT_SORT_TOPOLOGICAL | GIT_SORT_TIME) != 0)
    return std::unexpected("Failed to set sorting: " + last_git_error());
  if (git_revwalk_push_glob(walk.get(), "refs/heads/*") != 0)
    return std::unexpected("Failed to push branches: " + last_git_error());
  if (git_revwalk_push_glob(walk.get(), "refs/remotes/*") != 0)
    return std::unexpected("Failed to push remotes: " + last_git_error());

  // Collect one more than the limit to learn whether the log was cut.
  const std::uint64_t wanted =
      limit ? (*limit == std::numeric_limits<std::uint64_t>::max() ? *limit : *limit + 1)
            : std::numeric_limits<std::uint64_t>::max();
  LogLoad load;
  int consecutive_errors = 0;
  git_oid oid;
  while (load.commits.size() < wanted) {
    const int rc = git_revwalk_next(&oid, walk.get());
    if (rc == GIT_ITEROVER) break;
    if (rc != 0) {
      if (++consecutive_errors >= kMaxConsecutiveErrors) break;
      continue;
    }
    consecutive_errors = 0;
    git_commit* commit_raw = nullptr;
    if (git_commit_lookup(&commit_raw, repo, &oid) != 0) continue;
    CommitPtr commit(commit_raw);
    Commit c;
    c.id = to_oid(&oid);
    const unsigned parents = git_commit_parentcount(commit.get());
    c.parent_ids.reserve(parents);
    for (unsigned i = 0; i < parents; ++i) c.parent_ids.push_back(to_oid(git_commit_parent_id(commit.get(), i)));
    c.summary = utils::utf8_or_empty(git_commit_summary(commit.get()));
    const git_signature* author = git_commit_author(commit.get());
    c.author = utils::utf8_or_empty(author ? author->name : nullptr);
    c.time = static_cast<std::int64_t>(git_commit_time(commit.get()));
    load.commits.push_back(std::move(c));
  }
  if (limit && load.commits.size() > *limit) {
    load.commits.resize(static_cast<std::size_t>(*limit));
    load.has_more = true;
  }
  return load;
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
  if (git_reference_is_branch(head.get())) return HeadBranch{utils::utf8_or_empty(git_reference_shorthand(head.get()))};
  return HeadDetached{to_oid(git_reference_target(head.get()))};
}

std::expected<Repo, OpenFailure> Repo::open(const std::string& path, std::optional<std::uint64_t> limit) {
  auto handle = open_repository(path);
  if (!handle) return std::unexpected(OpenFailure{1, "Failed to open repository: " + handle.error()});
  Repo r;
  r.name = display_name(handle->get());
  r.workdir = work_directory(handle->get());
  auto log = get_commits(handle->get(), limit);
  if (!log) return std::unexpected(OpenFailure{101, log.error()});
  r.commits = std::move(log->commits);
  r.has_more = log->has_more;
  r.path = path;
  r.branches = get_branches(handle->get());
  r.head = get_head(handle->get());
  r.limit = limit;
  // The graph waits until the repository is closed: with the library's
  // cache of every commit read still held, the two together would set the
  // peak memory of a long log.
  handle->reset();
  r.graph = commit_graph::build_from(r.commits);
  r.head_history = mark_head_history(r.commits, r.head_sha());
  return r;
}

Repo Repo::open_with_limit(const std::string& path, std::optional<std::uint64_t> limit) {
  auto opened = open(path, limit);
  if (!opened) {
    std::fprintf(stderr, "%s\n", opened.error().message.c_str());
    std::fflush(stderr);
    std::exit(opened.error().exit_status);
  }
  return std::move(*opened);
}

void Repo::refresh() {
  auto handle = open_repository(path);
  if (!handle) return;
  auto log = get_commits(handle->get(), limit);
  // A log that cannot be walked now (a damaged packed-refs, say) may be
  // readable again at the next change; keep showing the last good one.
  if (!log) return;
  commits = std::move(log->commits);
  has_more = log->has_more;
  branches = get_branches(handle->get());
  head = get_head(handle->get());
  handle->reset();  // as in open: free the library's cache before the graph
  graph = commit_graph::build_from(commits);
  head_history = mark_head_history(commits, head_sha());
}

Oid Repo::head_sha() const {
  if (const auto* detached = std::get_if<HeadDetached>(&head)) return detached->id;
  const auto& branch = std::get<HeadBranch>(head);
  auto it = branches.find(BranchName{branch.name});
  return it == branches.end() ? Oid::zero() : it->second;
}

std::string Repo::workdir_path(const std::string& relative) const {
  if (workdir.empty() || workdir == "/") return workdir + relative;
  return workdir + "/" + relative;
}

}  // namespace repo
