#pragma once
// The command line, read by hand: a path, "-a"/"--all", "-n N" and
// "--debug-graph"; every other argument beginning with "-" is ignored.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace app {

inline constexpr std::uint64_t kDefaultLimit = 2000;

struct CommandLine {
  std::string path = ".";
  std::optional<std::uint64_t> limit = kDefaultLimit;  // absent: the whole history
  bool debug_graph = false;
};

// An optional "+", then one or more decimal digits, fitting in 64 bits.
std::optional<std::uint64_t> parse_limit(const std::string& text);

CommandLine parse_command_line(const std::vector<std::string>& args);

}  // namespace app
