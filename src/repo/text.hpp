#pragma once
// Text rules shared by the whole program: UTF-8 validity, lossy decoding and
// the operating system's error text.

#include <string>
#include <string_view>

namespace utils {

bool is_valid_utf8(std::string_view bytes);

// Valid UTF-8 unchanged; each maximal subpart of an ill-formed sequence
// becomes one U+FFFD.
std::string decode_lossy(std::string_view bytes);

// The text when it is valid UTF-8, else the empty text.
std::string utf8_or_empty(const char* bytes);

// Appends the UTF-8 form of one code point.
void append_utf8(std::string& out, char32_t cp);
std::string utf8_encode(char32_t cp);

// "{description} (os error {number})".
std::string os_error_text(int errnum);

}  // namespace utils
