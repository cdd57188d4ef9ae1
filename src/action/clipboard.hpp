#pragma once
// The clipboard, reached through the first clipboard program that takes the
// text: clip.exe, xclip, xsel, wl-copy.

#include <string>

namespace action {

enum class Clipboard {
  Copied,
  Failed,     // some program ran, none of them copied
  NoProgram,  // none of them could be started
};

Clipboard copy_to_clipboard(const std::string& text);

}  // namespace action
