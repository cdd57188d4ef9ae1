#pragma once
// The diff model shared by the staging view and the commit details: hunks of
// lines, conflict blocks, changed files of the work tree and of a commit.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "commit_graph/oid.hpp"

namespace repo {

using commit_graph::Oid;

struct DiffLine {
  std::string content;  // without its line ending; a CR before a LF stays
  std::optional<std::uint32_t> old_lineno;
  std::optional<std::uint32_t> new_lineno;
  char origin = ' ';  // '+', '-' or ' '
  friend bool operator==(const DiffLine&, const DiffLine&) = default;
};

struct Hunk {
  std::vector<DiffLine> lines;
  // Whether the old and the new side of the file end without a line feed at
  // the end of this hunk; only a hunk that reaches the last line can say so.
  bool old_missing_newline = false;
  bool new_missing_newline = false;
  friend bool operator==(const Hunk&, const Hunk&) = default;
};

struct ConflictSection {
  std::vector<std::string> ours;
  std::vector<std::string> theirs;
  friend bool operator==(const ConflictSection&, const ConflictSection&) = default;
};

enum class ChangeKind : std::uint8_t {
  Untracked = 0,
  Modified = 1,
  Added = 2,
  Deleted = 3,
  Renamed = 4,
  TypeChange = 5,
  Conflicted = 6,
};

struct WorktreeFile {
  std::string path;
  std::vector<Hunk> unstaged_hunks;
  std::vector<Hunk> staged_hunks;
  std::vector<ConflictSection> conflict_sections;
  std::size_t additions = 0;  // for a conflicted file: the number of sections
  std::size_t deletions = 0;
  ChangeKind kind = ChangeKind::Modified;
  friend bool operator==(const WorktreeFile&, const WorktreeFile&) = default;
};

struct WorktreeStatus {
  std::vector<WorktreeFile> unstaged;
  std::vector<WorktreeFile> staged;
  friend bool operator==(const WorktreeStatus&, const WorktreeStatus&) = default;
};

struct FileChange {
  std::string path;
  std::vector<Hunk> hunks;
  std::size_t additions = 0;
  std::size_t deletions = 0;
  char status = '?';  // A, D, M, R, C, T or ?
  friend bool operator==(const FileChange&, const FileChange&) = default;
};

struct CommitDetails {
  std::string author;
  std::string email;
  std::string message;
  std::vector<FileChange> files;
  std::int64_t time = 0;
  Oid id;
  friend bool operator==(const CommitDetails&, const CommitDetails&) = default;
};

}  // namespace repo
