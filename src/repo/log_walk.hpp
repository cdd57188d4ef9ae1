#pragma once
// The ways a log load finds its commits, put together by Repo::get_commits:
// git's own revision walk, which a commit-graph file bounds by the commits
// listed, and a walk of our own that reads every reachable commit once.

#include <git2.h>

#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <vector>

#include "repo/repo.hpp"

namespace repo {

// The key of a load: every reference under refs/heads/ and refs/remotes/
// with the id it resolves to (a symbolic reference whose target is gone is
// left out, as git leaves it out), HEAD, and the shallow and graft files.
// A reference store that cannot be read gives the walk set-up failure with
// its prefix.
std::expected<LoadKey, std::string> read_load_key(git_repository* repo, std::optional<std::uint64_t> limit);

// Whether git keeps a commit-graph file for the repository, with which its
// walk costs only the commits it lists.
bool has_commit_graph(git_repository* repo);

// The commit a detached HEAD stands on, which the log walks from as from a
// branch; nothing when HEAD is on a branch or cannot be read.
std::optional<Oid> detached_head_tip(const LoadKey& key);

// The ids of the first `wanted` commits of the key's tips (all branches and
// remote-tracking branches, and a detached HEAD) in git's order (children
// first, newer commit time first), from `git rev-list`; nothing when git
// cannot give them.
std::optional<std::vector<git_oid>> list_with_git(git_repository* repo, const LoadKey& key,
                                                  std::uint64_t wanted);

// The commits with these ids, in this order, each read once (several
// threads share a long list); nothing when any of them cannot be read.
std::optional<std::vector<Commit>> read_commits(git_repository* repo, const std::vector<git_oid>& ids);

// Every commit reachable from the tips (and a detached HEAD), each read
// once, in topological order with newer commit time first among the commits
// that are ready, at most `wanted` of them. A commit that cannot be read is
// left out with what only it reaches, and the load says so; the parents of a
// shallow clone's boundary are not looked for. A tip that is no commit is
// skipped; a branch whose object cannot be read fails the load as git does,
// a detached HEAD's only cuts the log short.
std::expected<LogLoad, std::string> walk_log(git_repository* repo, const LoadKey& key, std::uint64_t wanted);

// The log entry of one commit.
Commit commit_record(const git_commit* commit);

}  // namespace repo
