#include "action/editor.hpp"

#include <cstdlib>

#include "utils/text.hpp"

namespace action {

std::string editor_program() {
  for (const char* name : {"EDITOR", "VISUAL"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && utils::is_valid_utf8(value)) return value;
  }
  return "vi";
}

std::vector<std::string> editor_command(const std::string& editor, const std::vector<std::string>& args) {
  std::vector<std::string> argv;
  // git's test for a command the shell must read.
  if (editor.find_first_of("|&;<>()$`\\\"' \t\n*?[#~=%") == std::string::npos) {
    argv.push_back(editor);
  } else {
    // The editor's value becomes $0, as git passes it.
    argv = {"sh", "-c", editor + " \"$@\"", editor};
  }
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

bool is_neovim(std::string_view editor) {
  const auto start = editor.find_first_not_of(" \t\n");
  editor = start == std::string_view::npos ? std::string_view() : editor.substr(start);
  editor = editor.substr(0, editor.find_first_of(" \t\n"));
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
