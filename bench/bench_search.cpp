// One full pass of the log search over 64,000 commits, as the search prompt
// runs it after every key and the status bar on every frame.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "repo/search.hpp"

namespace {

constexpr std::size_t kCommits = 64000;
constexpr int kPasses = 50;

const char* const kWords[] = {"fix",    "parser", "add",     "remove", "refactor", "update", "tests",
                              "render", "branch", "graph",   "diff",   "status",   "merge",  "config",
                              "docs",   "handle", "cleanup", "speed",  "layout",   "crash",  "review"};
const char* const kAuthors[] = {"Ada Lovelace", "Grace Hopper",   "Linus Torvalds", "Margaret Hamilton",
                                "Ken Thompson", "Dennis Ritchie", "Barbara Liskov", "Jürgen Weiß"};

repo::Oid random_oid(std::mt19937_64& rng) {
  repo::Oid id;
  for (auto& b : id.bytes) b = static_cast<unsigned char>(rng());
  return id;
}

}  // namespace

int main() {
  std::mt19937_64 rng(42);
  std::vector<repo::Commit> commits(kCommits);
  std::int64_t time = 1'700'000'000;
  for (auto& c : commits) {
    c.id = random_oid(rng);
    std::string summary;
    const int words = 3 + static_cast<int>(rng() % 6);
    for (int w = 0; w < words; ++w) {
      if (w > 0) summary += ' ';
      summary += kWords[rng() % std::size(kWords)];
    }
    summary[0] = static_cast<char>(summary[0] - 32);
    c.summary = summary;
    c.author = kAuthors[rng() % std::size(kAuthors)];
    time -= 600 + static_cast<std::int64_t>(rng() % 7200);
    c.time = time;
  }
  for (std::size_t i = 0; i + 1 < commits.size(); ++i) commits[i].parent_ids.push_back(commits[i + 1].id);

  repo::BranchMap branches;
  const char* const names[] = {"main", "develop", "feature/search", "feature/graph", "release/1.4", "hotfix"};
  for (int i = 0; i < 20; ++i) {
    std::string name = i % 2 == 1 ? "origin/" : "";
    name += names[i % std::size(names)];
    if (i >= static_cast<int>(std::size(names))) name += '-' + std::to_string(i);
    branches[repo::BranchName{name}] = commits[static_cast<std::size_t>(i) * 997 % kCommits].id;
  }
  const repo::Oid head = commits[0].id;

  const std::string id_prefix = commits[31337].id.hex().substr(0, 4);
  const std::pair<const char*, std::string> queries[] = {
      {"word", "parser"}, {"mixed-case word", "Fix"}, {"id prefix", id_prefix}, {"branch", "feature/gr"},
      {"date", "Mar 5"},  {"head", "head"},           {"no match", "zzqx"},     {"non-ASCII", "weiß"},
  };

  std::printf("search pass over %zu commits, %zu branches (best of %d)\n", commits.size(), branches.size(),
              kPasses);
  std::printf("  %-16s %-12s %11s  %11s\n", "", "query", "LogSearch", "per commit");
  for (const auto& [label, query] : queries) {
    double best_prepared = 1e300, best_plain = 1e300;
    std::size_t hits = 0, plain_hits = 0;
    for (int pass = 0; pass < kPasses; ++pass) {
      auto start = std::chrono::steady_clock::now();
      const repo::LogSearch search(query, branches, head);
      std::size_t n = 0;
      for (const auto& c : commits) n += search.matches(c);
      auto end = std::chrono::steady_clock::now();
      best_prepared = std::min(best_prepared, std::chrono::duration<double, std::milli>(end - start).count());
      hits = n;

      start = std::chrono::steady_clock::now();
      n = 0;
      for (const auto& c : commits) n += c.matches(query, branches, head);
      end = std::chrono::steady_clock::now();
      best_plain = std::min(best_plain, std::chrono::duration<double, std::milli>(end - start).count());
      plain_hits = n;
    }
    const std::string quoted = '"' + query + '"';
    std::printf("  %-16s %-12s %8.2f ms  %8.2f ms  %6zu matches%s\n", label, quoted.c_str(), best_prepared,
                best_plain, hits, hits == plain_hits ? "" : "  MISMATCH");
  }
}
