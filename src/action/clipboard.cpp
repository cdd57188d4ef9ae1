#include "action/clipboard.hpp"

#include <array>
#include <vector>

#include "utils/process.hpp"

namespace action {

namespace {

const std::array<std::vector<std::string>, 4> CLIPBOARD_PROGRAMS = {{
    {"clip.exe"},
    {"xclip", "-selection", "clipboard"},
    {"xsel", "--clipboard", "--input"},
    {"wl-copy"},
}};

}  // namespace

Clipboard copy_to_clipboard(const std::string& text) {
  utils::ProcessOptions options;
  options.input = text;
  // These programs leave a process behind that keeps the selection and
  // would hold captured pipes open: wait for the program itself only.
  options.discard_output = true;
  bool any_ran = false;
  for (const auto& program : CLIPBOARD_PROGRAMS) {
    const auto run = utils::run_process(program, options);
    if (!run) continue;
    // xclip without a display starts and fails: nothing was copied.
    if (run->success()) return Clipboard::Copied;
    any_ran = true;
  }
  return any_ran ? Clipboard::Failed : Clipboard::NoProgram;
}

}  // namespace action
