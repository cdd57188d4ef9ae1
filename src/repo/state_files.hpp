#pragma once
// The files a stopped merge, squash merge, cherry-pick or revert leaves in
// the git directory, and their removal once a commit or a checkout has
// ended that operation.

#include <array>
#include <expected>
#include <span>
#include <string>
#include <string_view>

struct git_repository;

namespace repo {

// What git checkout removes.
inline constexpr std::array<std::string_view, 8> kCheckoutEndedStateFiles = {
    "MERGE_HEAD", "MERGE_MODE", "MERGE_MSG", "MERGE_RR", "AUTO_MERGE", "SQUASH_MSG", "CHERRY_PICK_HEAD", "REVERT_HEAD"};

// What git commit removes (a stopped merge's MERGE_RR stays for rerere).
inline constexpr std::array<std::string_view, 7> kCommitEndedStateFiles = {
    "MERGE_HEAD", "MERGE_MODE", "MERGE_MSG", "AUTO_MERGE", "SQUASH_MSG", "CHERRY_PICK_HEAD", "REVERT_HEAD"};

// The path of a file in the repository's git directory.
std::string state_file_path(git_repository* repo, std::string_view name);

// Removes every one of the files that exists. One that exists but cannot be
// removed is named in the failure, "could not remove {name}: {}" with the
// system's error text; the others are removed all the same.
std::expected<void, std::string> remove_state_files(git_repository* repo, std::span<const std::string_view> names);

}  // namespace repo
