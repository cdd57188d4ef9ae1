#pragma once
// Short-lived files of this process in the shared temporary directory.

#include <expected>
#include <string>
#include <string_view>

namespace utils {

// TMPDIR when it is set and not empty, else "/tmp", made absolute: a path
// handed to another program must never read as one of its options.
std::string temp_directory();

// A file only this run can have made: a fresh name (the prefix, six random
// characters, the suffix), created exclusively so that nothing planted under
// that name, a symbolic link included, is followed or reused, and readable
// only by the user. Removed when the object goes.
class PrivateTempFile {
 public:
  static std::expected<PrivateTempFile, std::string> create(const std::string& dir, std::string_view prefix,
                                                            std::string_view suffix,
                                                            std::string_view content);

  PrivateTempFile(PrivateTempFile&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }
  PrivateTempFile& operator=(PrivateTempFile&& other) noexcept;
  PrivateTempFile(const PrivateTempFile&) = delete;
  PrivateTempFile& operator=(const PrivateTempFile&) = delete;
  ~PrivateTempFile() { remove(); }

  const std::string& path() const { return path_; }

  // The file's bytes as they are now (another program may have rewritten
  // it), without following a symbolic link put in its place.
  std::expected<std::string, std::string> read() const;

 private:
  explicit PrivateTempFile(std::string path) : path_(std::move(path)) {}
  void remove() noexcept;

  std::string path_;
};

}  // namespace utils
