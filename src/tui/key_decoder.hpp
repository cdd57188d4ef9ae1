#pragma once
// Turning the bytes a terminal sends into key events. Pure: the caller reads and waits.

#include <cstddef>
#include <optional>
#include <string_view>

#include "tui/event.hpp"

namespace tui {

struct DecodedKey {
  std::optional<KeyEvent> key;  // absent: a sequence we do not handle, to be dropped
  std::size_t length = 0;       // bytes used, at least 1
  bool paste = false;           // the bytes began a pasted block: read it with scan_paste
};

// What a terminal in bracketed-paste mode puts around pasted text.
inline constexpr std::string_view PASTE_START = "\x1b[200~";
inline constexpr std::string_view PASTE_END = "\x1b[201~";

// The first key in `bytes` (not empty). With `complete` false, nullopt means the bytes may be
// the start of a longer sequence: read more, and when nothing follows within a short wait call
// again with `complete` true, which always decodes (a lone ESC is then Esc).
//
// As terminals send them: 0x0D is Enter, 0x09 Tab, 0x7F Backspace, 0x08 Ctrl-h, 0x0A Ctrl-j,
// other C0 bytes Ctrl with a letter (0x00 Ctrl-Space, 0x1C to 0x1F Ctrl-4 to Ctrl-7); ESC before
// a key adds Alt; CSI and SS3 sequences give arrows, Home/End, Insert/Delete, PageUp/PageDown,
// BackTab and F1 to F12, with xterm's modifier parameter. Capital letters carry Shift.
std::optional<DecodedKey> decode_key(std::string_view bytes, bool complete);

// Inside a pasted block: how many of `bytes` belong to it (its end marker included), how many
// of those are pasted text (the end marker left out), and whether that end is among them. Bytes
// that may begin the end marker are left for the next call.
struct PasteScan {
  std::size_t length = 0;
  bool ended = false;
  std::size_t text_length = 0;
};
PasteScan scan_paste(std::string_view bytes);

}  // namespace tui
