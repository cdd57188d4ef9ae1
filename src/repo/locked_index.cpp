// The library can only read and write an index at the path it opened it
// from, and its write takes the lock we hold: it works on a path of its own
// in a private directory beside the index. That path starts as a hard link
// to the index, read while we hold the lock (a copy with the index's times
// where links cannot be made: the library's racy-entry check compares them
// with the entries'), and the library's written copy is renamed over our
// lock file and then over the index, as git renames its lock file. No byte
// of the index is copied on the way.

#include "repo/locked_index.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

#include <git2/sys/repository.h>

#include "utils/fd.hpp"
#include "utils/text.hpp"

namespace repo {
namespace {

// The index at `copy` too; false when there is no index yet (nothing
// staged in a new repository).
std::expected<bool, std::string> link_or_copy(const std::string& index, const std::string& copy) {
  if (::link(index.c_str(), copy.c_str()) == 0) return true;
  if (errno == ENOENT) return false;
  utils::Fd in(::open(index.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.fd < 0) {
    if (errno == ENOENT) return false;
    return utils::os_failure("failed to read the index: ", errno);
  }
  struct stat st {};
  if (::fstat(in.fd, &st) != 0) return utils::os_failure("failed to read the index: ", errno);
  std::string bytes;
  if (auto got = utils::read_all(in.fd, bytes); !got)
    return utils::os_failure("failed to read the index: ", got.error());
  utils::Fd out(::open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (out.fd < 0) return utils::os_failure("failed to copy the index: ", errno);
  if (auto written = utils::write_all(out.fd, bytes); !written)
    return utils::os_failure("failed to copy the index: ", written.error());
  const timespec times[2] = {st.st_atim, st.st_mtim};
  if (::futimens(out.fd, times) != 0) return utils::os_failure("failed to copy the index: ", errno);
  return true;
}

}  // namespace

std::expected<LockedIndex, std::string> LockedIndex::take(git_repository* repo) {
  auto lock = IndexLock::take(repo);
  if (!lock) return std::unexpected(lock.error());
  LockedIndex locked;
  const std::string index_path = lock->index_path();
  locked.lock_.emplace(std::move(*lock));

  // Beside the index, so that the renames stay on its file system.
  const std::string git_dir = index_path.substr(0, index_path.rfind('/') + 1);
  std::string pattern = git_dir + "tarnwick-index-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (::mkdtemp(name.data()) == nullptr) return utils::os_failure("failed to copy the index: ", errno);
  locked.work_dir_ = name.data();

  const std::string copy = locked.work_dir_ + "/index";
  if (auto linked = link_or_copy(index_path, copy); !linked) return std::unexpected(linked.error());
  // A missing copy opens as an empty index, as a missing index does.
  git_index* raw = nullptr;
  if (git_index_open(&raw, copy.c_str()) != 0) return git_failure();
  locked.index_.reset(raw);
  if (git_repository_set_index(repo, raw) != 0) return git_failure();
  locked.repo_ = repo;
  return locked;
}

LockedIndex::LockedIndex(LockedIndex&& other) noexcept
    : repo_(std::exchange(other.repo_, nullptr)),
      lock_(std::exchange(other.lock_, std::nullopt)),
      work_dir_(std::exchange(other.work_dir_, {})),
      index_(std::move(other.index_)) {}

LockedIndex::~LockedIndex() { release(); }

void LockedIndex::release() noexcept {
  if (repo_ != nullptr) (void)git_repository_set_index(repo_, nullptr);
  repo_ = nullptr;
  lock_.reset();
  if (!work_dir_.empty()) {
    // The copy, and the library's own lock beside it should its write have
    // failed half way.
    ::unlink((work_dir_ + "/index").c_str());
    ::unlink((work_dir_ + "/index.lock").c_str());
    ::rmdir(work_dir_.c_str());
  }
  work_dir_.clear();
}

std::expected<void, std::string> LockedIndex::commit() {
  if (!lock_) return std::unexpected(std::string("the index is not locked"));
  if (git_index_write(index_.get()) != 0) {
    std::string error = last_git_error();
    release();
    return std::unexpected(std::move(error));
  }
  // The lock file keeps its name throughout: the written index takes its
  // place, then the index's.
  auto committed = lock_->commit(work_dir_ + "/index");
  release();
  if (!committed) return utils::os_failure("failed to write the index: ", committed.error());
  return {};
}

}  // namespace repo
