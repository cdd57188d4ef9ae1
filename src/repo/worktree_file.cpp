#include "repo/worktree_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace repo {
namespace {

std::optional<std::string> read_link(const std::string& path, std::size_t size_hint) {
  std::string target(size_hint > 0 ? size_hint + 1 : 256, '\0');
  for (;;) {
    const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n < 0) return std::nullopt;
    if (static_cast<std::size_t>(n) < target.size()) {
      target.resize(static_cast<std::size_t>(n));
      return target;
    }
    // Possibly cut: the link changed since lstat; try with more room.
    target.resize(target.size() * 2);
  }
}

std::optional<std::string> read_regular(const std::string& path) {
  // O_NONBLOCK and the fstat check keep a path swapped for a FIFO since
  // lstat from stalling the read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  std::optional<std::string> out;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    std::string data;
    data.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) break;
      if (n == 0) {
        out = std::move(data);
        break;
      }
      data.append(buf, static_cast<std::size_t>(n));
    }
  }
  ::close(fd);
  return out;
}

}  // namespace

std::optional<std::string> read_worktree_entry(const std::string& full_path) {
  struct stat st {};
  if (::lstat(full_path.c_str(), &st) != 0) return std::nullopt;
  if (S_ISLNK(st.st_mode)) return read_link(full_path, static_cast<std::size_t>(st.st_size));
  if (S_ISREG(st.st_mode)) return read_regular(full_path);
  return std::nullopt;
}

}  // namespace repo
