#pragma once
// The 5-row panel listing the log view's commands, each key White when it
// would act on the selected commit and DarkGray when it would not.

#include <cstddef>
#include <string>
#include <vector>

#include "repo/repo.hpp"
#include "state/state.hpp"
#include "tui/buffer.hpp"
#include "tui/rect.hpp"

namespace render {

struct HotkeyEntry {
  std::string key;
  std::string label;
  bool enabled = true;
  friend bool operator==(const HotkeyEntry&, const HotkeyEntry&) = default;
};

// Everything the panel's entries depend on.
struct HotkeyFacts {
  bool has_commit = false;  // a commit is selected
  bool is_head = false;     // it is HEAD's commit
  std::size_t parents = 0;
  bool local_branches = false;  // some local branch has its tip there
  bool on_remote = false;
  bool in_head_history = false;
  bool has_changes = false;
  bool has_remote = false;
  std::string host_word = "github";
};

// The facts for the selected commit. The ones that do not depend on it come
// from State.panel_facts when the handlers have asked them, else from the
// repository. Without a selected commit its facts are all false.
HotkeyFacts hotkey_facts(const state::State& state, const repo::Repo& repo, const repo::Oid& head);

// The six columns of entries.
std::vector<std::vector<HotkeyEntry>> hotkey_columns(const state::State& state, const HotkeyFacts& facts);

// Characters of the widest "key label" of the column; 0 for an empty one.
std::size_t hotkey_column_width(const std::vector<HotkeyEntry>& column);

void render_hotkeys(tui::Buffer& buffer, tui::Rect area, const state::State& state, const repo::Repo& repo,
                    const repo::Oid& head);

}  // namespace render
