#include "action/editor.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "support/env_guard.hpp"
#include "support/temp_repo.hpp"
#include "tui/memory_backend.hpp"

namespace {

TEST(Editor, ChoiceFallsFromEditorToVisualToVi) {
  struct Case {
    std::optional<std::string> editor, visual;
    std::string want;
  };
  const Case cases[] = {
      {"nano", "code", "nano"},
      {std::nullopt, "code", "code"},
      {std::nullopt, std::nullopt, "vi"},
      {"bad\xFF", "code", "code"},               // not UTF-8: as if unset
      {"emacs -nw", std::nullopt, "emacs -nw"},  // as written: the words are split when it runs
  };
  for (const auto& c : cases) {
    testing_support::EnvGuard editor{{"EDITOR", c.editor}};
    testing_support::EnvGuard visual{{"VISUAL", c.visual}};
    EXPECT_EQ(action::editor_program(), c.want);
  }
}

TEST(Editor, NeovimIsTheFileStemNvim) {
  const std::pair<const char*, bool> cases[] = {
      {"nvim", true},
      {"/opt/x/nvim", true},
      {"nvim.appimage", true},
      {"/usr/bin/nvim.exe", true},
      {"nvim-qt", false},
      {"gnvim", false},
      {"vim", false},
      {"nvim.tar.gz", false},
      {".nvim", false},
      {"", false},
      // The first word names the program.
      {"nvim --clean", true},
      {" /opt/x/nvim -u NONE", true},
      {"code --wait", false},
      {"vim -c nvim", false},
  };
  for (const auto& [editor, want] : cases) EXPECT_EQ(action::is_neovim(editor), want) << editor;
}

TEST(Editor, HandsTheTerminalOverAndTakesItBack) {
  testing_support::TempDir dir;
  const std::string marker = dir.path() + "/ran";
  tui::MemoryBackend backend({40, 10});
  tui::Terminal terminal(backend);
  auto ran = action::run_with_terminal(terminal, {"sh", "-c", "touch \"$0\"; exit 3", marker});
  ASSERT_TRUE(ran) << ran.error();
  EXPECT_EQ(ran->exit_code, 3);
  EXPECT_TRUE(std::ifstream(marker).good());
  EXPECT_EQ(backend.suspends(), 1);
  EXPECT_EQ(backend.resumes(), 1);

  auto missing = action::run_with_terminal(terminal, {"/nonexistent/editor"});
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error(), "No such file or directory (os error 2)");
  EXPECT_EQ(backend.resumes(), 2);  // the terminal comes back whatever happened
}

// The editor as git starts it: the shell splits the editor's words, and the
// file, whatever its name, arrives as one argument no shell has read.
TEST(Editor, CommandSplitsTheEditorsWordsButNeverTheFile) {
  testing_support::TempDir dir;
  const std::string script = dir.path() + "/ed it";
  testing_support::write_file(script, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args\"\n");
  ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
  const std::string plain = dir.path() + "/plain";
  testing_support::write_file(plain, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args\"\n");
  ASSERT_EQ(::chmod(plain.c_str(), 0755), 0);
  const std::string file = dir.path() + "/it's a \"$HOME\" `x` *.md";
  struct Case {
    std::string editor;
    std::string want;  // the arguments the program got, one a line
  };
  const Case cases[] = {
      {plain, file + "\n"},
      {plain + " --wait", "--wait\n" + file + "\n"},
      {plain + " -c 'set tw=72' +1", "-c\nset tw=72\n+1\n" + file + "\n"},
      {"'" + script + "' --wait", "--wait\n" + file + "\n"},  // a path with a blank, quoted as in a shell
      {"EXTRA=1 " + plain, file + "\n"},
  };
  tui::MemoryBackend backend({40, 10});
  tui::Terminal terminal(backend);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.editor);
    std::remove((dir.path() + "/args").c_str());
    auto ran = action::run_with_terminal(terminal, action::editor_command(c.editor, {file}));
    ASSERT_TRUE(ran) << ran.error();
    EXPECT_TRUE(ran->success());
    EXPECT_EQ(testing_support::read_file(dir.path() + "/args"), c.want);
  }
  // A plain name is run directly, so a missing one is a failure to start.
  EXPECT_EQ(action::editor_command("vi", {"f"}), (std::vector<std::string>{"vi", "f"}));
  EXPECT_EQ(action::editor_command("code --wait", {"f", "-c", "x"}),
            (std::vector<std::string>{"sh", "-c", "code --wait \"$@\"", "code --wait", "f", "-c", "x"}));
}

}  // namespace
