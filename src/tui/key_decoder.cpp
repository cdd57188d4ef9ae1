#include "tui/key_decoder.hpp"

#include <utf8proc.h>

#include <algorithm>
#include <vector>

namespace tui {

namespace {

// Longest escape sequence we wait for; anything longer is noise.
constexpr std::size_t MAX_SEQUENCE = 64;

DecodedKey key(KeyEvent k, std::size_t length) { return DecodedKey{k, length}; }
DecodedKey skip(std::size_t length) { return DecodedKey{std::nullopt, length}; }

KeyEvent with(KeyEvent k, KeyModifiers m) {
  k.modifiers = k.modifiers | m;
  return k;
}

std::optional<DecodedKey> decode_plain(std::string_view b, bool complete) {
  const auto c = static_cast<unsigned char>(b[0]);
  switch (c) {
    case 0x0D:
      return key(KeyEvent::key(KeyCode::Enter), 1);
    case 0x09:
      return key(KeyEvent::key(KeyCode::Tab), 1);
    case 0x7F:
      return key(KeyEvent::key(KeyCode::Backspace), 1);
    case 0x00:
      return key(KeyEvent::character(U' ', KeyModifiers::CONTROL), 1);
    default:
      break;
  }
  if (c >= 0x01 && c <= 0x1A) return key(KeyEvent::character(U'a' + (c - 1), KeyModifiers::CONTROL), 1);
  if (c >= 0x1C && c <= 0x1F) return key(KeyEvent::character(U'4' + (c - 0x1C), KeyModifiers::CONTROL), 1);
  if (c < 0x80) {
    const bool capital = c >= 'A' && c <= 'Z';
    return key(KeyEvent::character(c, capital ? KeyModifiers::SHIFT : KeyModifiers::NONE), 1);
  }

  std::size_t need = 0;
  if (c >= 0xC2 && c <= 0xDF)
    need = 2;
  else if (c >= 0xE0 && c <= 0xEF)
    need = 3;
  else if (c >= 0xF0 && c <= 0xF4)
    need = 4;
  else
    return skip(1);
  for (std::size_t i = 1; i < need && i < b.size(); ++i) {
    const auto cont = static_cast<unsigned char>(b[i]);
    if (cont < 0x80 || cont > 0xBF) return skip(i);
  }
  if (b.size() < need) {
    if (complete) return skip(b.size());
    return std::nullopt;
  }
  utf8proc_int32_t cp = 0;
  if (utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(b.data()),
                       static_cast<utf8proc_ssize_t>(need), &cp) != static_cast<utf8proc_ssize_t>(need)) {
    return skip(1);
  }
  return key(KeyEvent::character(static_cast<char32_t>(cp)), need);
}

// xterm's modifier parameter: 1 + (Shift 1 | Alt 2 | Ctrl 4 | Meta 8).
KeyModifiers modifiers_from(unsigned param) {
  if (param < 2) return KeyModifiers::NONE;
  const unsigned bits = param - 1;
  KeyModifiers m = KeyModifiers::NONE;
  if (bits & 1) m = m | KeyModifiers::SHIFT;
  if (bits & (2 | 8)) m = m | KeyModifiers::ALT;
  if (bits & 4) m = m | KeyModifiers::CONTROL;
  return m;
}

std::optional<KeyEvent> letter_key(char final) {
  switch (final) {
    case 'A':
      return KeyEvent::key(KeyCode::Up);
    case 'B':
      return KeyEvent::key(KeyCode::Down);
    case 'C':
      return KeyEvent::key(KeyCode::Right);
    case 'D':
      return KeyEvent::key(KeyCode::Left);
    case 'H':
      return KeyEvent::key(KeyCode::Home);
    case 'F':
      return KeyEvent::key(KeyCode::End);
    case 'P':
    case 'Q':
    case 'R':
    case 'S':
      return KeyEvent::function(static_cast<uint8_t>(1 + (final - 'P')));
    default:
      return std::nullopt;
  }
}

std::optional<KeyEvent> tilde_key(unsigned n) {
  switch (n) {
    case 1:
    case 7:
      return KeyEvent::key(KeyCode::Home);
    case 2:
      return KeyEvent::key(KeyCode::Insert);
    case 3:
      return KeyEvent::key(KeyCode::Delete);
    case 4:
    case 8:
      return KeyEvent::key(KeyCode::End);
    case 5:
      return KeyEvent::key(KeyCode::PageUp);
    case 6:
      return KeyEvent::key(KeyCode::PageDown);
    default:
      break;
  }
  if (n >= 11 && n <= 15) return KeyEvent::function(static_cast<uint8_t>(n - 10));
  if (n >= 17 && n <= 21) return KeyEvent::function(static_cast<uint8_t>(n - 11));
  if (n == 23 || n == 24) return KeyEvent::function(static_cast<uint8_t>(n - 12));
  return std::nullopt;
}

// ESC [ ...
std::optional<DecodedKey> decode_csi(std::string_view b, bool complete) {
  if (b.size() == 2) {
    if (complete) return key(KeyEvent::character(U'[', KeyModifiers::ALT), 2);
    return std::nullopt;
  }
  if (b[2] == '[') {  // the Linux console's F1 to F5
    if (b.size() == 3) return complete ? std::optional(skip(3)) : std::nullopt;
    if (b[3] >= 'A' && b[3] <= 'E') return key(KeyEvent::function(static_cast<uint8_t>(1 + (b[3] - 'A'))), 4);
    return skip(4);
  }
  std::size_t i = 2;
  while (i < b.size()) {
    const auto c = static_cast<unsigned char>(b[i]);
    if (c >= 0x40 && c <= 0x7E) break;         // final byte
    if (c < 0x20 || c > 0x3F) return skip(i);  // not part of a sequence
    ++i;
  }
  if (i == b.size()) {
    if (complete || b.size() >= MAX_SEQUENCE) return skip(b.size());
    return std::nullopt;
  }
  const std::string_view params = b.substr(2, i - 2);
  const char final = b[i];
  const std::size_t length = i + 1;
  if (!params.empty() && (params[0] < '0' || params[0] > ';')) return skip(length);  // private reports

  std::vector<unsigned> numbers(1, 0);
  for (char c : params) {
    if (c == ';') {
      numbers.push_back(0);
    } else if (c >= '0' && c <= '9') {
      numbers.back() = std::min(numbers.back() * 10 + static_cast<unsigned>(c - '0'), 100000u);
    } else {
      return skip(length);
    }
  }
  const KeyModifiers mods = numbers.size() > 1 ? modifiers_from(numbers[1]) : KeyModifiers::NONE;
  if (final == 'Z') return key(KeyEvent::key(KeyCode::BackTab, KeyModifiers::SHIFT | mods), length);
  if (final == '~') {
    if (auto k = tilde_key(numbers[0])) return key(with(*k, mods), length);
    return skip(length);
  }
  if (auto k = letter_key(final)) return key(with(*k, mods), length);
  return skip(length);
}

// ESC O x
std::optional<DecodedKey> decode_ss3(std::string_view b, bool complete) {
  if (b.size() == 2) {
    if (complete) return key(KeyEvent::character(U'O', KeyModifiers::ALT | KeyModifiers::SHIFT), 2);
    return std::nullopt;
  }
  if (auto k = letter_key(b[2])) return key(*k, 3);
  return skip(3);
}

}  // namespace

std::optional<DecodedKey> decode_key(std::string_view bytes, bool complete) {
  if (bytes.empty()) return skip(0);
  if (bytes[0] != '\x1b') return decode_plain(bytes, complete);
  if (bytes.starts_with(PASTE_START)) return DecodedKey{std::nullopt, PASTE_START.size(), true};
  if (bytes.size() == 1) {
    if (complete) return key(KeyEvent::key(KeyCode::Esc), 1);
    return std::nullopt;
  }
  switch (bytes[1]) {
    case '[':
      return decode_csi(bytes, complete);
    case 'O':
      return decode_ss3(bytes, complete);
    case '\x1b':
      return key(KeyEvent::key(KeyCode::Esc), 1);
    default:
      break;
  }
  auto inner = decode_plain(bytes.substr(1), complete);
  if (!inner) return std::nullopt;
  if (inner->key) inner->key = with(*inner->key, KeyModifiers::ALT);
  inner->length += 1;
  return inner;
}

PasteScan scan_paste(std::string_view bytes) {
  if (const std::size_t end = bytes.find(PASTE_END); end != std::string_view::npos)
    return {end + PASTE_END.size(), true, end};
  // Keep a tail that may be the first bytes of the end marker.
  std::size_t keep = std::min(bytes.size(), PASTE_END.size() - 1);
  while (keep > 0 && !PASTE_END.starts_with(bytes.substr(bytes.size() - keep))) --keep;
  return {bytes.size() - keep, false, bytes.size() - keep};
}

}  // namespace tui
