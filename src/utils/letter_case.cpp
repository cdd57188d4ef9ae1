#include "utils/letter_case.hpp"

#include <algorithm>
#include <cstdint>
#include <span>

#include "utils/text.hpp"
#include "utils/utf8_chars.hpp"

namespace utils {
namespace {

// Code points first, first + stride, ..., last.
struct CaseRange {
  char32_t first;
  char32_t last;
  std::uint8_t stride;
};

// Code points first, first + stride, ..., last each map to code point + delta.
struct LowerRun {
  char32_t first;
  char32_t last;
  std::uint8_t stride;
  std::int32_t delta;
};

#include "utils/unicode_case_tables.inc"

template <class Range>
const Range* find_run(std::span<const Range> table, char32_t cp) {
  auto it = std::upper_bound(table.begin(), table.end(), cp,
                             [](char32_t c, const Range& r) { return c < r.first; });
  if (it == table.begin()) return nullptr;
  const Range& r = *(it - 1);
  if (cp > r.last || (cp - r.first) % r.stride != 0) return nullptr;
  return &r;
}

bool in_table(std::span<const CaseRange> table, char32_t cp) { return find_run(table, cp) != nullptr; }

bool is_uppercase(char32_t cp) {
  if (cp < 0x80) return cp >= 'A' && cp <= 'Z';
  return in_table(kUppercase, cp);
}

bool is_lowercase(char32_t cp) {
  if (cp < 0x80) return cp >= 'a' && cp <= 'z';
  return in_table(kLowercase, cp);
}

bool is_cased(char32_t cp) { return in_table(kCased, cp); }
bool is_case_ignorable(char32_t cp) { return in_table(kCaseIgnorable, cp); }

constexpr char32_t kInvalid = kNotUtf8;

// Decodes the well-formed sequence at i and moves past it; an ill-formed
// byte gives kInvalid and moves one byte.
char32_t next_code_point(std::string_view s, std::size_t& i) {
  std::size_t length;
  const char32_t cp = decode_utf8_at(s, i, length);
  i += length;
  return cp;
}

// The code point that ends just before byte i, or kInvalid; moves i back.
char32_t previous_code_point(std::string_view s, std::size_t& i) {
  std::size_t start = i - 1;
  while (start > 0 && i - start < 4 && (static_cast<unsigned char>(s[start]) & 0xC0) == 0x80) --start;
  std::size_t j = start;
  const char32_t cp = next_code_point(s, j);
  if (cp == kInvalid || j != i) {
    --i;
    return kInvalid;
  }
  i = start;
  return cp;
}

// A capital sigma is word-final when a cased letter comes before it and none
// after it, case-ignorable characters skipped on both sides.
bool is_final_sigma(std::string_view s, std::size_t start, std::size_t end) {
  bool cased_before = false;
  for (std::size_t i = start; i > 0;) {
    const char32_t cp = previous_code_point(s, i);
    if (cp != kInvalid && is_case_ignorable(cp)) continue;
    cased_before = cp != kInvalid && is_cased(cp);
    break;
  }
  if (!cased_before) return false;
  for (std::size_t i = end; i < s.size();) {
    const char32_t cp = next_code_point(s, i);
    if (cp != kInvalid && is_case_ignorable(cp)) continue;
    return cp == kInvalid || !is_cased(cp);
  }
  return true;
}

}  // namespace

bool has_mixed_case(std::string_view text) {
  bool upper = false, lower = false;
  for (std::size_t i = 0; i < text.size();) {
    const char32_t cp = next_code_point(text, i);
    if (cp == kInvalid) continue;
    upper = upper || is_uppercase(cp);
    lower = lower || is_lowercase(cp);
    if (upper && lower) return true;
  }
  return false;
}

std::string to_lower(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t start = i;
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) {
      out += static_cast<char>(b0 >= 'A' && b0 <= 'Z' ? b0 + 32 : b0);
      ++i;
      continue;
    }
    const char32_t cp = next_code_point(text, i);
    if (cp == kInvalid) {
      out += text[start];
    } else if (cp == 0x130) {  // capital I with dot: i and a combining dot
      out += "i\xCC\x87";
    } else if (cp == 0x3A3) {
      utils::append_utf8(out, is_final_sigma(text, start, i) ? 0x3C2 : 0x3C3);
    } else if (const LowerRun* run = find_run<LowerRun>(kToLower, cp)) {
      utils::append_utf8(out, static_cast<char32_t>(static_cast<std::int32_t>(cp) + run->delta));
    } else {
      out.append(text.substr(start, i - start));
    }
  }
  return out;
}

}  // namespace utils
