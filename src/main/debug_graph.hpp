#pragma once

#include <cstdio>
#include <expected>
#include <string>

#include "repo/repo.hpp"

namespace app {

// One line per loaded commit: graph row, short id, first line of the summary
// through the screen's control-character filter.
std::string debug_graph_line(const repo::Commit& commit, const commit_graph::GraphRow& row);

// Writes every line and flushes; a write error comes back as the system's
// error text.
std::expected<void, std::string> print_debug_graph(const repo::Repo& repo, std::FILE* out);

}  // namespace app
