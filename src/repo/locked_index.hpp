#pragma once
// Changing the index as git changes it: index.lock is taken before the index
// is read and held until the new index is renamed into place, so a change
// another program makes meanwhile waits for the lock or fails, and is never
// written over. The library takes that lock only around its own write.

#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "repo/git_handle.hpp"
#include "repo/index_lock.hpp"

namespace repo {

class LockedIndex {
 public:
  // Takes the lock (IndexLock) and reads the index under it into the index
  // object that the repository's own index operations then use. A lock
  // already there fails with kIndexLockedText, and changes nothing.
  static std::expected<LockedIndex, std::string> take(git_repository* repo);

  LockedIndex(LockedIndex&& other) noexcept;
  LockedIndex& operator=(LockedIndex&&) = delete;
  LockedIndex(const LockedIndex&) = delete;
  LockedIndex& operator=(const LockedIndex&) = delete;
  // A lock not committed goes, and the index stays as it was.
  ~LockedIndex();

  git_index* get() const { return index_.get(); }

  // The changed index, as the library writes it, takes the lock file's
  // place and then the index's; the lock is gone either way.
  std::expected<void, std::string> commit();

 private:
  LockedIndex() = default;
  void release() noexcept;

  // Uses the index object until the lock goes, and reads the index on disk
  // again after that.
  git_repository* repo_ = nullptr;
  std::optional<IndexLock> lock_;
  // A private directory beside the index where the library reads and
  // writes its own path to it.
  std::string work_dir_;
  IndexPtr index_;
};

}  // namespace repo
