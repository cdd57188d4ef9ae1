#pragma once
// The files a stopped merge, squash merge, cherry-pick or revert leaves in
// the git directory, and their removal once a commit or a checkout has
// ended that operation; and whether a rebase is stopped there.

#include <array>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>

struct git_repository;

namespace repo {

// What git checkout removes.
inline constexpr std::array<std::string_view, 8> kCheckoutEndedStateFiles = {
    "MERGE_HEAD", "MERGE_MODE", "MERGE_MSG",        "MERGE_RR",
    "AUTO_MERGE", "SQUASH_MSG", "CHERRY_PICK_HEAD", "REVERT_HEAD"};

// What git commit removes (a stopped merge's MERGE_RR stays for rerere).
inline constexpr std::array<std::string_view, 7> kCommitEndedStateFiles = {
    "MERGE_HEAD", "MERGE_MODE", "MERGE_MSG", "AUTO_MERGE", "SQUASH_MSG", "CHERRY_PICK_HEAD", "REVERT_HEAD"};

// What a stopped merge, cherry-pick or revert leaves for the commit that
// is to end it: while one of these is there, git commit ends that operation.
inline constexpr std::array<std::string_view, 3> kStoppedOperationHeads = {"MERGE_HEAD", "CHERRY_PICK_HEAD",
                                                                           "REVERT_HEAD"};

// The path of a file in the repository's git directory.
std::string state_file_path(git_repository* repo, std::string_view name);

// Whether the file (of any kind) is in the repository's git directory.
bool state_file_exists(git_repository* repo, std::string_view name);

// A state file's text, when it can be read and is UTF-8.
std::optional<std::string> read_state_file(const std::string& path);

// Removes every one of the files that exists. One that exists but cannot be
// removed is named in the failure, "could not remove {name}: {}" with the
// system's error text; the others are removed all the same.
std::expected<void, std::string> remove_state_files(git_repository* repo,
                                                    std::span<const std::string_view> names);

// Whether git is in the middle of a rebase: its state directory
// "rebase-merge" (the merge backend) or "rebase-apply" (the apply backend),
// but not the "rebase-apply" of a stopped git am, which holds "applying" and
// which git rebase --continue and --abort refuse to touch.
bool rebase_in_progress(git_repository* repo);

}  // namespace repo
