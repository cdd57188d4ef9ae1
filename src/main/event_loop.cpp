#include "main/event_loop.hpp"

#include <string>
#include <string_view>

#include "action/action.hpp"
#include "action/commit_view_lists.hpp"
#include "action/details_panel.hpp"
#include "action/hotkey_panel.hpp"
#include "action/paste.hpp"
#include "main/key_map.hpp"
#include "render/render.hpp"
#include "repo/search.hpp"
#include "tui/fatal.hpp"
#include "viewport/reload.hpp"
#include "viewport/staging_geometry.hpp"
#include "viewport/viewport.hpp"

namespace app {

namespace {

constexpr std::uint64_t LIMIT_DOUBLING_ENDS = 50'000;
constexpr std::size_t GROWTH_DISTANCE = 100;

void draw(Session& s) {
  auto drawn = s.terminal.draw(
      [&](tui::Frame& frame) { render::render(frame, s.state, s.repo, state::Clock::now()); });
  if (!drawn) tui::fatal("failed to draw to the terminal: " + drawn.error());
}

std::uint16_t log_rows(Session& s) {
  return viewport::details_panel_height(s.state, viewport::terminal_size(s.terminal));
}

// A finished load's model, taken with the selection kept on its commit.
bool take_loaded_model(Session& s) {
  const viewport::SelectionAnchor anchor = viewport::selection_anchor(s.state, s.repo);
  const bool taken = s.loader.take_finished(s.repo);
  if (taken) viewport::keep_selection_after_reload(s.state, s.repo, anchor, log_rows(s));
  if (!s.loader.busy() && s.loader.take_deferred_growth()) grow_log_near_end(s.state, s.repo, s.loader);
  return taken;
}

// A key's command. A reload it makes in place keeps the selection's row, as
// the command expects (its own new commit tops the log where the selection
// was), only moved back inside a log that became shorter.
bool execute_key(Session& s, const action::Action& command) {
  const std::uint64_t version = s.repo.model_version;
  if (command.execute(s.state, s.repo, s.terminal)) return true;
  if (s.repo.model_version != version) {
    viewport::clamp_selection(s.state, s.repo, log_rows(s));
    // The hotkey panel's work-tree and remote facts too: the command's own
    // commit or checkout may have changed them.
    s.state.panel_facts.reset();
    (void)action::keep_panel_facts(s.state, s.repo, state::Clock::now());
  }
  return false;
}

// The terminal's size since the last frame, whether a resize event told of it or not (it may
// have changed while the program was stopped).
void keep_scrolls_after_resize(Session& s, tui::Size after) {
  const tui::Rect drawn = s.terminal.last_frame().area();
  const tui::Size before{drawn.width, drawn.height};
  if (drawn.is_empty() || before == after) return;
  viewport::keep_log_scroll_after_resize(s.state, s.repo.commits.size(), before, after);
  action::keep_details_scroll_after_resize(s.state, before, after);
  viewport::keep_preview_scroll_after_resize(s.state, before, after);
}

void adjust_and_draw(Session& s) {
  const tui::Size size = viewport::terminal_size(s.terminal);
  keep_scrolls_after_resize(s, size);
  viewport::adjust_viewport_after_terminal_resize(s.state, s.repo.commits.size(), size);
  action::highlight_details_window(s.state, size);
  action::highlight_staging_window(s.state, size);
  draw(s);
}

// A running push or fetch: its result, nothing yet, or a worker that ended
// without a word. True in every case, as each changes the screen.
template <class Result>
bool poll_task(std::optional<state::Task<Result>>& task, Session& s, std::string_view died) {
  if (!task) return false;
  std::optional<Result> result;
  switch (task->receiver.try_recv(result)) {
    case utils::Poll::Message:
      s.state.set_status(std::move(result->message));
      if (result->refresh) s.loader.request(s.repo);
      task.reset();
      break;
    case utils::Poll::Empty:
      ++task->ticks;
      break;
    case utils::Poll::Disconnected:
      s.state.set_status(std::string(died));
      task.reset();
      break;
  }
  return true;
}

// The staging view's lists after a change made elsewhere: a git add or a
// commit in another terminal, or the view's own change, whose reload then
// finds the lists as they are.
void reload_staging_view(Session& s) {
  if (!s.state.commit_view) {
    s.staging_reload_owed = false;
    return;
  }
  if (s.state.pending_discard) {
    s.staging_reload_owed = true;
    return;
  }
  s.staging_reload_owed = false;
  action::reload_commit_view(s.state, s.repo, viewport::diff_viewport_height(s.terminal));
}

void after_key(Session& s) {
  if (s.staging_reload_owed) reload_staging_view(s);
  incremental_search(s.state, s.repo);
  viewport::bring_selection_into_view(s.state, log_rows(s));
  grow_log_near_end(s.state, s.repo, s.loader);
}

}  // namespace

void show_first_frame(Session& s) {
  // Uncommitted work is what the user most likely came for.
  if (s.repo.has_changes()) (void)action::open_commit_view(s.state, s.repo);
  const tui::Size size = viewport::terminal_size(s.terminal);
  viewport::center_view_on_selected_row(s.state, size);
  // A terminal taller than what opening the view coloured shows the rest coloured too.
  action::highlight_staging_window(s.state, size);
  draw(s);
}

Pass run_pass(Session& s, std::chrono::milliseconds wait) {
  bool changed = take_loaded_model(s);
  bool reloaded = changed;

  std::optional<utils::Signal> signal;
  if (s.watcher.try_recv(signal) == utils::Poll::Message) {
    changed = true;
    s.loader.request(s.repo);
    reload_staging_view(s);
  }
  const bool pushing = s.state.push_task.has_value(), fetching = s.state.fetch_task.has_value();
  changed |= poll_task(s.state.push_task, s, "push failed: thread died");
  changed |= poll_task(s.state.fetch_task, s, "fetch failed: thread died");
  reloaded |= (pushing && !s.state.push_task) || (fetching && !s.state.fetch_task);
  // A new model or a worker's result may change what the hotkey panel shows.
  if (reloaded) s.state.panel_facts.reset();
  changed |= action::keep_panel_facts(s.state, s.repo, state::Clock::now());

  auto polled = s.events.poll_event(wait);
  if (!polled) tui::fatal("failed to read from the terminal: " + polled.error());
  if (!*polled) {
    if (!changed) return Pass::Idle;
    adjust_and_draw(s);
    return Pass::Drew;
  }

  if (std::holds_alternative<tui::RedrawEvent>(**polled)) {
    // Back from a stop: the shell drew over the screen. A clear that fails shows in the draw.
    (void)s.terminal.clear();
  } else if (const auto* paste = std::get_if<tui::PasteEvent>(&**polled)) {
    action::paste_into_prompt(s.state, paste->text);
    after_key(s);
  } else if (const std::optional<action::Action> command = from_event(**polled)) {
    if (execute_key(s, *command)) return Pass::Quit;
    after_key(s);
  }
  adjust_and_draw(s);
  return Pass::Drew;
}

int run_event_loop(Session& s) {
  while (run_pass(s) != Pass::Quit) {
  }
  return 0;
}

void incremental_search(state::State& state, const repo::Repo& repo) {
  if (!state.searching) return;
  if (!state.search_query.empty()) {
    const repo::LogSearch search(state.search_query, repo.branches, repo.head_sha());
    for (std::size_t i = 0; i < repo.commits.size(); ++i) {
      if (search.matches(repo.commits[i])) {
        state.selected = i;
        return;
      }
    }
  }
  if (state.saved_selection) {
    state.selected = *state.saved_selection;
    if (state.saved_scroll) state.scroll = *state.saved_scroll;
  }
}

std::optional<std::uint64_t> grown_limit(std::optional<std::uint64_t> limit) {
  if (limit && *limit < LIMIT_DOUBLING_ENDS) return *limit * 2;
  return std::nullopt;
}

bool grow_log_near_end(const state::State& state, repo::Repo& repo, LogLoader& loader) {
  if (!repo.has_more || state.selected + GROWTH_DISTANCE < repo.commits.size()) return false;
  // The model shown is not yet the one a growth would start from.
  if (loader.busy()) {
    loader.defer_growth();
    return false;
  }
  repo.limit = grown_limit(repo.limit);
  loader.request(repo);
  return true;
}

}  // namespace app
