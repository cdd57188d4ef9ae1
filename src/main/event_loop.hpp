#pragma once
// The interactive program's main loop: it takes what the watcher and the
// push and fetch workers sent (the watcher's news reloads the log and an
// open staging view), waits briefly for the terminal, turns keys into
// commands, keeps the selection on screen, loads more of the log as the
// selection nears its end, and redraws.

#include <chrono>
#include <cstdint>
#include <optional>

#include "main/log_loader.hpp"
#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/event.hpp"
#include "tui/terminal.hpp"
#include "utils/channel.hpp"

namespace app {

// How long one pass waits for the terminal; it bounds how late a message
// from another thread is taken.
inline constexpr std::chrono::milliseconds EVENT_WAIT{100};

// What one run works on; all of it but the loads of the log belongs to the
// caller.
struct Session {
  state::State& state;
  repo::Repo& repo;
  tui::Terminal& terminal;
  tui::EventSource& events;
  utils::Receiver<utils::Signal>& watcher;
  LogLoader loader = {};
  // The watcher's news came while a discard waited for its y: the staging
  // view reloads once that key is taken, so the dialog keeps meaning what
  // the user saw.
  bool staging_reload_owed = false;
};

// Opens the staging view when the work tree or the index has changes,
// centres the selection and draws the first frame, its diff coloured as far
// down as the terminal shows it.
void show_first_frame(Session& session);

enum class Pass {
  Idle,  // nothing happened, nothing drawn
  Drew,
  Quit,
};

Pass run_pass(Session& session, std::chrono::milliseconds wait = EVENT_WAIT);

// Passes until the user quits; the exit status.
int run_event_loop(Session& session);

// The rules a pass applies after a key, on their own.

// While the search prompt is open: the first commit from the top that
// matches the query, or back to where the prompt was opened.
void incremental_search(state::State& state, const repo::Repo& repo);

// The limit after the next growth: doubled below 50,000, then none at all.
std::optional<std::uint64_t> grown_limit(std::optional<std::uint64_t> limit);

// When the log was cut and the selection is within 100 rows of its end,
// raises the limit and asks for a load at it; while a load is under way,
// once that load's model has been taken. True when it asked.
bool grow_log_near_end(const state::State& state, repo::Repo& repo, LogLoader& loader);

}  // namespace app
