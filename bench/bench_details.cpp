// Opening and scrolling the details of a big commit: 50 files rewritten whole, 20,000 diff lines.
// Times the open as the key handler does it (load the details, highlight them with a new
// Highlighter), the layout of the whole text at the width of a 200-column terminal, and what one
// line of scrolling costs: the handler's height measure, then a 200x60 frame of the panel with
// the status bar's match counter, through the layout the state keeps.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "state/state.hpp"
#include "utils/process.hpp"
#include "repo/repo.hpp"
#include "tui/buffer.hpp"
#include "render/details_panel.hpp"
#include "render/details_text.hpp"
#include "highlight/highlight.hpp"

namespace {

constexpr int kFiles = 50;
constexpr int kLinesPerFile = 200;  // each rewritten: 200 removed and 200 added
constexpr int kRuns = 15;

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void git(const std::string& dir, std::vector<std::string> args) {
  args.insert(args.begin(), {"git", "-c", "user.name=Bench", "-c", "user.email=bench@example.com", "-c",
                             "commit.gpgsign=false"});
  utils::ProcessOptions options;
  options.cwd = dir;
  options.set_env = {{"GIT_CONFIG_NOSYSTEM", "1"}};
  auto result = utils::run_process(args, options);
  if (!result || !result->success()) {
    std::fprintf(stderr, "git %s failed: %s\n", args[7].c_str(),
                 result ? result->err.c_str() : result.error().c_str());
    std::exit(1);
  }
}

// Source-like lines, some long enough to wrap at 198 columns.
std::string source_line(int file, int n, int version) {
  const std::string v = std::to_string(version), k = std::to_string(n);
  switch ((n + file) % 6) {
    case 0:
      return "  // Keep the selection visible after reload " + v + " of row " + k;
    case 1:
      return "  const std::string name_" + k + " = \"branch-" + v + "-" + k + "\";  /* the label */";
    case 2:
      return "  for (std::size_t i = 0; i < rows.size(); ++i) total += rows[i].width * " + v + ";";
    case 3:
      return "  if (auto found = lookup(name); found && found->count > " + k +
             ") { return std::unexpected(\"could not find hunk location in file\"); } else { "
             "keep_going(found, " +
             v + ", \"a long argument list that runs past the panel's right edge\", " + k + "); }";
    case 4:
      return "\tspans.push_back(highlight_matches(text, query, base, MATCH_STYLE));  # " + v;
    default:
      return "  }  // " + v;
  }
}

void write_files(const std::string& dir, int version) {
  for (int f = 0; f < kFiles; ++f) {
    const std::string sub = dir + "/src/module" + std::to_string(f % 7);
    std::filesystem::create_directories(sub);
    std::ofstream out(sub + "/file" + std::to_string(f) + (f % 5 == 4 ? ".py" : ".cpp"));
    for (int n = 0; n < kLinesPerFile; ++n) out << source_line(f, n, version) << '\n';
  }
}

}  // namespace

int main() {
  char pattern[] = "/tmp/tarnwick-bench-details-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const std::string dir = pattern;
  git(dir, {"init", "-q", "-b", "main"});
  write_files(dir, 1);
  git(dir, {"add", "-A"});
  git(dir, {"commit", "-q", "-m", "Base"});
  write_files(dir, 2);
  git(dir, {"add", "-A"});
  git(dir, {"commit", "-q", "-m", "Rewrite every module\n\nEvery line of every file changes."});

  auto repo = repo::Repo::open(dir, 2000);
  if (!repo || repo->commits.empty()) return 1;
  const repo::Oid id = repo->commits.front().id;
  highlight::prepare_process();

  // The open, as the handler does it.
  std::vector<double> load, colour;
  std::optional<repo::CommitDetails> details;
  std::optional<highlight::HighlightCache> cache;
  for (int run = 0; run < 5; ++run) {
    auto start = Clock::now();
    details = repo->load_commit_details(id);
    load.push_back(ms_since(start));
    start = Clock::now();
    const highlight::Highlighter highlighter;
    cache = highlighter.highlight_commit(*details);
    colour.push_back(ms_since(start));
  }
  std::size_t diff_lines = 0;
  for (const auto& file : details->files)
    for (const auto& hunk : file.hunks) diff_lines += hunk.lines.size();

  const std::uint16_t width = 198;  // a 200-column terminal
  std::vector<double> layout, layout_query, matches;
  std::size_t height = 0, found = 0;
  for (int run = 0; run < kRuns; ++run) {
    auto start = Clock::now();
    height = render::details_lines(*details, &*cache, "", width).lines.size();
    layout.push_back(ms_since(start));
    start = Clock::now();
    (void)render::details_lines(*details, &*cache, "name", width);
    layout_query.push_back(ms_since(start));
    start = Clock::now();
    found = render::details_match_lines(*details, &*cache, "name", width).size();
    matches.push_back(ms_since(start));
  }

  // One line of scrolling with a details search: the handler measures the height, then the
  // frame draws the panel and the status bar counts the matches.
  state::State state;
  state.commit_details = details;
  state.highlight_cache = cache;
  state.details_query = "name";
  state.details_scroll = 5000;
  tui::Buffer buffer(tui::Rect{0, 0, 200, 60});
  std::vector<double> scroll, frame_only;
  for (int run = 0; run < kRuns; ++run) {
    buffer.reset();
    auto start = Clock::now();
    const std::size_t bound = render::details_content_height(state, width) - 57;
    state.details_scroll = std::min(state.details_scroll + 1, bound);
    const auto frame_start = Clock::now();
    render::render_details_panel(buffer, tui::Rect{1, 0, width, 57}, state);
    (void)render::details_match_lines(state, width);
    frame_only.push_back(ms_since(frame_start));
    scroll.push_back(ms_since(start));
  }

  // The first frame after the open, a new query or a resize lays the text out anew.
  std::vector<double> fresh_frame;
  for (int run = 0; run < kRuns; ++run) {
    buffer.reset();
    state.details_layout.reset();
    const auto start = Clock::now();
    render::render_details_panel(buffer, tui::Rect{1, 0, width, 57}, state);
    (void)render::details_match_lines(state, width);
    fresh_frame.push_back(ms_since(start));
  }

  std::filesystem::remove_all(dir);

  std::printf("details of a commit of %zu files, %zu diff lines (%zu lines at width %u, %zu match 'name'):\n",
              details->files.size(), diff_lines, height, width, found);
  std::printf("  %-52s %8.2f ms\n", "open: load the details", median(load));
  std::printf("  %-52s %8.2f ms\n", "open: highlight them (new Highlighter)", median(colour));
  std::printf("  %-52s %8.2f ms\n", "details_lines, no query", median(layout));
  std::printf("  %-52s %8.2f ms\n", "details_lines, query 'name'", median(layout_query));
  std::printf("  %-52s %8.2f ms\n", "details_match_lines, query 'name'", median(matches));
  std::printf("  %-52s %8.2f ms\n", "frame: panel 200x60 + counter, layout made anew", median(fresh_frame));
  std::printf("  %-52s %8.2f ms\n", "frame: panel 200x60 + counter, layout kept", median(frame_only));
  std::printf("  %-52s %8.2f ms\n", "scroll one line: height + frame", median(scroll));
  return 0;
}
