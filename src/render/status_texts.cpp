#include "render/status_texts.hpp"

#include <algorithm>
#include <vector>

#include "render/search_counters.hpp"
#include "utils/utf8_chars.hpp"

namespace render {

namespace {

using tui::Color;
using tui::Line;
using tui::Span;
using tui::Style;

constexpr std::size_t REVERT_SUMMARY_BYTES = 40;

Style fg(Color c) { return Style{}.with_fg(c); }
Style bold(Color c) { return fg(c).with_modifier(tui::Modifier::BOLD); }

Line hint(std::string_view text) { return Line{Span(text, fg(Color::DarkGray))}.right_aligned(); }

std::string_view hotkeys_toggle(const state::State& state) {
  return state.show_hotkeys ? "? → hide hotkeys" : "? → show hotkeys";
}

// Label, typed text and cursor in the prompt's colour, then what Tab would
// add, dimmed.
Line prompt(std::string label, std::string_view typed, Color colour, std::optional<std::string> ghost) {
  Line line{Span(std::move(label), fg(colour)), Span(typed, fg(colour)), Span("█", fg(colour))};
  if (ghost) line.spans.emplace_back(std::move(*ghost), fg(Color::DarkGray));
  return line;
}

// Without a selected commit there is nothing to complete against.
std::optional<std::string> ghost_at(const repo::Commit* commit, std::string_view typed,
                                    std::vector<std::string> (repo::Repo::*query)(const repo::Oid&) const,
                                    const repo::Repo& repo) {
  if (!commit) return std::nullopt;
  return get_tab_preview(typed, (repo.*query)(commit->id));
}

// " (p/n)": the chosen branch's place among the local branches at the
// commit, 1 when it is not among them.
std::string branch_counter(const repo::Repo& repo, const repo::Commit& commit, const std::string& chosen) {
  const std::vector<std::string> local = repo.local_branches_at(commit.id);
  const auto it = std::find(local.begin(), local.end(), chosen);
  const std::size_t place = it == local.end() ? 1 : static_cast<std::size_t>(it - local.begin()) + 1;
  return " (" + std::to_string(place) + "/" + std::to_string(local.size()) + ")";
}

void add_branch_counter(Line& line, const repo::Repo& repo, const repo::Commit* commit,
                        const std::string& chosen) {
  if (commit) line.spans.emplace_back(branch_counter(repo, *commit, chosen), fg(Color::DarkGray));
}

}  // namespace

Color status_border_color(const state::State& s, std::string_view active_query) {
  if (s.rebase_in_progress) return Color::Yellow;
  if (s.selecting_rebase_branch || s.entering_rebase_target) return Color::Magenta;
  if (s.creating_branch) return Color::Cyan;
  if (s.deleting_branch || s.confirming_revert || s.confirming_move) return Color::Red;
  if (s.checking_out) return Color::Green;
  if (s.entering_push_branch) return Color::Blue;
  if (s.selecting_move_branch || s.selecting_move_target) return Color::Yellow;
  if (s.searching || !active_query.empty()) return Color::White;
  return Color::DarkGray;
}

std::string revert_question(std::string_view summary) {
  const std::size_t end = summary.find('\n');
  std::string_view line = summary.substr(0, end);
  if (end != std::string_view::npos && line.ends_with('\r')) line.remove_suffix(1);
  if (line.size() <= REVERT_SUMMARY_BYTES) return " \"" + std::string(line) + "\"?";
  // Whole characters only: back off to the last boundary within the limit.
  std::size_t cut = 0;
  while (cut < line.size()) {
    const std::size_t next = cut + utils::utf8_char_length(line, cut);
    if (next > REVERT_SUMMARY_BYTES) break;
    cut = next;
  }
  return " \"" + std::string(line.substr(0, cut)) + "...\"?";
}

StatusTexts status_texts(const state::State& s, const repo::Repo& repo, const StatusBarContext& context,
                         bool quiet) {
  const repo::Commit* commit = state::selected_commit(s, repo);
  StatusTexts t;
  if (s.creating_branch) {
    t.left =
        prompt("create branch: ", s.create_branch_input, Color::Cyan,
               ghost_at(commit, s.create_branch_input, &repo::Repo::new_branch_name_candidates_at, repo));
    t.right = hint("tab → complete   enter → create   esc → cancel");
  } else if (s.deleting_branch) {
    t.left = prompt("delete branch: ", s.delete_branch_input, Color::Red,
                    ghost_at(commit, s.delete_branch_input, &repo::Repo::local_branches_at, repo));
    t.right = hint("enter → delete   esc → cancel");
  } else if (s.confirming_revert) {
    t.left = Line{Span("revert ", fg(Color::Red))};
    if (commit) {
      t.left.spans.emplace_back(commit->id.short_hex(), bold(Color::Red));
      t.left.spans.emplace_back(revert_question(commit->summary), fg(Color::Red));
    }
    t.right = hint("enter → revert   esc → cancel");
  } else if (s.checking_out) {
    t.left = prompt("checkout: ", s.checkout_input, Color::Green,
                    ghost_at(commit, s.checkout_input, &repo::Repo::local_branches_at, repo));
    t.right = hint("empty → detached   tab → complete   esc → cancel");
  } else if (s.entering_push_branch) {
    t.left = prompt("push: ", s.push_input, Color::Blue,
                    ghost_at(commit, s.push_input, &repo::Repo::local_branches_at, repo));
    t.right = hint("tab → complete   enter → push   esc → cancel");
  } else if (s.rebase_in_progress) {
    t.left = Line{Span("rebase in progress - resolve conflicts, then ", fg(Color::Yellow)),
                  Span("Enter", bold(Color::White)), Span(" to continue or ", fg(Color::Yellow)),
                  Span("Esc", bold(Color::White)), Span(" to abort", fg(Color::Yellow))};
  } else if (s.selecting_rebase_branch) {
    t.left =
        Line{Span("branch to rebase: ", fg(Color::Magenta)), Span(s.rebase_branch, bold(Color::Magenta))};
    add_branch_counter(t.left, repo, commit, s.rebase_branch);
    t.right = hint("tab → cycle   enter → select   esc → cancel");
  } else if (s.entering_rebase_target) {
    // The target may be any branch, so this completion needs no commit.
    t.left = prompt("rebase " + s.rebase_branch + " onto: ", s.rebase_onto_input, Color::Magenta,
                    get_tab_preview(s.rebase_onto_input, state::all_branch_names(repo)));
    t.right = hint("tab → complete   enter → rebase   esc → cancel");
  } else if (s.selecting_move_branch) {
    t.left = Line{Span("branch to move: ", fg(Color::Yellow)), Span(s.move_branch, bold(Color::Yellow))};
    add_branch_counter(t.left, repo, commit, s.move_branch);
    t.right = hint("tab → cycle   enter → select   esc → cancel");
  } else if (s.selecting_move_target) {
    t.left = Line{Span("moving " + s.move_branch + " → ", fg(Color::Yellow))};
    if (commit) t.left.spans.emplace_back(commit->id.short_hex(), bold(Color::Yellow));
    t.right = hint("j/k → navigate   enter → confirm target   esc → cancel");
  } else if (s.confirming_move) {
    t.left = Line{Span("move ", fg(Color::Red)), Span(s.move_branch, bold(Color::Red)),
                  Span(" to ", fg(Color::Red))};
    if (commit) t.left.spans.emplace_back(commit->id.short_hex(), bold(Color::Red));
    t.left.spans.emplace_back("?", fg(Color::Red));
    t.right = hint("y/enter → move   n/esc → cancel");
  } else if (s.searching) {
    std::string prompt = "/";
    prompt += context.active_query;
    prompt += "█";
    t.left = Line{Span(std::move(prompt), fg(Color::Yellow))};
    t.right = Line{Span(search_counter(s, repo, context), fg(Color::Yellow)),
                   Span("enter → confirm   esc → cancel", fg(Color::DarkGray))}
                  .right_aligned();
  } else if (!context.active_query.empty()) {
    t.left = Line{Span(context.active_query, fg(Color::DarkGray))};
    t.centre = Line{Span(hotkeys_toggle(s), fg(Color::DarkGray))}.centered();
    if (quiet) t.right = Line{Span(match_position(s, repo, context), fg(Color::Yellow))}.right_aligned();
  } else {
    t.left =
        Line{Span(s.count_prefix.empty() ? std::string_view(repo.name) : std::string_view(s.count_prefix),
                  fg(Color::DarkGray))};
    // A log that ends early without a word would pass for the whole history.
    if (repo.cut_short) t.centre = Line{Span(*repo.cut_short, fg(Color::Yellow))}.centered();
    if (quiet) t.right = hint(hotkeys_toggle(s));
  }
  return t;
}

}  // namespace render
