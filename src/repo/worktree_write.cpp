#include "repo/worktree_write.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "utils/fd.hpp"

namespace repo {
namespace {

constexpr int kNameAttempts = 100;

// A fresh name in the directory (given with its trailing "/") for a
// temporary copy of the file: the file's name, so that a leftover tells
// what it was, and a random suffix.
std::string temporary_name(const std::string& dir, const std::string& full) {
  const auto slash = full.rfind('/');
  // Short enough that the name stays within the file system's limit.
  const std::string base = (slash == std::string::npos ? full : full.substr(slash + 1)).substr(0, 64);
  std::random_device random;
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, "%08x%08x", random(), random());
  return dir + "." + base + ".tarnwick-" + suffix;
}

std::string directory_of(const std::string& full) {
  const auto slash = full.rfind('/');
  return slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
}

bool same_file_system(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev;
}

// Makes a new entry under a fresh temporary name and renames it over the
// path; the temporary entry is removed when anything fails. It is made in
// the scratch directory when that is on the path's file system (a rename
// cannot cross one), else beside the path; a scratch directory that refuses
// it, or a rename across mounts of one file system, falls back beside it.
std::expected<void, int> create_and_rename(const std::string& full, const std::string& scratch_dir,
                                           const std::function<int(const std::string&)>& create) {
  const std::string beside = directory_of(full);
  std::vector<std::string> dirs;
  if (!scratch_dir.empty() && same_file_system(scratch_dir, beside.empty() ? "." : beside))
    dirs.push_back(scratch_dir.ends_with('/') ? scratch_dir : scratch_dir + "/");
  dirs.push_back(beside);
  for (std::size_t d = 0; d < dirs.size(); ++d) {
    const bool last = d + 1 == dirs.size();
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
      const std::string tmp = temporary_name(dirs[d], full);
      const int err = create(tmp);
      if (err == EEXIST) continue;
      if (err != 0) {
        if (last) return std::unexpected(err);
        break;
      }
      if (::rename(tmp.c_str(), full.c_str()) != 0) {
        const int rename_err = errno;
        ::unlink(tmp.c_str());
        if (last || rename_err != EXDEV) return std::unexpected(rename_err);
        break;
      }
      return {};
    }
  }
  return std::unexpected(EEXIST);
}

}  // namespace

std::expected<std::string, int> checked_worktree_path(const std::string& workdir, std::string_view relative,
                                                      bool make_parents) {
  if (workdir.empty() || relative.empty() || relative.front() == '/') return std::unexpected(EINVAL);
  std::string full = workdir == "/" ? std::string() : workdir;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t slash = relative.find('/', pos);
    const std::string_view part =
        relative.substr(pos, slash == std::string_view::npos ? std::string_view::npos : slash - pos);
    if (part.empty() || part == "." || part == "..") return std::unexpected(EINVAL);
    full += '/';
    full += part;
    if (slash == std::string_view::npos) return full;
    // Every parent must be a real directory: a link in its place would carry
    // the write out of the work tree.
    struct stat st {};
    if (::lstat(full.c_str(), &st) != 0) {
      if (errno != ENOENT || !make_parents) return std::unexpected(errno);
      if (::mkdir(full.c_str(), 0777) != 0 && errno != EEXIST) return std::unexpected(errno);
      if (::lstat(full.c_str(), &st) != 0) return std::unexpected(errno);
    }
    if (!S_ISDIR(st.st_mode)) return std::unexpected(ENOTDIR);
    pos = slash + 1;
  }
}

std::expected<WorktreeEntry, int> read_worktree_entry_at(const std::string& full,
                                                         std::optional<std::size_t> most_bytes) {
  WorktreeEntry entry;
  struct stat st {};
  if (::lstat(full.c_str(), &st) != 0) {
    if (errno == ENOENT) return entry;
    return std::unexpected(errno);
  }
  entry.mode = st.st_mode;
  if (S_ISLNK(st.st_mode)) {
    entry.kind = EntryKind::Link;
    std::string target(static_cast<std::size_t>(st.st_size) + 1, '\0');
    for (;;) {
      const ssize_t n = ::readlink(full.c_str(), target.data(), target.size());
      if (n < 0) return std::unexpected(errno);
      if (static_cast<std::size_t>(n) < target.size()) {
        target.resize(static_cast<std::size_t>(n));
        break;
      }
      target.resize(target.size() * 2);  // the link grew since lstat
    }
    entry.bytes = std::move(target);
    return entry;
  }
  if (!S_ISREG(st.st_mode)) {
    entry.kind = EntryKind::Other;
    return entry;
  }
  entry.kind = EntryKind::Regular;
  // O_NONBLOCK and the fstat check keep a path swapped for a FIFO since
  // lstat from stalling the read.
  const int fd = ::open(full.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return std::unexpected(errno);
  struct stat now {};
  int err = ::fstat(fd, &now) != 0 ? errno : S_ISREG(now.st_mode) ? 0 : EINVAL;
  const std::size_t most = most_bytes.value_or(std::numeric_limits<std::size_t>::max());
  if (err == 0) {
    entry.mode = now.st_mode;
    const auto size = static_cast<std::size_t>(now.st_size);
    if (size > most) {
      entry.too_large = true;
    } else {
      entry.bytes.reserve(size);
      if (auto got = utils::read_all(fd, entry.bytes, most); !got) err = got.error();
    }
  }
  ::close(fd);
  if (err != 0) return std::unexpected(err);
  // It grew while it was read.
  if (entry.bytes.size() > most) {
    entry.bytes.clear();
    entry.too_large = true;
  }
  return entry;
}

std::expected<void, int> write_worktree_file(const std::string& full, const std::string& scratch_dir,
                                             std::string_view bytes, std::optional<unsigned> perms,
                                             bool executable) {
  return create_and_rename(full, scratch_dir, [&](const std::string& tmp) {
    const mode_t create_mode = perms ? 0600 : executable ? 0777 : 0666;
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, create_mode);
    if (fd < 0) return errno;
    auto written = utils::write_all(fd, bytes);
    int err = written ? 0 : written.error();
    if (err == 0 && perms && ::fchmod(fd, static_cast<mode_t>(*perms & 07777)) != 0) err = errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err != 0) ::unlink(tmp.c_str());
    return err;
  });
}

std::expected<void, int> write_worktree_link(const std::string& full, const std::string& scratch_dir,
                                             const std::string& target) {
  // A link cannot point at nothing.
  if (target.empty() || target.find('\0') != std::string::npos) return std::unexpected(EINVAL);
  return create_and_rename(full, scratch_dir, [&](const std::string& tmp) {
    return ::symlink(target.c_str(), tmp.c_str()) == 0 ? 0 : errno;
  });
}

}  // namespace repo
