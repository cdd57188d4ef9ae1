#pragma once
// Reading a work-tree entry the way git records it.

#include <optional>
#include <string>

namespace repo {

// A regular file's bytes, or a symbolic link's target text (the link is not
// followed). Anything else, a FIFO, a device, a directory or a missing path,
// is absent, so a read can never block on a special file.
std::optional<std::string> read_worktree_entry(const std::string& full_path);

}  // namespace repo
