#pragma once
// Unicode letter case for the smart-case search: the mixed-case test and the
// lower-case mapping of a whole text.

#include <string>
#include <string_view>

namespace utils {

// True when the text holds a character with the Uppercase property and one
// with the Lowercase property; such a query is matched case-sensitively.
bool has_mixed_case(std::string_view text);

// The full Unicode lower-case mapping of the text, under which one character
// may become several (U+0130) and a word-final capital sigma becomes the
// final form. Bytes that are not valid UTF-8 are copied unchanged.
std::string to_lower(std::string_view text);

}  // namespace utils
