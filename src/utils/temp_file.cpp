#include "utils/temp_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "utils/fd.hpp"
#include "utils/text.hpp"

namespace utils {

std::string temp_directory() {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string dir = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
  if (dir.front() != '/') {
    std::error_code ec;
    auto absolute = std::filesystem::absolute(dir, ec);
    if (!ec) dir = absolute.string();
  }
  return dir;
}

std::expected<PrivateTempFile, std::string> PrivateTempFile::create(const std::string& dir,
                                                                    std::string_view prefix,
                                                                    std::string_view suffix,
                                                                    std::string_view content) {
  std::string pattern = dir;
  if (pattern.empty() || pattern.back() != '/') pattern += '/';
  pattern.append(prefix).append("XXXXXX").append(suffix);
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  // O_CREAT | O_EXCL and mode 0600: a name taken already, even by a dangling
  // link, makes it try another.
  const int fd = ::mkostemps(name.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
  if (fd < 0) return std::unexpected(os_error_text(errno));
  PrivateTempFile file(std::string(name.data()));
  auto written = write_all(fd, content);
  const int close_rc = ::close(fd);
  if (!written) return std::unexpected(os_error_text(written.error()));
  if (close_rc != 0 && errno != EINTR) return std::unexpected(os_error_text(errno));
  return file;
}

PrivateTempFile& PrivateTempFile::operator=(PrivateTempFile&& other) noexcept {
  if (this != &other) {
    remove();
    path_ = std::move(other.path_);
    other.path_.clear();
  }
  return *this;
}

void PrivateTempFile::remove() noexcept {
  if (!path_.empty()) ::unlink(path_.c_str());
  path_.clear();
}

std::expected<std::string, std::string> PrivateTempFile::read() const {
  const Fd file(::open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (file.fd < 0) return std::unexpected(os_error_text(errno));
  std::string bytes;
  if (auto got = read_all(file.fd, bytes); !got) return std::unexpected(os_error_text(got.error()));
  return bytes;
}

}  // namespace utils
