#include "utils/text.hpp"

#include <cstring>

#include "utils/utf8_chars.hpp"

namespace utils {
namespace {

// Length of the well-formed sequence starting at i, or 0 when the bytes there
// are ill-formed; `consumed` then holds the length of the maximal subpart to
// replace (at least 1).
std::size_t sequence_length(std::string_view s, std::size_t i, std::size_t& consumed) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    consumed = 1;
    return 1;
  }
  std::size_t need;
  unsigned char lo = 0x80, hi = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
  } else if (b0 == 0xE0) {
    need = 2, lo = 0xA0;
  } else if ((b0 >= 0xE1 && b0 <= 0xEC) || b0 == 0xEE || b0 == 0xEF) {
    need = 2;
  } else if (b0 == 0xED) {
    need = 2, hi = 0x9F;
  } else if (b0 == 0xF0) {
    need = 3, lo = 0x90;
  } else if (b0 >= 0xF1 && b0 <= 0xF3) {
    need = 3;
  } else if (b0 == 0xF4) {
    need = 3, hi = 0x8F;
  } else {
    consumed = 1;
    return 0;
  }
  std::size_t j = i + 1;
  for (std::size_t k = 0; k < need; ++k, ++j) {
    if (j >= s.size()) {
      consumed = j - i;
      return 0;
    }
    const auto b = static_cast<unsigned char>(s[j]);
    if (b < lo || b > hi) {
      consumed = j - i;
      return 0;
    }
    lo = 0x80, hi = 0xBF;
  }
  consumed = j - i;
  return consumed;
}

}  // namespace

bool is_valid_utf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    std::size_t consumed;
    if (sequence_length(bytes, i, consumed) == 0) return false;
    i += consumed;
  }
  return true;
}

std::string decode_lossy(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    std::size_t consumed;
    if (sequence_length(bytes, i, consumed) == 0)
      out += "\xEF\xBF\xBD";
    else
      out.append(bytes.substr(i, consumed));
    i += consumed;
  }
  return out;
}

std::string utf8_or_empty(const char* bytes) {
  if (bytes == nullptr) return {};
  std::string_view view(bytes);
  return is_valid_utf8(view) ? std::string(view) : std::string();
}

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string utf8_encode(char32_t cp) {
  std::string out;
  append_utf8(out, cp);
  return out;
}

std::string os_error_text(int errnum) {
  char buf[256];
  const char* text = strerror_r(errnum, buf, sizeof buf);
  return std::string(text) + " (os error " + std::to_string(errnum) + ")";
}

std::unexpected<std::string> os_failure(std::string_view what, int errnum) {
  return std::unexpected(std::string(what) + os_error_text(errnum));
}

std::string trim_ascii_space(std::string_view s) {
  constexpr std::string_view kSpace = " \t\n\v\f\r";
  const auto begin = s.find_first_not_of(kSpace);
  if (begin == std::string_view::npos) return {};
  const auto end = s.find_last_not_of(kSpace);
  return std::string(s.substr(begin, end - begin + 1));
}

namespace {

bool is_unicode_space(char32_t cp) {
  return (cp >= 0x09 && cp <= 0x0D) || cp == 0x20 || cp == 0x85 || cp == 0xA0 || cp == 0x1680 ||
         (cp >= 0x2000 && cp <= 0x200A) || cp == 0x2028 || cp == 0x2029 || cp == 0x202F || cp == 0x205F ||
         cp == 0x3000;
}

}  // namespace

std::string trim_unicode_space(std::string_view s) {
  std::size_t begin = s.size(), end = 0;
  for (std::size_t i = 0; i < s.size();) {
    std::size_t length = 0;
    const char32_t cp = decode_utf8_at(s, i, length);
    if (!is_unicode_space(cp)) {
      if (begin == s.size()) begin = i;
      end = i + length;
    }
    i += length;
  }
  return begin < end ? std::string(s.substr(begin, end - begin)) : std::string();
}

std::string trim_unicode_space_end(std::string_view s) {
  std::size_t end = 0;
  for (std::size_t i = 0; i < s.size();) {
    std::size_t length = 0;
    if (!is_unicode_space(decode_utf8_at(s, i, length))) end = i + length;
    i += length;
  }
  return std::string(s.substr(0, end));
}

}  // namespace utils
