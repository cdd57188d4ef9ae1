// Opening and scrolling the details of a huge commit: a merge that brings in a branch which
// changed thousands of files (two hunks in each, in several languages). Times the open as the
// user waits for it (the Enter key's handler, then the first frame of a 200x60 terminal), its
// parts (loading the details, colouring every file, the layout of the whole text), and what
// scrolling costs once the panel is open: one line, a half page, and a jump to the end.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "action/action.hpp"
#include "action/details_panel.hpp"
#include "highlight/highlight.hpp"
#include "render/details_text.hpp"
#include "render/render.hpp"
#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/memory_backend.hpp"
#include "tui/terminal.hpp"
#include "utils/process.hpp"

namespace {

constexpr int kFiles = 3000;
constexpr int kLinesPerFile = 60;
constexpr int kRuns = 9;
constexpr tui::Size kTerminal{200, 60};

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double time_ms(const std::function<void()>& run) {
  const auto start = Clock::now();
  run();
  return ms_since(start);
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

const char* const kExtensions[] = {".cpp", ".py", ".rs", ".js", ".md", ".h", ".go", ".txt"};

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

// Version 2 changes two stretches of five lines in every file.
void write_files(const std::string& dir, int version) {
  for (int f = 0; f < kFiles; ++f) {
    const std::string sub = dir + "/src/module" + std::to_string(f % 40);
    std::filesystem::create_directories(sub);
    std::ofstream out(sub + "/file" + std::to_string(f) + kExtensions[f % std::size(kExtensions)]);
    for (int n = 0; n < kLinesPerFile; ++n) {
      const bool changed = (n >= 10 && n < 15) || (n >= 40 && n < 45);
      out << source_line(f, n, changed ? version : 1) << '\n';
    }
  }
}

// The merge's id: side (every file changed) merged into main (one commit of its own).
void make_repository(const std::string& dir) {
  git(dir, {"init", "-q", "-b", "main"});
  write_files(dir, 1);
  git(dir, {"add", "-A"});
  git(dir, {"commit", "-q", "-m", "Base"});
  git(dir, {"checkout", "-q", "-b", "side"});
  write_files(dir, 2);
  git(dir, {"add", "-A"});
  git(dir, {"commit", "-q", "-m", "Rework every module"});
  git(dir, {"checkout", "-q", "main"});
  std::ofstream(dir + "/NEWS") << "news\n";
  git(dir, {"add", "NEWS"});
  git(dir, {"commit", "-q", "-m", "News"});
  git(dir, {"merge", "-q", "--no-ff", "-m", "Merge branch 'side'\n\nBrings in the rework of every module.",
            "side"});
}

struct Open {
  repo::Repo& repo;
  state::State state;
  tui::MemoryBackend backend{kTerminal};
  tui::Terminal terminal{backend};

  explicit Open(repo::Repo& r) : repo(r) {
    backend.keep_output(false);
    state.selected = 0;  // the merge, at the top of the log
  }
  void key(action::Action action) { action.execute(state, repo, terminal); }
  // As the event loop draws: what the panel will show is coloured first.
  void frame() {
    action::highlight_details_window(state, kTerminal);
    auto drawn = terminal.draw([&](tui::Frame& f) { render::render(f, state, repo, state::Clock::now()); });
    if (!drawn) std::exit(1);
  }
};

}  // namespace

int main() {
  char pattern[] = "/tmp/tarnwick-bench-details-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const std::string dir = pattern;
  make_repository(dir);

  auto repo = repo::Repo::open(dir, 2000);
  if (!repo || repo->commits.empty()) return 1;
  const repo::Oid id = repo->commits.front().id;
  highlight::prepare_process();

  // Its parts, each on its own.
  std::vector<double> load, colour, layout;
  std::optional<repo::CommitDetails> details;
  std::optional<highlight::HighlightCache> cache;
  for (int run = 0; run < 3; ++run) {
    load.push_back(time_ms([&] { details = repo->load_commit_details(id); }));
    colour.push_back(time_ms([&] {
      const highlight::Highlighter highlighter;
      cache = highlighter.highlight_commit(*details);
    }));
    layout.push_back(
        time_ms([&] { (void)render::details_lines(*details, &*cache, "", kTerminal.width - 2); }));
  }
  std::size_t diff_lines = 0;
  for (const auto& file : details->files)
    for (const auto& hunk : file.hunks) diff_lines += hunk.lines.size();

  // What the user waits for: Enter, then the first frame; then the keys in the open panel.
  std::vector<double> enter, first_frame, line_down, half_page, to_end, back_up;
  for (int run = 0; run < kRuns; ++run) {
    Open open(*repo);
    enter.push_back(time_ms([&] { open.key(action::Action::Confirm); }));
    first_frame.push_back(time_ms([&] { open.frame(); }));
    const auto key_and_frame = [&](action::Action key) {
      return time_ms([&] {
        open.key(key);
        open.frame();
      });
    };
    line_down.push_back(key_and_frame(action::Action::MoveDown));
    half_page.push_back(key_and_frame(action::Action::HalfPageDown));
    to_end.push_back(key_and_frame(action::Action::GoBottom));
    back_up.push_back(key_and_frame(action::Action::MoveUp));
  }

  std::filesystem::remove_all(dir);

  std::printf("details of a merge of %zu files, %zu diff lines, in a %ux%u terminal:\n",
              details->files.size(), diff_lines, kTerminal.width, kTerminal.height);
  std::printf("  %-52s %8.2f ms\n", "part: load the details", median(load));
  std::printf("  %-52s %8.2f ms\n", "part: highlight every file", median(colour));
  std::printf("  %-52s %8.2f ms\n", "part: lay out the whole text", median(layout));
  std::printf("  %-52s %8.2f ms\n", "open: Enter", median(enter));
  std::printf("  %-52s %8.2f ms\n", "open: first frame", median(first_frame));
  std::printf("  %-52s %8.2f ms\n", "open: Enter and first frame", median(enter) + median(first_frame));
  std::printf("  %-52s %8.2f ms\n", "j and its frame", median(line_down));
  std::printf("  %-52s %8.2f ms\n", "Ctrl-d and its frame", median(half_page));
  std::printf("  %-52s %8.2f ms\n", "G and its frame", median(to_end));
  std::printf("  %-52s %8.2f ms\n", "k at the end and its frame", median(back_up));
  return 0;
}
