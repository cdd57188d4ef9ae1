#include "action/editor.hpp"

#include "utils/text.hpp"

#include <cstdlib>

namespace action {

std::string editor_program() {
  for (const char* name : {"EDITOR", "VISUAL"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && utils::is_valid_utf8(value)) return value;
  }
  return "vi";
}

bool is_neovim(std::string_view editor) {
  const auto slash = editor.rfind('/');
  std::string_view last = slash == std::string_view::npos ? editor : editor.substr(slash + 1);
  // A leading dot starts a name, not an extension: ".nvim" has no stem "".
  const auto dot = last.rfind('.');
  if (dot != std::string_view::npos && dot > 0) last = last.substr(0, dot);
  return last == "nvim";
}

std::expected<utils::ProcessResult, std::string> run_with_terminal(tui::Terminal& terminal,
                                                                   const std::vector<std::string>& argv) {
  (void)terminal.suspend();
  utils::ProcessOptions options;
  options.inherit_terminal = true;
  auto ran = utils::run_process(argv, options);
  (void)terminal.resume();
  return ran;
}

}  // namespace action
