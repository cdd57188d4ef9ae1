#include "main/command_line.hpp"

#include <limits>

namespace app {

std::optional<std::uint64_t> parse_limit(const std::string& text) {
  std::size_t i = 0;
  if (i < text.size() && text[i] == '+') ++i;
  if (i == text.size()) return std::nullopt;
  std::uint64_t value = 0;
  constexpr auto max = std::numeric_limits<std::uint64_t>::max();
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (max - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

CommandLine parse_command_line(const std::vector<std::string>& args) {
  CommandLine cl;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--debug-graph") {
      cl.debug_graph = true;
    } else if (arg == "-a" || arg == "--all") {
      cl.limit = std::nullopt;
    } else if (arg == "-n") {
      // The value is consumed whatever it is, so it never becomes the path.
      if (i + 1 < args.size()) {
        if (auto n = parse_limit(args[++i])) cl.limit = n;
      }
    } else if (arg.size() >= 3 && arg.starts_with("-n")) {
      if (auto n = parse_limit(arg.substr(2))) cl.limit = n;
    } else if (arg.starts_with("-")) {
      // Unknown options are ignored without a message.
    } else {
      cl.path = arg;
    }
  }
  return cl;
}

}  // namespace app
