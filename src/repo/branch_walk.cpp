#include "repo/branch_walk.hpp"

#include "repo/git_handle.hpp"
#include "utils/text.hpp"

namespace repo {

void for_each_branch(git_repository* repo, git_branch_t type,
                     const std::function<void(std::string_view name, const git_oid& target)>& visit) {
  git_branch_iterator* iter_raw = nullptr;
  if (git_branch_iterator_new(&iter_raw, repo, type) != 0) return;
  BranchIteratorPtr iter(iter_raw);
  int consecutive_errors = 0;
  for (;;) {
    git_reference* ref_raw = nullptr;
    git_branch_t got_type;
    const int rc = git_branch_next(&ref_raw, &got_type, iter.get());
    if (rc == GIT_ITEROVER) break;
    ReferencePtr ref(ref_raw);
    if (rc != 0) {
      if (++consecutive_errors >= kMaxConsecutiveErrors) break;
      continue;
    }
    consecutive_errors = 0;
    const char* name = nullptr;
    if (git_branch_name(&name, ref.get()) != 0 || name == nullptr || !utils::is_valid_utf8(name)) continue;
    git_reference* resolved_raw = nullptr;
    if (git_reference_resolve(&resolved_raw, ref.get()) != 0) continue;
    ReferencePtr resolved(resolved_raw);
    const git_oid* target = git_reference_target(resolved.get());
    if (target == nullptr) continue;
    visit(name, *target);
  }
}

}  // namespace repo
