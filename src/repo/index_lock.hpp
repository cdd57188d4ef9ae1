#pragma once
// The index's lock file, index.lock beside the repository's index, the one
// every writer of the index takes. Created exclusively, as git creates it: a
// lock another program holds is never touched. Internal to the repository
// layer.

#include <expected>
#include <string>
#include <string_view>

struct git_repository;

namespace repo {

// The library's words for an index another program holds locked.
inline constexpr std::string_view kIndexLockedText =
    "the index is locked; this might be due to a concurrent or crashed process";

// Holds the lock from creation until the object goes, or until the index is
// renamed into place through it.
class IndexLock {
 public:
  // Fails while the lock exists with kIndexLockedText; when it cannot be made
  // otherwise, with "failed to create locked file '{}': {}".
  static std::expected<IndexLock, std::string> take(git_repository* repo);

  // For a writer that takes the lock through the library, which does so only
  // around its own write: fails as take() does while another program holds
  // it, and takes nothing.
  static std::expected<void, std::string> refuse_if_held(git_repository* repo);

  IndexLock(IndexLock&& other) noexcept;
  IndexLock& operator=(IndexLock&&) = delete;
  IndexLock(const IndexLock&) = delete;
  IndexLock& operator=(const IndexLock&) = delete;
  ~IndexLock() { release(); }

  bool held() const { return !path_.empty(); }
  const std::string& index_path() const { return index_path_; }

  // The new index at `written` takes the lock file's place and then the
  // index's, as git ends its write; the lock is gone on success. The errno
  // of a rename that fails; the lock is then still held.
  std::expected<void, int> commit(const std::string& written);

  // Removes the lock file now.
  void release() noexcept;

 private:
  IndexLock(std::string path, std::string index_path)
      : path_(std::move(path)), index_path_(std::move(index_path)) {}

  std::string path_;
  std::string index_path_;
};

}  // namespace repo
