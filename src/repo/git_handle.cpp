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
  });
}

std::string last_git_error(std::string_view fallback) {
  const git_error* e = git_error_last();
  if (e == nullptr || e->message == nullptr || e->message[0] == '\0') return std::string(fallback);
  return e->message;
}

std::expected<RepoPtr, std::string> open_repository(const std::string& path) {
  ensure_libgit2();
  git_repository* raw = nullptr;
  if (git_repository_open(&raw, path.c_str()) != 0) return std::unexpected(last_git_error());
  return RepoPtr(raw);
}

}  // namespace repo
