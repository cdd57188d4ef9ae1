#pragma once
// Reading and writing single work-tree entries without ever following a
// symbolic link, and without leaving a half-written file behind.

#include <expected>
#include <optional>
#include <string>
#include <string_view>

namespace repo {

enum class EntryKind { Missing, Regular, Link, Other };

struct WorktreeEntry {
  EntryKind kind = EntryKind::Missing;
  std::string bytes;       // a regular file's bytes, or a link's target
  unsigned mode = 0;       // as lstat gives it
  bool too_large = false;  // a regular file past the size asked for: no bytes read
};

// The full path of a repository-relative path in the work directory. Paths
// that could name something else are refused with EINVAL: no work directory,
// an empty or absolute path, ".", ".." or empty components. A parent that is
// a symbolic link or no directory gives ENOTDIR, a missing one ENOENT, unless
// make_parents asks for the missing ones to be created.
std::expected<std::string, int> checked_worktree_path(const std::string& workdir, std::string_view relative,
                                                      bool make_parents = false);

// The entry itself, never what a link points at. A missing entry is kind
// Missing, not an error; anything but a regular file or a link is Other and
// is not read. A regular file larger than most_bytes is not read at all.
std::expected<WorktreeEntry, int> read_worktree_entry_at(
    const std::string& full, std::optional<std::size_t> most_bytes = std::nullopt);

// Writes the bytes through a temporary file and a rename, so a failed write
// leaves the old file whole. The temporary file is made in the scratch
// directory (the git directory) when that lies on the file's file system,
// else beside the file, so that one left by a process killed half-way is
// never a change in the work tree. perms: the permission bits to give the
// file (an existing file's own); absent: a new file made with 0666, or 0777
// when executable, less the umask.
std::expected<void, int> write_worktree_file(const std::string& full, const std::string& scratch_dir,
                                             std::string_view bytes, std::optional<unsigned> perms,
                                             bool executable = false);

// Puts a symbolic link with the target in place of whatever entry is there,
// the same way.
std::expected<void, int> write_worktree_link(const std::string& full, const std::string& scratch_dir,
                                             const std::string& target);

}  // namespace repo
