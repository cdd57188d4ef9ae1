#pragma once
// Text rules shared by the whole program: UTF-8 validity, lossy decoding and
// the operating system's error text.

#include <expected>
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
// The failure "{what}{description} (os error {number})".
std::unexpected<std::string> os_failure(std::string_view what, int errnum);

// Without the ASCII white space (space, \t, \n, \v, \f, \r) at either end.
std::string trim_ascii_space(std::string_view s);
// Without the Unicode white space (White_Space) at either end.
std::string trim_unicode_space(std::string_view s);
// Without the Unicode white space at the end.
std::string trim_unicode_space_end(std::string_view s);

}  // namespace utils
