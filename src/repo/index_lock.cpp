#include "repo/index_lock.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "repo/git_handle.hpp"

namespace repo {
namespace {

std::unexpected<std::string> held_elsewhere() { return std::unexpected(std::string(kIndexLockedText)); }

// Where the library keeps this repository's index (a linked work tree has
// its own); empty when it cannot say.
std::string index_path_of(git_repository* repo) {
  const char* git_dir = git_repository_path(repo);
  if (git_dir == nullptr) return {};
  std::string path = git_dir;
  if (!path.empty() && path.back() != '/') path += '/';
  return path + "index";
}

}  // namespace

std::expected<IndexLock, std::string> IndexLock::take(git_repository* repo) {
  std::string index_path = index_path_of(repo);
  if (index_path.empty()) return git_failure();
  std::string path = index_path + ".lock";
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (errno == EEXIST) return held_elsewhere();
    const int error = errno;
    return std::unexpected("failed to create locked file '" + path + "': " + std::strerror(error));
  }
  // Nothing is written through it: the new index is renamed over it.
  ::close(fd);
  return IndexLock(std::move(path), std::move(index_path));
}

std::expected<void, std::string> IndexLock::refuse_if_held(git_repository* repo) {
  const std::string index_path = index_path_of(repo);
  struct stat st {};
  if (!index_path.empty() && ::lstat((index_path + ".lock").c_str(), &st) == 0) return held_elsewhere();
  return {};
}

IndexLock::IndexLock(IndexLock&& other) noexcept
    : path_(std::exchange(other.path_, {})), index_path_(std::move(other.index_path_)) {}

std::expected<void, int> IndexLock::commit(const std::string& written) {
  if (::rename(written.c_str(), path_.c_str()) != 0) return std::unexpected(errno);
  if (::rename(path_.c_str(), index_path_.c_str()) != 0) return std::unexpected(errno);
  path_.clear();  // it is the index now
  return {};
}

void IndexLock::release() noexcept {
  if (!path_.empty()) ::unlink(path_.c_str());
  path_.clear();
}

}  // namespace repo
