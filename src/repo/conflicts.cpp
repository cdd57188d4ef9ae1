// The conflict context of a stopped merge or rebase, and resolving one
// conflict block of a work-tree file by keeping one of its sides.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "repo/conflict_markers.hpp"
#include "repo/git_handle.hpp"
#include "repo/repo.hpp"
#include "repo/state_files.hpp"
#include "utils/fd.hpp"
#include "utils/text.hpp"
#include "repo/worktree_write.hpp"

namespace repo {
namespace {

constexpr std::size_t kLabelPrefix = 7;

bool exists(const std::string& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0;
}

// A state file's text, when it can be read and is UTF-8.
std::optional<std::string> read_state_file(const std::string& p) {
  const utils::Fd file(::open(p.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.fd < 0) return std::nullopt;
  std::string text;
  if (!utils::read_all(file.fd, text) || !utils::is_valid_utf8(text)) return std::nullopt;
  return text;
}

// The first branch, in map order, whose id begins with the text's first
// seven bytes; only names without a '/' unless any name may do.
std::optional<std::string> branch_with_prefix(const BranchMap& branches, std::string_view id_text,
                                              bool any_name) {
  const std::string_view prefix = id_text.substr(0, kLabelPrefix);
  for (const auto& [name, id] : branches) {
    if (!any_name && name.name.find('/') != std::string::npos) continue;
    if (id.hex().starts_with(prefix)) return name.name;
  }
  return std::nullopt;
}

// The first n characters of UTF-8 text.
std::string first_characters(std::string_view text, std::size_t n) {
  std::size_t i = 0;
  for (std::size_t count = 0; i < text.size() && count < n; ++count) {
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  }
  return std::string(text.substr(0, i));
}

}  // namespace

ConflictContext Repo::detect_conflict_context() const {
  ConflictContext context{"ours", "theirs", ConflictKind::None};
  if (workdir.empty()) return context;
  const std::string git_dir = workdir_path(".git");
  std::string state_dir;
  if (exists(git_dir + "/rebase-merge"))
    state_dir = git_dir + "/rebase-merge";
  else if (exists(git_dir + "/rebase-apply"))
    state_dir = git_dir + "/rebase-apply";

  if (!state_dir.empty()) {
    context.kind = ConflictKind::Rebase;
    if (auto head_name = read_state_file(state_dir + "/head-name")) {
      std::string label = utils::trim_ascii_space(*head_name);
      if (label.starts_with("refs/heads/")) label.erase(0, 11);
      context.theirs_label = std::move(label);
    } else {
      context.theirs_label = "HEAD";
    }
    context.ours_label = "target";
    if (auto onto = read_state_file(state_dir + "/onto")) {
      const std::string id = utils::trim_ascii_space(*onto);
      auto label = branch_with_prefix(branches, id, false);
      if (!label) label = branch_with_prefix(branches, id, true);
      if (label) context.ours_label = std::move(*label);
    }
    return context;
  }

  if (!exists(git_dir + "/MERGE_HEAD")) return context;
  context.kind = ConflictKind::Merge;
  if (const auto* branch = std::get_if<HeadBranch>(&head))
    context.ours_label = branch->name;
  else
    context.ours_label = std::get<HeadDetached>(head).id.short_hex();
  if (auto merge_head = read_state_file(git_dir + "/MERGE_HEAD")) {
    const std::string id = utils::trim_ascii_space(*merge_head);
    auto label = branch_with_prefix(branches, id, false);
    context.theirs_label = label ? std::move(*label) : first_characters(id, kLabelPrefix);
  } else {
    context.theirs_label = "source";
  }
  return context;
}

bool Repo::rebase_in_progress() const {
  // The git directory itself: a linked work tree's ".git" is only a file.
  auto repo = open_repository(path);
  return repo && repo::rebase_in_progress(repo->get());
}

std::expected<void, std::string> Repo::resolve_conflict(const std::string& file, std::size_t section,
                                                        bool use_ours) const {
  auto full = checked_worktree_path(workdir, file);
  if (!full) return utils::os_failure("Failed to read file: ", full.error());
  auto entry = read_worktree_entry_at(*full);
  if (!entry) return utils::os_failure("Failed to read file: ", entry.error());
  // Never through a link: only the conflicted file itself is rewritten.
  switch (entry->kind) {
    case EntryKind::Missing:
      return utils::os_failure("Failed to read file: ", ENOENT);
    case EntryKind::Link:
      return utils::os_failure("Failed to read file: ", ELOOP);
    case EntryKind::Other:
      return utils::os_failure("Failed to read file: ", S_ISDIR(entry->mode) ? EISDIR : EINVAL);
    case EntryKind::Regular:
      break;
  }
  const std::string& text = entry->bytes;
  if (!utils::is_valid_utf8(text)) return utils::os_failure("Failed to read file: ", EILSEQ);

  // The blocks are those the staging view lists, so section i is the i-th
  // one shown; an index past them names nothing that can be resolved.
  const auto blocks = scan_conflict_blocks(text);
  if (section >= blocks.size()) return std::unexpected(std::string("conflict section not found"));
  const ConflictBlock& block = blocks[section];
  std::string out;
  out.reserve(text.size());
  out.append(text, 0, block.begin);
  if (use_ours)
    out.append(text, block.ours_begin, block.ours_end - block.ours_begin);
  else
    out.append(text, block.theirs_begin, block.theirs_end - block.theirs_begin);
  out.append(text, block.end, std::string::npos);
  // A block closing the file without a final line feed: the kept lines
  // end the file the same way.
  if (block.end == text.size() && !text.ends_with('\n') && out.ends_with('\n')) {
    out.pop_back();
    if (out.ends_with('\r')) out.pop_back();
  }

  auto handle = open_repository(path);
  const std::string scratch = handle ? git_repository_path(handle->get()) : std::string();
  auto written = write_worktree_file(*full, scratch, out, entry->mode & 07777);
  if (!written) return utils::os_failure("Failed to write file: ", written.error());
  return {};
}

std::size_t Repo::conflict_blocks_left(const std::string& file) const {
  auto full = checked_worktree_path(workdir, file);
  if (!full) return 0;
  auto entry = read_worktree_entry_at(*full);
  if (!entry || entry->kind != EntryKind::Regular) return 0;
  return scan_conflict_blocks(entry->bytes).size();
}

}  // namespace repo
