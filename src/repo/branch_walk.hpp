#pragma once
// Going through the branches of a repository.

#include <git2.h>

#include <functional>
#include <string_view>

namespace repo {

// An iterator or walk that keeps failing without moving on must not spin
// forever: this many failures in a row end it.
inline constexpr int kMaxConsecutiveErrors = 64;

// Calls `visit` with the short name and the resolved target of every branch
// of the type, in the library's order. Branches whose name is not UTF-8 or
// whose reference does not resolve to an id are skipped, as is any single
// item the iterator fails on.
void for_each_branch(git_repository* repo, git_branch_t type,
                     const std::function<void(std::string_view name, const git_oid& target)>& visit);

}  // namespace repo
