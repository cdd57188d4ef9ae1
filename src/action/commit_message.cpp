#include "action/commit_message.hpp"

#include "utils/text.hpp"

namespace action {

// clang-format off
const std::string_view COMMIT_TEMPLATE =
    "# ── Commit message guidance ───────────────────────────────────\n"
    "#\n"
    "# Subject line (line 1)\n"
    "#   · 50 characters or fewer\n"
    "#   · Capitalized, with no period at the end\n"
    "#   · Imperative mood: \"Add\", \"Fix\", \"Refactor\" — not \"Added\"\n"
    "#   · Finishes the sentence \"If applied, this commit will …\"\n"
    "#\n"
    "# Then leave a blank line before the body.\n"
    "#\n"
    "# Body\n"
    "#   · Wrap lines at 72 characters\n"
    "#   · Explain what changed and why — not how\n"
    "#\n"
    "# Lines starting with '#' are ignored. An empty message aborts.\n"
    "# Guide: https://cbea.ms/git-commit/\n"
    "# vim: ft=gitcommit\n";
// clang-format on

std::string commit_message_file_content(const std::optional<std::string>& previous_message) {
  std::string content;
  if (previous_message && !previous_message->empty()) content = *previous_message;
  content += "\n\n";
  content += COMMIT_TEMPLATE;
  return content;
}

std::string clean_commit_message(std::string_view text) {
  std::string kept;
  bool first = true;
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.starts_with('#')) continue;
    if (!first) kept += '\n';
    kept += utils::trim_unicode_space_end(line);
    first = false;
  }
  return utils::trim_unicode_space(kept);
}

}  // namespace action
