// A paste into the open text prompt: its first line, cleaned, typed at once.

#include "action/paste.hpp"

#include "action/branch_prompt.hpp"
#include "utils/utf8_chars.hpp"

namespace action {

namespace {

// LF, VT, FF, CR, NEL and the Unicode line and paragraph separators.
bool line_break(char32_t c) { return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029; }

// The C0 and C1 controls and DEL, and the characters that reorder text
// (Bidi_Control): in a name or a query they do nothing the user can see,
// or make it read as something it is not.
bool dropped(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0x061C || c == 0x200E || c == 0x200F ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// The text a prompt takes from a paste: up to the first line break, without
// those characters and without bytes that are not UTF-8.
std::string pasted_line(std::string_view pasted) {
  std::string line;
  for (std::size_t i = 0; i < pasted.size();) {
    std::size_t length = 0;
    const char32_t c = utils::decode_utf8_at(pasted, i, length);
    if (c != utils::kNotUtf8) {
      if (line_break(c)) break;
      if (!dropped(c)) line.append(pasted, i, length);
    }
    i += length;
  }
  return line;
}

// The text of the prompt that has the keys, and whether it is the search
// prompt; nothing when no text prompt has them.
std::string* open_prompt_text(state::State& state, bool& search) {
  using state::Mode;
  search = false;
  switch (state::mode_of(state)) {
    case Mode::Search:
      search = true;
      return state.commit_details ? &state.details_query : &state.search_query;
    case Mode::CreateBranch:
      return &state.create_branch_input;
    case Mode::DeleteBranch:
      return &state.delete_branch_input;
    case Mode::Checkout:
      return &state.checkout_input;
    case Mode::RebaseTarget:
      return &state.rebase_onto_input;
    case Mode::Push:
      return &state.push_input;
    default:
      return nullptr;
  }
}

}  // namespace

void paste_into_prompt(state::State& state, std::string_view pasted) {
  bool search = false;
  std::string* text = open_prompt_text(state, search);
  if (text == nullptr) return;
  const std::string line = pasted_line(pasted);
  if (line.empty()) return;
  text->append(line);
  // As typing does: a new text leaves the history and ends the completion cycle.
  if (search)
    state.history_cursor.reset();
  else
    end_completion(state);
}

}  // namespace action
