#include "utils/fd.hpp"

#include <unistd.h>

#include <cerrno>

namespace utils {

void Fd::reset() noexcept {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

std::expected<void, int> write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return {};
}

std::expected<void, int> read_all(int fd, std::string& out, std::size_t most) {
  char chunk[65536];
  while (out.size() <= most) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(errno);
    }
    if (n == 0) break;
    out.append(chunk, static_cast<std::size_t>(n));
  }
  return {};
}

}  // namespace utils
