#pragma once
// Files that git passes through an outside filter driver (the `filter`
// attribute naming a configured filter.<name>.clean, .smudge or .process, as
// git-lfs sets up). The library runs only its built-in conversions, so for
// these files the work-tree status and diff come from git, and the file goes
// into the index and back into the work tree whole, through git. Internal to
// the repository layer.

#include <expected>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "repo/status_diff.hpp"

namespace repo {

class FilterDrivers {
 public:
  // The drivers git would run, from the repository's configuration: those
  // with a clean, smudge or process command, and those marked required
  // (git then refuses the file rather than take it unfiltered). A driver
  // that the configuration does not define is no driver: git reads the
  // file as it is.
  static FilterDrivers read(git_repository* repo);

  // The driver git runs for the path; one attribute lookup, none at all
  // when no driver is configured.
  std::optional<std::string> driver_for(git_repository* repo, const std::string& path) const;

 private:
  std::set<std::string, std::less<>> names_;
};

// The same for one path, the configuration read for it alone.
std::optional<std::string> filter_driver_at(git_repository* repo, const std::string& path);

// git's own diff of the work tree against the index for these paths, as
// `git diff` shows it, keyed by path. A path git sees unchanged has no key.
// Absent when git fails or its output cannot be read back.
std::optional<HunksByPath> git_worktree_hunks(const std::string& work_dir,
                                              const std::vector<std::string>& paths);

// Whether git sees any of these paths changed in the work tree; true when
// it cannot tell.
bool git_sees_worktree_change(const std::string& work_dir, const std::vector<std::string>& paths);

// `git add` of exactly this path, whose driver is named. A failing filter
// fails the add and leaves the index as it was.
std::expected<void, std::string> add_with_git(const std::string& work_dir, const std::string& path,
                                              const std::string& driver);

}  // namespace repo
