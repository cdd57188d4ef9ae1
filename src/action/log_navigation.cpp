#include "action/action.hpp"
#include "action/log_view.hpp"
#include "viewport/viewport.hpp"
#include "render/details_text.hpp"
#include "highlight/highlight.hpp"
#include "utils/arithmetic.hpp"

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

namespace action {

namespace {

// Counts can be as large as 64 bits allow, so every move saturates.
std::size_t add_capped(std::size_t from, std::uint64_t n, std::size_t cap) {
  if (from >= cap) return cap;
  return n >= cap - from ? cap : from + static_cast<std::size_t>(n);
}

std::size_t last_row(const repo::Repo& repo) { return repo.commits.empty() ? 0 : repo.commits.size() - 1; }

std::uint64_t take_count(state::State& state, std::uint64_t fallback) {
  const std::uint64_t n = parse_count(state.count_prefix).value_or(fallback);
  state.count_prefix.clear();
  return n;
}

// How far the details can scroll: the last screenful starts there.
std::size_t details_scroll_bound(const state::State& state, tui::Size size) {
  const std::size_t height = compute_details_content_height(state, size);
  const std::size_t rows = viewport::details_panel_height(state, size);
  return utils::saturating_sub(height, rows);
}

void clear_details_search(state::State& state) {
  state.details_query.clear();
  state::set_details_match(state, std::nullopt, 0);
}

void close_details(state::State& state) {
  state.commit_details.reset();
  state.details_scroll = 0;
  clear_details_search(state);
}

// Loads the selected commit's details afresh, coloured as far as the panel
// shows them; the details search is kept so it survives reopening.
void open_details(state::State& state, const repo::Repo& repo, tui::Size size) {
  const repo::Commit* commit = state::selected_commit(state, repo);
  if (!commit) return;
  state.commit_details = repo.load_commit_details(commit->id);
  state.details_scroll = 0;
  if (state.commit_details) {
    state.highlight_cache = highlight::HighlightCache{
        std::vector<highlight::HighlightedFile>(state.commit_details->files.size())};
    highlight_details_window(state, size);
  } else {
    state.highlight_cache.reset();
  }
}

void go_to_head(state::State& state, const repo::Repo& repo, tui::Size size) {
  const auto row = state::row_of(repo.commits, repo.head_sha());
  if (!row) return;
  state.selected = *row;
  viewport::center_view_on_selected_row(state, size);
}

// Esc, q and Ctrl-c clear one thing per press; with nothing left they quit.
bool quit_chain(state::State& state) {
  if (state.commit_details) {
    if (!state.details_query.empty())
      clear_details_search(state);
    else
      close_details(state);
    return false;
  }
  if (!state.count_prefix.empty()) {
    state.count_prefix.clear();
    return false;
  }
  if (!state.search_query.empty()) {
    state.search_query.clear();
    return false;
  }
  return true;
}

void open_search_prompt(state::State& state) {
  state.count_prefix.clear();
  state.searching = true;
  state.search_query.clear();
  state.saved_selection = state.selected;
  state.saved_scroll = state.scroll;
}

void step_in_details(state::State& state, tui::Size size, bool forward) {
  if (!state.commit_details) {
    state::set_details_match(state, std::nullopt, 0);
    return;
  }
  const std::uint16_t width = viewport::details_panel_width(size);
  const auto lines = render::details_match_lines(state, width);
  // A match measured on other details, another query or another width
  // says nothing about these lines; step from the top of the panel instead.
  const auto current = state::current_details_match(state, width);
  const auto match = step_details_match(lines, current ? current->line : state.details_scroll, forward);
  if (!match) {
    state::set_details_match(state, std::nullopt, width);
    return;
  }
  state.details_scroll = utils::saturating_sub(match->line, viewport::details_panel_height(state, size) / 2);
  state::set_details_match(state, match, width);
}

}  // namespace

std::optional<std::uint64_t> parse_count(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t n = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
  return n;
}

std::optional<state::DetailsMatch> step_details_match(const std::vector<std::size_t>& lines,
                                                      std::size_t reference, bool forward) {
  if (lines.empty()) return std::nullopt;
  std::size_t i;
  if (forward) {
    const auto it = std::ranges::upper_bound(lines, reference);
    i = it == lines.end() ? 0 : static_cast<std::size_t>(it - lines.begin());
  } else {
    const auto it = std::ranges::lower_bound(lines, reference);
    i = it == lines.begin() ? lines.size() - 1 : static_cast<std::size_t>(it - lines.begin()) - 1;
  }
  return state::DetailsMatch{lines[i], i};
}

void find_next_match_in_details(state::State& state, tui::Size size) { step_in_details(state, size, true); }

void find_previous_match_in_details(state::State& state, tui::Size size) {
  step_in_details(state, size, false);
}

void highlight_details_window(state::State& state, tui::Size size) {
  if (!state.commit_details || !state.highlight_cache || state.commit_view) return;
  const std::size_t rows = viewport::details_panel_height(state, size);
  if (rows == 0) return;
  const auto text = render::details_text(state, viewport::details_panel_width(size));
  const std::vector<state::FileSection>& sections = text->sections;
  const std::size_t first = state.details_scroll;
  const std::size_t last = first + (rows - 1);
  // The block the window starts in, then every block that starts inside it.
  auto section = std::ranges::upper_bound(sections, first, {}, &state::FileSection::start_line);
  if (section != sections.begin()) --section;
  std::optional<highlight::Highlighter> highlighter;
  for (; section != sections.end() && section->start_line <= last; ++section) {
    const std::size_t i = section->file;
    if (i >= state.highlight_cache->files.size() || i >= state.commit_details->files.size()) continue;
    // The lines with a row on screen; a line's colours depend on every line above it in its file.
    const auto shown = static_cast<std::size_t>(std::ranges::upper_bound(section->line_rows, last) -
                                                section->line_rows.begin());
    highlight::HighlightedFile& coloured = state.highlight_cache->files[i];
    if (coloured.lines.size() >= shown) continue;
    if (!highlighter) highlighter.emplace();
    const repo::FileChange& file = state.commit_details->files[i];
    highlighter->continue_hunks(file.hunks, file.path, shown, coloured);
  }
}

std::size_t compute_details_content_height(const state::State& state, tui::Size size) {
  if (!state.commit_details) return 0;
  return render::details_content_height(state, viewport::details_panel_width(size));
}

bool Action::execute_normal_mode(state::State& state, repo::Repo& repo, tui::Terminal& terminal) const {
  const bool panel = state.commit_details.has_value();
  switch (kind) {
    case MoveDown:
    case Down: {
      const std::uint64_t n = take_count(state, 1);
      if (panel) {
        const std::size_t bound = details_scroll_bound(state, viewport::terminal_size(terminal));
        state.details_scroll = add_capped(state.details_scroll, n, bound);
      } else {
        state.selected = add_capped(state.selected, n, last_row(repo));
      }
      return false;
    }
    case MoveUp:
    case Up: {
      const std::uint64_t n = take_count(state, 1);
      if (panel)
        state.details_scroll = utils::saturating_sub(state.details_scroll, n);
      else
        state.selected = utils::saturating_sub(state.selected, n);
      return false;
    }
    case HalfPageDown: {
      state.count_prefix.clear();
      const auto size = viewport::terminal_size(terminal);
      const std::size_t half = viewport::details_panel_height(state, size) / 2;
      if (panel) {
        const std::size_t bound = details_scroll_bound(state, size);
        state.details_scroll = add_capped(state.details_scroll, half, bound);
      } else {
        state.selected = add_capped(state.selected, half, last_row(repo));
      }
      return false;
    }
    case HalfPageUp: {
      state.count_prefix.clear();
      const std::size_t half = viewport::details_panel_height(state, viewport::terminal_size(terminal)) / 2;
      if (panel)
        state.details_scroll = utils::saturating_sub(state.details_scroll, half);
      else
        state.selected = utils::saturating_sub(state.selected, half);
      return false;
    }
    case GoTop:
      state.count_prefix.clear();
      if (panel)
        state.details_scroll = 0;
      else
        state.selected = 0;
      return false;
    case GoBottom: {
      const auto count = parse_count(state.count_prefix);
      state.count_prefix.clear();
      if (panel)
        state.details_scroll = details_scroll_bound(state, viewport::terminal_size(terminal));
      else
        state.selected = count ? std::min(utils::saturating_sub(*count, 1), static_cast<std::uint64_t>(last_row(repo)))
                               : last_row(repo);
      return false;
    }
    case GoHead:
      state.count_prefix.clear();
      if (panel)
        close_details(state);
      else
        go_to_head(state, repo, viewport::terminal_size(terminal));
      return false;
    case Confirm:
    case Space:
    case OpenDetails:
      state.count_prefix.clear();
      open_details(state, repo, viewport::terminal_size(terminal));
      return false;
    case Escape:
    case Quit:
    case Interrupt:
      return quit_chain(state);
    case NextMatch:
    case PrevMatch:
      if (panel) {
        if (!state.details_query.empty())
          step_in_details(state, viewport::terminal_size(terminal), kind == NextMatch);
      } else if (kind == NextMatch) {
        find_next_match(state, repo);
      } else {
        find_previous_match(state, repo);
      }
      return false;
    case StartSearch:
      open_search_prompt(state);
      return false;
    case Digit:
      // A count never starts with 0.
      if (ch >= U'1' && ch <= U'9')
        state.count_prefix.push_back(static_cast<char>(ch));
      else if (ch == U'0' && !state.count_prefix.empty())
        state.count_prefix.push_back('0');
      return false;
    case Backspace:
      if (!state.count_prefix.empty())
        state.count_prefix.pop_back();
      else
        state.search_query.clear();
      return false;
    case Char:
      if (ch == U'?' || ch == U'a') execute_log_command(*this, state, repo);
      return false;
    case Tab:
    case Yank:
    case Open:
    case Fetch:
    case CreateBranch:
    case Checkout:
    case Delete:
    case Rebase:
    case Revert:
    case Push:
    case MoveBranch:
      execute_log_command(*this, state, repo);
      return false;
    case ShiftJ:
    case ShiftK:
    case StageAll:
    case UnstageAll:
    case NoAction:
    case FocusLeft:
    case FocusRight:
    case FocusDown:
    case FocusUp:
      return false;
  }
  return false;
}

}  // namespace action
