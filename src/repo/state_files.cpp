#include "repo/state_files.hpp"

#include <fcntl.h>
#include <git2.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "utils/fd.hpp"
#include "utils/text.hpp"

namespace repo {

std::string state_file_path(git_repository* repo, std::string_view name) {
  std::string full = git_repository_path(repo);  // ends in "/"
  full += name;
  return full;
}

bool state_file_exists(git_repository* repo, std::string_view name) {
  struct stat st {};
  return ::lstat(state_file_path(repo, name).c_str(), &st) == 0;
}

std::optional<std::string> read_state_file(const std::string& path) {
  const utils::Fd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (file.fd < 0) return std::nullopt;
  std::string text;
  if (!utils::read_all(file.fd, text) || !utils::is_valid_utf8(text)) return std::nullopt;
  return text;
}

std::expected<void, std::string> remove_state_files(git_repository* repo,
                                                    std::span<const std::string_view> names) {
  std::expected<void, std::string> result;
  for (const std::string_view name : names) {
    if (::unlink(state_file_path(repo, name).c_str()) == 0) continue;
    const int err = errno;
    if (err != ENOENT && result)
      result = utils::os_failure("could not remove " + std::string(name) + ": ", err);
  }
  return result;
}

namespace {

bool exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

bool rebase_in_progress(git_repository* repo) {
  if (exists(state_file_path(repo, "rebase-merge"))) return true;
  const std::string apply = state_file_path(repo, "rebase-apply");
  return exists(apply) && !exists(apply + "/applying");
}

}  // namespace repo
