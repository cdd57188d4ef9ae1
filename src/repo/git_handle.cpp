#include "repo/git_handle.hpp"

#include <mutex>

namespace repo {

void ensure_libgit2() {
  // Never shut down: worker threads may still be inside the library at exit.
  static std::once_flag once;
  std::call_once(once, [] {
    git_libgit2_init();
    // Commits are read once per operation, so a cache of them only holds
    // memory: a whole log would keep every commit twice (raw and parsed)
    // until the repository closes, and then take long to free.
    git_libgit2_opts(GIT_OPT_SET_CACHE_OBJECT_LIMIT, GIT_OBJECT_COMMIT, static_cast<std::size_t>(0));
    // git's own reads do not hash every object again either; on a long
    // walk the check costs a fifth of the time.
    git_libgit2_opts(GIT_OPT_ENABLE_STRICT_HASH_VERIFICATION, 0);
  });
}

std::string last_git_error(std::string_view fallback) {
  const git_error* e = git_error_last();
  if (e == nullptr || e->message == nullptr || e->message[0] == '\0') return std::string(fallback);
  return e->message;
}

std::expected<IndexPtr, std::string> open_index(git_repository* repo) {
  git_index* raw = nullptr;
  if (git_repository_index(&raw, repo) != 0) return git_failure();
  return IndexPtr(raw);
}

bool config_true(git_config* config, const char* name) {
  int value = 0;
  if (git_config_get_bool(&value, config, name) != 0) {
    git_error_clear();
    return false;
  }
  return value != 0;
}

namespace {

template <class Ptr, class Raw>
std::expected<Ptr, int> peel_head(git_repository* repo, git_object_t type) {
  git_reference* head_raw = nullptr;
  if (const int rc = git_repository_head(&head_raw, repo); rc != 0) return std::unexpected(rc);
  ReferencePtr head(head_raw);
  git_object* peeled = nullptr;
  if (const int rc = git_reference_peel(&peeled, head.get(), type); rc != 0) return std::unexpected(rc);
  return Ptr(reinterpret_cast<Raw*>(peeled));
}

}  // namespace

std::expected<CommitPtr, int> peel_head_commit(git_repository* repo) {
  return peel_head<CommitPtr, git_commit>(repo, GIT_OBJECT_COMMIT);
}

std::expected<TreePtr, int> peel_head_tree(git_repository* repo) {
  return peel_head<TreePtr, git_tree>(repo, GIT_OBJECT_TREE);
}

std::expected<RepoPtr, LibraryError> open_repository_coded(const std::string& path) {
  ensure_libgit2();
  git_repository* raw = nullptr;
  if (const int rc = git_repository_open(&raw, path.c_str()); rc != 0)
    return std::unexpected(LibraryError{rc, last_git_error()});
  return RepoPtr(raw);
}

std::expected<RepoPtr, std::string> open_repository(const std::string& path) {
  auto opened = open_repository_coded(path);
  if (!opened) return std::unexpected(std::move(opened.error().message));
  return std::move(*opened);
}

}  // namespace repo
