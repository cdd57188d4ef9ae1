#pragma once
// The index's lock file, taken as every writer of the index takes it.
// Internal to the repository layer.

#include <expected>
#include <string>

struct git_repository;

namespace repo {

// Holds "index.lock" beside the repository's index from creation until the
// object goes; a lock another program holds is never touched.
class IndexLock {
 public:
  // Fails while the lock exists (another git is writing the index) with the
  // library's own words for it, "the index is locked; this might be due to a
  // concurrent or crashed process"; when it cannot be made otherwise, with
  // "failed to create locked file '{}': {}".
  static std::expected<IndexLock, std::string> take(git_repository* repo);

  IndexLock(IndexLock&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }
  IndexLock& operator=(IndexLock&&) = delete;
  IndexLock(const IndexLock&) = delete;
  IndexLock& operator=(const IndexLock&) = delete;
  ~IndexLock();

 private:
  explicit IndexLock(std::string path) : path_(std::move(path)) {}
  std::string path_;
};

}  // namespace repo
