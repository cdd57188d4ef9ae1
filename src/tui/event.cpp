#include "tui/event.hpp"

#include <ostream>

namespace tui {

std::ostream& operator<<(std::ostream& out, const KeyEvent& k) {
  static constexpr const char* names[] = {"Char",   "Enter",    "Tab",    "BackTab", "Backspace", "Esc",
                                          "Left",   "Right",    "Up",     "Down",    "Home",      "End",
                                          "PageUp", "PageDown", "Insert", "Delete",  "F"};
  out << "Key{" << names[static_cast<int>(k.code)];
  if (k.code == KeyCode::Char) out << " U+" << std::hex << static_cast<uint32_t>(k.ch) << std::dec;
  if (k.code == KeyCode::F) out << int{k.f};
  if (contains(k.modifiers, KeyModifiers::SHIFT)) out << " shift";
  if (contains(k.modifiers, KeyModifiers::CONTROL)) out << " ctrl";
  if (contains(k.modifiers, KeyModifiers::ALT)) out << " alt";
  return out << "}";
}

std::ostream& operator<<(std::ostream& out, const ResizeEvent& resize) {
  return out << "Resize{" << resize.width << "x" << resize.height << "}";
}

std::ostream& operator<<(std::ostream& out, const PasteEvent& paste) {
  out << "Paste{";
  for (const char c : paste.text) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7F && b != '\\')
      out << c;
    else
      out << "\\x"
          << "0123456789abcdef"[b >> 4] << "0123456789abcdef"[b & 15];
  }
  return out << "}";
}

std::ostream& operator<<(std::ostream& out, const OtherEvent&) { return out << "Other{}"; }

std::ostream& operator<<(std::ostream& out, const RedrawEvent&) { return out << "Redraw{}"; }

}  // namespace tui
