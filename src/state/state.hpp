#pragma once
// Everything the interface remembers between two key presses, in one plain
// record owned by the entry point. Handlers change it; the screen only reads
// it. The mode is a set of independent flags, tested in a fixed order
// (mode_of).

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "highlight/highlight.hpp"
#include "repo/repo.hpp"
#include "state/details_layout.hpp"
#include "utils/channel.hpp"

namespace state {

using Clock = std::chrono::steady_clock;

// The syntax colouring of the file selected in the staging view.
struct StagingHighlight {
  std::string path;
  highlight::HighlightedFile unstaged;
  highlight::HighlightedFile staged;
  std::vector<highlight::ConflictHighlight> conflicts;
};

struct CommitViewState {
  std::vector<repo::WorktreeFile> unstaged;
  std::vector<repo::WorktreeFile> staged;
  std::optional<std::string> selected_path;
  std::optional<StagingHighlight> staging_highlight;
  std::map<std::string, std::size_t> resolved_sections;
  std::size_t unstaged_index = 0;
  std::size_t staged_index = 0;
  std::size_t unstaged_list_scroll = 0;
  std::size_t staged_list_scroll = 0;
  std::size_t diff_scroll = 0;
  bool staged_focus = false;
  bool amending = false;
  // The index as it was when the amend view opened, and the paths whose
  // entries the view has changed since; closing the view without amending
  // writes those entries back.
  std::optional<repo::IndexSnapshot> index_before_amend;
  std::set<std::string> amend_changed_paths;
};

enum class DiscardKind : std::uint8_t { FileChanges = 0, UntrackedFile = 1, Hunk = 2 };

struct PushResult {
  std::string message;
  bool refresh = false;
};

struct FetchResult {
  std::string message;
  bool refresh = false;
};

// A background job's receiving end and the number of loop passes it has
// been running; the spinner's frame is ticks % 10.
template <class Result>
struct Task {
  utils::Receiver<Result> receiver;
  std::uint64_t ticks = 0;
};

// What the hotkey panel shows that does not depend on the selected commit.
// A work-tree status is too slow to ask on every key, so these are asked when
// the panel opens, after each reload or worker result, and at most once a
// second while it stays open.
struct PanelFacts {
  bool has_changes = false;
  bool has_remote = false;
  std::string host_word;  // of the remote's host; "github" when it names none
  Clock::time_point asked;
};

struct StatusMessage {
  std::string text;
  Clock::time_point at;
};

// What the current details match was measured on. The match counts only
// while the same commit is open with the same query at the same width.
struct DetailsMatchKey {
  repo::Oid commit;
  std::string query;
  std::uint16_t width = 0;
  friend bool operator==(const DetailsMatchKey&, const DetailsMatchKey&) = default;
};

struct DetailsMatch {
  std::size_t line = 0;
  std::size_t index = 0;
};

struct State {
  // Owned text, lists and records.
  std::string search_query;
  std::vector<std::string> search_history;
  std::string count_prefix;
  std::optional<StatusMessage> status_message;
  std::string create_branch_input;
  std::string delete_branch_input;
  std::string checkout_input;
  std::string rebase_branch;
  std::string rebase_onto_input;
  std::string move_branch;
  std::optional<std::string> completion_prefix;
  std::optional<repo::CommitDetails> commit_details;
  std::optional<highlight::HighlightCache> highlight_cache;
  std::string details_query;
  std::optional<CommitViewState> commit_view;
  std::optional<std::pair<std::string, DiscardKind>> pending_discard;
  // The cleaned message of the last commit that failed after the editor, for
  // the next c to start from; dropped once a commit is made.
  std::optional<std::string> unsent_commit_message;
  std::string push_input;
  std::optional<Task<PushResult>> push_task;
  std::optional<Task<FetchResult>> fetch_task;
  std::optional<PanelFacts> panel_facts;  // while the hotkey panel is shown
  // Optional positions.
  std::optional<std::size_t> history_cursor;
  std::optional<std::size_t> saved_selection;
  std::optional<std::size_t> saved_scroll;
  std::optional<std::size_t> details_match_line;
  std::optional<std::size_t> details_match_index;
  std::optional<DetailsMatchKey> details_match_key;  // what the two above were measured on
  // The open details as last laid out, kept by the screen for the frame,
  // the status bar's counter and the search keys, which all lay the text out
  // alike (render::details_text); it keys itself on what the layout depends on.
  mutable std::shared_ptr<DetailsLayoutCache> details_layout;
  // Positions.
  std::size_t selected = 0;
  std::size_t scroll = 0;
  std::size_t completion_index = 0;
  std::size_t details_scroll = 0;
  // Mode flags.
  bool searching = false;
  bool creating_branch = false;
  bool deleting_branch = false;
  bool checking_out = false;
  bool selecting_rebase_branch = false;
  bool entering_rebase_target = false;
  bool rebase_in_progress = false;
  bool selecting_move_branch = false;
  bool selecting_move_target = false;
  bool confirming_move = false;
  bool show_hotkeys = false;
  bool confirming_revert = false;
  bool entering_push_branch = false;

  // Selection on HEAD's commit (row 0 when it is not loaded); everything
  // else empty, absent, zero or off.
  static State create(const repo::Repo& repo);

  void set_status(std::string text, Clock::time_point now = Clock::now()) {
    status_message = StatusMessage{std::move(text), now};
  }
};

// The mode that takes the keys: the staging view while it is open, else the
// first mode whose flag is set, in this order, else the log view. The
// dispatcher goes by it, and so does a paste into a prompt.
enum class Mode : std::uint8_t {
  CommitView,
  Search,
  CreateBranch,
  DeleteBranch,
  Checkout,
  RebaseInProgress,
  RebaseBranchSelection,
  RebaseTarget,
  RevertConfirmation,
  Push,
  MoveBranchSelection,
  MoveTarget,
  MoveConfirmation,
  Log,
};
Mode mode_of(const State& state);

// The selected commit, or null when the selection lies past the end of the
// log (an empty log, or a reload that shortened it).
const repo::Commit* selected_commit(const State& state, const repo::Repo& repo);

// The row of the log that holds the commit; nothing when none does. The rows
// around `near` are tried first, as a reload mostly moves a commit by a few
// rows; a commit the log holds twice is found at its first row near there.
std::optional<std::size_t> row_of(const std::vector<repo::Commit>& commits, const repo::Oid& id,
                                  std::size_t near = 0);

// The current details match when it was measured on the open commit with the
// current details query at this width; otherwise nothing.
std::optional<DetailsMatch> current_details_match(const State& state, std::uint16_t width);

// Sets or clears the current details match together with what it was
// measured on.
void set_details_match(State& state, std::optional<DetailsMatch> match, std::uint16_t width);

// The candidates that begin with the text, byte for byte, in list order,
// duplicates kept. Shared by tab completion and the prompts' ghost text.
std::vector<std::string> matching_candidates(std::string_view text,
                                             const std::vector<std::string>& candidates);

// Every name of the branch map, local and remote-tracking, in the map's
// order: what the rebase target completes over.
std::vector<std::string> all_branch_names(const repo::Repo& repo);

// The longest run of whole characters at the start of every match; the
// matches are not empty. Tab extends the text to it, and the prompts' ghost
// text shows what Tab would add.
std::string_view common_prefix(const std::vector<std::string>& matches);

}  // namespace state
