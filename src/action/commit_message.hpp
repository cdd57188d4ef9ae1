#pragma once
// The commit message file: what the editor opens and what is kept of it.

#include <optional>
#include <string>
#include <string_view>

namespace action {

// The guidance below the message, every line a comment.
extern const std::string_view COMMIT_TEMPLATE;

// The previous message (when amending a commit that has one), two line
// feeds, then the guidance.
std::string commit_message_file_content(const std::optional<std::string>& previous_message);

// The message as it is stored: comment lines ("#" first) dropped, trailing
// white space of every line and white space around the whole removed, lines
// joined by single line feeds, no final line feed.
std::string clean_commit_message(std::string_view text);

}  // namespace action
