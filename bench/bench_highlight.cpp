// One highlighting request on a 2,000-line diff, as the key handler that opens a commit's details
// makes it: build a Highlighter (the definitions and the theme loaded afresh), colour every line
// of every changed file, drop the Highlighter.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "highlight/highlight.hpp"

namespace {

constexpr int kRuns = 30;

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string cpp_line(int n) {
  switch (n % 8) {
    case 0:
      return "  // Keep the selection visible after the reload " + std::to_string(n);
    case 1:
      return "  const std::string name = \"branch-" + std::to_string(n) + "\";  /* the label */";
    case 2:
      return "  for (std::size_t i = 0; i < rows.size(); ++i) total += rows[i].width * 2;";
    case 3:
      return "  if (auto found = lookup(name); found && found->count > " + std::to_string(n) + ") {";
    case 4:
      return "    return std::unexpected(\"could not find hunk location in file\");";
    case 5:
      return "  }";
    case 6:
      return "  template <class T> static T clamp_value(T v, T lo, T hi) { return v < lo ? lo : v; }";
    default:
      return "  std::vector<Span> spans = highlight_matches(text, query, base, MATCH_STYLE);";
  }
}

std::string python_line(int n) {
  switch (n % 4) {
    case 0:
      return "    def row_" + std::to_string(n) + "(self, values: list[int]) -> str:";
    case 1:
      return "        \"\"\"Join the values.\"\"\"";
    case 2:
      return "        return \", \".join(f\"{v:>4}\" for v in values if v % 3 != 0)  # keep";
    default:
      return "        self.total += 0x1F * len(values)";
  }
}

// Files of 50-line hunks, 2,000 diff lines in all: mostly C++, some Python, one Markdown.
repo::CommitDetails two_thousand_lines() {
  repo::CommitDetails details;
  int line = 0;
  const char* paths[] = {"src/repo/status.cpp", "src/ui/details.cpp", "tools/report.py", "src/app/main.cpp",
                         "docs/guide.md"};
  for (int f = 0; f < 5; ++f) {
    repo::FileChange file;
    file.path = paths[f];
    for (int h = 0; h < 8; ++h) {
      repo::Hunk hunk;
      for (int i = 0; i < 50; ++i, ++line) {
        repo::DiffLine l;
        l.origin = i % 5 == 0 ? '+' : i % 7 == 0 ? '-' : ' ';
        l.new_lineno = static_cast<std::uint32_t>(h * 100 + i + 1);
        l.content =
            f == 2   ? python_line(i)
            : f == 4 ? "Some *prose* with `code` and a [link](https://example.com/" + std::to_string(i) + ")"
                     : cpp_line(i);
        hunk.lines.push_back(std::move(l));
      }
      file.hunks.push_back(std::move(hunk));
    }
    details.files.push_back(std::move(file));
  }
  if (line != 2000) std::abort();
  return details;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main() {
  const repo::CommitDetails details = two_thousand_lines();

  // At start-up: the library's set-up and its index of definitions, once per process.
  auto start = Clock::now();
  highlight::prepare_process();
  const double prepare = ms_since(start);

  // The first request of the process also loads each definition it meets.
  std::size_t tokens = 0;
  start = Clock::now();
  {
    const highlight::Highlighter highlighter;
    for (const auto& file : highlighter.highlight_commit(details).files)
      for (const auto& l : file.lines) tokens += l.size();
  }
  const double first = ms_since(start);

  std::vector<double> build, colour, total;
  for (int run = 0; run < kRuns; ++run) {
    start = Clock::now();
    const highlight::Highlighter highlighter;
    build.push_back(ms_since(start));
    const auto mid = Clock::now();
    const highlight::HighlightCache cache = highlighter.highlight_commit(details);
    colour.push_back(ms_since(mid));
    total.push_back(ms_since(start));
  }

  // The staging view's request: one file's hunks.
  std::vector<double> one;
  for (int run = 0; run < kRuns; ++run) {
    start = Clock::now();
    const highlight::Highlighter highlighter;
    (void)highlighter.highlight_hunks(details.files[0].hunks, details.files[0].path);
    one.push_back(ms_since(start));
  }

  std::printf("highlighting a 2,000-line diff (5 files: C++, Python, Markdown; %zu tokens):\n", tokens);
  std::printf("  %-48s %7.2f ms\n", "set-up at start-up (index of definitions)", prepare);
  std::printf("  %-48s %7.2f ms\n", "first request (loads C++, Python, Markdown)", first);
  std::printf("  %-48s %7.2f ms (best %.2f), median of %d\n", "later requests", median(total),
              *std::min_element(total.begin(), total.end()), kRuns);
  std::printf("  %-48s %7.2f ms\n", "  of which building the Highlighter", median(build));
  std::printf("  %-48s %7.2f ms\n", "  of which colouring the lines", median(colour));
  std::printf("  %-48s %7.2f ms\n", "one 400-line C++ file (staging view)", median(one));
  return 0;
}
