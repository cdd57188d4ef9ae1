#include "action/log_view.hpp"

#include <algorithm>
#include <charconv>

#include "action/action.hpp"
#include "action/checkout_prompt.hpp"
#include "action/create_branch_prompt.hpp"
#include "action/delete_branch_prompt.hpp"
#include "action/details_panel.hpp"
#include "action/hotkey_panel.hpp"
#include "action/log_commands.hpp"
#include "action/move_branch.hpp"
#include "action/push_prompt.hpp"
#include "action/rebase.hpp"
#include "action/revert.hpp"
#include "action/search_prompt.hpp"
#include "utils/arithmetic.hpp"
#include "viewport/viewport.hpp"

namespace action {

namespace {

// Counts can be as large as 64 bits allow, so every move saturates.
std::size_t add_capped(std::size_t from, std::uint64_t n, std::size_t cap) {
  if (from >= cap) return cap;
  return n >= cap - from ? cap : from + static_cast<std::size_t>(n);
}

// What the movement keys move: the details panel's scroll while the panel
// is open, else the selection; each within its own bound, measured only
// when a move needs it.
class MoveTarget {
 public:
  MoveTarget(state::State& state, const repo::Repo& repo, tui::Terminal& terminal)
      : state_(state), repo_(repo), terminal_(terminal), details_(state.commit_details.has_value()) {}

  void down(std::uint64_t n) { position() = add_capped(position(), n, last()); }
  void up(std::uint64_t n) { position() = utils::saturating_sub(position(), n); }
  void top() { position() = 0; }
  // G: the end; in the log, with a count N, row N.
  void bottom(std::optional<std::uint64_t> row) {
    if (row && !details_)
      position() = std::min(utils::saturating_sub(*row, 1), static_cast<std::uint64_t>(last()));
    else
      position() = last();
  }
  std::size_t half_page() { return viewport::details_panel_height(state_, size()) / 2; }

 private:
  std::size_t& position() { return details_ ? state_.details_scroll : state_.selected; }
  std::size_t last() {
    if (details_) return details_scroll_bound(state_, size());
    return repo_.commits.empty() ? 0 : repo_.commits.size() - 1;
  }
  tui::Size size() {
    if (!size_) size_ = viewport::terminal_size(terminal_);
    return *size_;
  }

  state::State& state_;
  const repo::Repo& repo_;
  tui::Terminal& terminal_;
  const bool details_;
  std::optional<tui::Size> size_;
};

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

// n and N: the details search's matches while the panel is open, else the
// commits matching the log search.
void step_match(state::State& state, const repo::Repo& repo, tui::Terminal& terminal, bool forward) {
  if (state.commit_details) {
    if (state.details_query.empty()) return;
    if (forward)
      find_next_match_in_details(state, viewport::terminal_size(terminal));
    else
      find_previous_match_in_details(state, viewport::terminal_size(terminal));
  } else if (forward) {
    find_next_match(state, repo);
  } else {
    find_previous_match(state, repo);
  }
}

}  // namespace

std::optional<std::uint64_t> parse_count(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t n = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
  if (error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
  return n;
}

bool Action::execute_normal_mode(state::State& state, repo::Repo& repo, tui::Terminal& terminal) const {
  MoveTarget target(state, repo, terminal);
  // Every command below that breaks out of the switch drops the count
  // afterwards: a count is for the one command it precedes. The keys that
  // return keep it, or change it themselves.
  switch (kind) {
    case MoveDown:
    case Down:
      target.down(parse_count(state.count_prefix).value_or(1));
      break;
    case MoveUp:
    case Up:
      target.up(parse_count(state.count_prefix).value_or(1));
      break;
    case HalfPageDown:
      target.down(target.half_page());
      break;
    case HalfPageUp:
      target.up(target.half_page());
      break;
    case GoTop:
      target.top();
      break;
    case GoBottom:
      target.bottom(parse_count(state.count_prefix));
      break;
    case GoHead:
      if (state.commit_details)
        close_details(state);
      else
        go_to_head(state, repo, viewport::terminal_size(terminal));
      break;
    case Confirm:
    case Space:
    case OpenDetails:
      open_details(state, repo, viewport::terminal_size(terminal));
      break;
    case StartSearch:
      open_search_prompt(state);
      break;
    case Tab:
      open_staging_view(state, repo);
      break;
    case Yank:
      copy_commit_id(state, repo);
      break;
    case Open:
      open_commit_page(state, repo);
      break;
    case Fetch:
      start_fetch(state, repo);
      break;
    case CreateBranch:
      open_create_prompt(state);
      break;
    case Delete:
      open_delete_prompt(state, repo);
      break;
    case Checkout:
      checkout_from_log(state, repo);
      break;
    case Push:
      open_push_prompt(state, repo);
      break;
    case Rebase:
      start_rebase(state, repo);
      break;
    case Revert:
      start_revert(state, repo);
      break;
    case MoveBranch:
      start_branch_move(state, repo);
      break;
    case Char:
      switch (ch) {
        case U'a':
          open_amend_view(state, repo);
          break;
        case U'?':
          toggle_hotkeys(state, repo);
          break;
        default:
          return false;
      }
      break;
    case Escape:
    case Quit:
    case Interrupt:
      return quit_chain(state);
    case NextMatch:
    case PrevMatch:
      step_match(state, repo, terminal, kind == NextMatch);
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
  state.count_prefix.clear();
  return false;
}

}  // namespace action
