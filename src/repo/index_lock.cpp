#include "repo/index_lock.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "repo/git_handle.hpp"

namespace repo {
namespace {

// The library's words for a held lock, as a staging change reports it.
constexpr std::string_view kIndexLocked = "the index is locked; this might be due to a concurrent or crashed process";

}  // namespace

std::expected<IndexLock, std::string> IndexLock::take(git_repository* repo) {
  // Where the library keeps this repository's index (a linked work tree has
  // its own).
  std::string path = std::string(git_repository_path(repo)) + "index.lock";
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (errno == EEXIST) return std::unexpected(std::string(kIndexLocked));
    const int error = errno;
    return std::unexpected("failed to create locked file '" + path + "': " + std::strerror(error));
  }
  ::close(fd);
  return IndexLock(std::move(path));
}

IndexLock::~IndexLock() {
  if (!path_.empty()) ::unlink(path_.c_str());
}

}  // namespace repo
