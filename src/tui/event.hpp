#pragma once
// Terminal events and where they come from.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <iosfwd>
#include <optional>
#include <string>
#include <variant>

#include "tui/rect.hpp"

namespace tui {

enum class KeyCode : uint8_t {
  Char,  // KeyEvent::ch holds the character
  Enter,
  Tab,
  BackTab,
  Backspace,
  Esc,
  Left,
  Right,
  Up,
  Down,
  Home,
  End,
  PageUp,
  PageDown,
  Insert,
  Delete,
  F,  // KeyEvent::f holds the number, 1 to 12
};

enum class KeyModifiers : uint8_t { NONE = 0, SHIFT = 1, CONTROL = 2, ALT = 4 };

constexpr KeyModifiers operator|(KeyModifiers a, KeyModifiers b) {
  return static_cast<KeyModifiers>(static_cast<uint8_t>(a) | static_cast<uint8_t>(b));
}
constexpr bool contains(KeyModifiers set, KeyModifiers m) {
  return (static_cast<uint8_t>(set) & static_cast<uint8_t>(m)) == static_cast<uint8_t>(m);
}

struct KeyEvent {
  KeyCode code = KeyCode::Char;
  char32_t ch = 0;
  uint8_t f = 0;
  KeyModifiers modifiers = KeyModifiers::NONE;

  static constexpr KeyEvent character(char32_t c, KeyModifiers m = KeyModifiers::NONE) {
    return {KeyCode::Char, c, 0, m};
  }
  static constexpr KeyEvent key(KeyCode code, KeyModifiers m = KeyModifiers::NONE) { return {code, 0, 0, m}; }
  static constexpr KeyEvent function(uint8_t n, KeyModifiers m = KeyModifiers::NONE) {
    return {KeyCode::F, 0, n, m};
  }

  bool operator==(const KeyEvent&) const = default;
};

std::ostream& operator<<(std::ostream& out, const KeyEvent& key);

// The terminal's new size.
struct ResizeEvent {
  uint16_t width = 0;
  uint16_t height = 0;
  bool operator==(const ResizeEvent&) const = default;
};

// A block of text the user pasted, taken whole: none of it counts as typed keys.
struct PasteEvent {
  // The bytes between the paste's markers as the terminal sent them, line breaks and escape
  // sequences included; past MAX_PASTE_BYTES the rest is dropped.
  std::string text;
  bool operator==(const PasteEvent&) const = default;
};

// The most of one paste that is kept.
inline constexpr std::size_t MAX_PASTE_BYTES = 64 * 1024;

// Anything else the terminal reports (focus, mouse): worth a redraw, nothing more.
struct OtherEvent {
  bool operator==(const OtherEvent&) const = default;
};

// The terminal was given back and taken again (the program was stopped and continued): the screen
// holds the shell's text now, and the next frame must be painted whole.
struct RedrawEvent {
  bool operator==(const RedrawEvent&) const = default;
};

using Event = std::variant<KeyEvent, ResizeEvent, PasteEvent, OtherEvent, RedrawEvent>;

std::ostream& operator<<(std::ostream& out, const ResizeEvent& resize);
std::ostream& operator<<(std::ostream& out, const PasteEvent& paste);
std::ostream& operator<<(std::ostream& out, const OtherEvent& other);
std::ostream& operator<<(std::ostream& out, const RedrawEvent& redraw);

class EventSource {
 public:
  virtual ~EventSource() = default;
  // Waits up to `timeout` for one event: nullopt when none came, an error when the terminal
  // cannot be read.
  virtual std::expected<std::optional<Event>, std::string> poll_event(std::chrono::milliseconds timeout) = 0;
};

}  // namespace tui
