#include "action/editor.hpp"

#include "support/env_guard.hpp"
#include "support/temp_repo.hpp"
#include "tui/memory_backend.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

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
      {"bad\xFF", "code", "code"},  // not UTF-8: as if unset
      {"emacs -nw", std::nullopt, "emacs -nw"},  // one program name, never split
  };
  for (const auto& c : cases) {
    testing_support::EnvGuard editor{{"EDITOR", c.editor}};
    testing_support::EnvGuard visual{{"VISUAL", c.visual}};
    EXPECT_EQ(action::editor_program(), c.want);
  }
}

TEST(Editor, NeovimIsTheFileStemNvim) {
  const std::pair<const char*, bool> cases[] = {
      {"nvim", true},       {"/opt/x/nvim", true}, {"nvim.appimage", true}, {"/usr/bin/nvim.exe", true},
      {"nvim-qt", false},   {"gnvim", false},      {"vim", false},          {"nvim.tar.gz", false},
      {".nvim", false},     {"", false},
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

}  // namespace
