#pragma once
// Hand-made logs, and their search marks read back from the screen, for the
// log and frame tests.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "render/spans.hpp"
#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/buffer.hpp"

namespace log_fixture {

// Nov 14, 2023, 10:13 PM in UTC, the zone the tests run in.
inline constexpr std::int64_t kTime = 1700000000;

// Distinct, never zero; the short id of n is "%04x" of n + 1 followed by "abc".
inline repo::Oid oid(std::size_t n) {
  repo::Oid id;
  id.bytes[0] = static_cast<unsigned char>((n + 1) >> 8);
  id.bytes[1] = static_cast<unsigned char>((n + 1) & 0xff);
  id.bytes[2] = 0xab;
  id.bytes[3] = 0xcd;
  return id;
}

inline repo::Commit commit(std::size_t n, std::string summary, std::string author) {
  repo::Commit c;
  c.id = oid(n);
  c.summary = std::move(summary);
  c.author = std::move(author);
  c.time = kTime;
  return c;
}

// A chain of n commits, newest first, by one author, with the graph laid out
// from them.
inline repo::Repo chain(std::size_t n, const std::string& author = "Ada") {
  repo::Repo r;
  for (std::size_t i = 0; i < n; ++i) {
    repo::Commit c = commit(i, "commit " + std::to_string(i), author);
    if (i + 1 < n) c.parent_ids.push_back(oid(i + 1));
    r.commits.push_back(c);
  }
  r.graph = commit_graph::build_from(r.commits);
  return r;
}

inline repo::CommitDetails details(const repo::Oid& id, std::string message) {
  repo::CommitDetails d;
  d.id = id;
  d.message = std::move(message);
  return d;
}

// The symbols of cells [x0, x1) of row y, trailing spaces dropped, with
// every run of search-marked cells in brackets.
inline std::string marked(const tui::Buffer& buf, int y, int x0, int x1) {
  std::string out;
  bool in = false;
  for (int x = x0; x < x1; ++x) {
    const tui::Cell& c = buf.at(x, y);
    const bool match = c.fg == *render::MATCH_STYLE.fg && c.bg == *render::MATCH_STYLE.bg;
    if (match != in) out += match ? "[" : "]";
    in = match;
    out += c.symbol;
  }
  if (in) out += "]";
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

}  // namespace log_fixture
