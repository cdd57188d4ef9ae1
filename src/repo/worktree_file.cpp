#include "repo/worktree_file.hpp"

#include "repo/worktree_write.hpp"

namespace repo {

std::optional<std::string> read_worktree_entry(const std::string& full_path) {
  auto entry = read_worktree_entry_at(full_path);
  if (!entry || (entry->kind != EntryKind::Regular && entry->kind != EntryKind::Link)) return std::nullopt;
  return std::move(entry->bytes);
}

}  // namespace repo
