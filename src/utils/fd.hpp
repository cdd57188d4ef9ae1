#pragma once
// File descriptors: an owner that closes one, and whole reads and writes,
// each call tried again after an interruption.

#include <cstddef>
#include <expected>
#include <limits>
#include <string>
#include <string_view>

namespace utils {

struct Fd {
  int fd = -1;
  Fd() = default;
  explicit Fd(int f) : fd(f) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { reset(); }
  void reset() noexcept;
};

// Every byte written; else the errno of the write that failed.
std::expected<void, int> write_all(int fd, std::string_view bytes);

// Appends what the descriptor holds to `out`, to its end or until `out`
// holds more than `most` bytes; else the errno of the read that failed.
std::expected<void, int> read_all(int fd, std::string& out,
                                  std::size_t most = std::numeric_limits<std::size_t>::max());

}  // namespace utils
