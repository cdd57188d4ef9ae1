#include "main/debug_graph.hpp"

#include <algorithm>
#include <cerrno>

#include "tui/graphemes.hpp"
#include "utils/text.hpp"

namespace app {

std::string debug_graph_line(const repo::Commit& commit, const commit_graph::GraphRow& row) {
  std::string_view summary(commit.summary);
  if (auto lf = summary.find('\n'); lf != std::string_view::npos) {
    summary = summary.substr(0, lf);
    if (summary.ends_with('\r')) summary.remove_suffix(1);
  }
  std::string line = commit_graph::row_text(row);
  line += ' ';
  line += commit.id.short_hex();
  line += ' ';
  // Whoever reads the output in a terminal must not get a commit's escape sequences run.
  line += tui::sanitize(summary);
  line += '\n';
  return line;
}

std::expected<void, std::string> print_debug_graph(const repo::Repo& repo, std::FILE* out) {
  const std::size_t rows = std::min(repo.commits.size(), repo.graph.size());
  std::string chunk;
  auto flush_chunk = [&]() -> bool {
    if (!chunk.empty() && std::fwrite(chunk.data(), 1, chunk.size(), out) != chunk.size()) return false;
    chunk.clear();
    return true;
  };
  for (std::size_t i = 0; i < rows; ++i) {
    chunk += debug_graph_line(repo.commits[i], repo.graph[i]);
    if (chunk.size() >= (1 << 16) && !flush_chunk()) return std::unexpected(utils::os_error_text(errno));
  }
  if (!flush_chunk() || std::fflush(out) != 0) return std::unexpected(utils::os_error_text(errno));
  return {};
}

}  // namespace app
