#include "action/commit_aids.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "action/commit_message.hpp"
#include "support/temp_repo.hpp"
#include "support/text.hpp"
#include "utils/process.hpp"
#include "utils/temp_file.hpp"

namespace {

namespace fs = std::filesystem;
using testing_support::lines_of;
using testing_support::read_file;
using testing_support::TempDir;
using testing_support::write_file;

bool have_neovim() {
  auto ran = utils::run_process({"nvim", "--version"});
  return ran && ran->success();
}

// Headless Neovim without the user's configuration, swap or shada; every
// -c command in turn, then quit. A hang must not stall the suite.
utils::ProcessResult run_neovim(const std::string& file, const std::vector<std::string>& commands,
                                const std::vector<std::pair<std::string, std::string>>& env) {
  std::vector<std::string> argv{
      "timeout", "60", "nvim", "--headless", "-n", "--clean", "--cmd", "set colorcolumn=80", file};
  for (const auto& c : commands) argv.insert(argv.end(), {"-c", c});
  argv.insert(argv.end(), {"-c", "qa!"});
  utils::ProcessOptions options;
  options.set_env = env;
  // Whatever Neovim keeps between runs stays beside the file.
  const std::string keep = fs::path(file).parent_path() / "nvim-home";
  for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
    options.set_env.emplace_back(name, keep);
  options.set_env.emplace_back("NVIM_LOG_FILE", keep + "/log");
  auto ran = utils::run_process(argv, options);
  EXPECT_TRUE(ran) << (ran ? "" : ran.error());
  return ran ? *ran : utils::ProcessResult{};
}

// Reports what the aids did to the buffer, then drives it: overflow
// matches, guides, wrapping rules and Enter in both modes.
constexpr std::string_view kProbe = R"lua(local out = {}
local buf = vim.api.nvim_get_current_buf()
local ns = vim.api.nvim_get_namespaces()["gitcommit_guide"]
local CR = vim.api.nvim_replace_termcodes("<CR>", true, false, true)
local function report(key, value) table.insert(out, key .. ": " .. value) end
local function marks()
  if ns == nil then return "no namespace" end
  local got = {}
  for _, m in ipairs(vim.api.nvim_buf_get_extmarks(buf, ns, 0, -1, { details = true })) do
    local d = m[4]
    table.insert(got, string.format("%d@%d %s/%s/%s", m[2], d.virt_text_win_col or -1,
      vim.inspect(d.virt_text[1][1]), d.virt_text[1][2], d.hl_mode))
  end
  return table.concat(got, " ")
end
local function set(lines, row, col)
  vim.api.nvim_buf_set_lines(buf, 0, -1, false, lines)
  vim.api.nvim_win_set_cursor(0, { row or 1, col or 0 })
  vim.api.nvim_exec_autocmds("TextChanged", { buffer = buf })
  vim.api.nvim_exec_autocmds("CursorMoved", { buffer = buf })
end
local function rules()
  local fo = vim.bo.formatoptions
  local function has(f) return fo:find(f, 1, true) and f or "-" end
  return string.format("tw=%d %s%s%s", vim.bo.textwidth, has("t"), has("a"), has("w"))
end
local function state()
  local c = vim.api.nvim_win_get_cursor(0)
  return vim.inspect(vim.api.nvim_buf_get_lines(buf, 0, 6, false)) .. string.format(" at %d,%d", c[1], c[2])
end

report("loaded", tostring(vim.b.commit_aids_done))
report("colorcolumn", vim.inspect(vim.wo.colorcolumn))
local gui = vim.api.nvim_get_hl_by_name("GitCommitOverLimit", true)
local cterm = vim.api.nvim_get_hl_by_name("GitCommitOverLimit", false)
report("hl gui", string.format("#%06x on #%06x bold=%s", gui.foreground, gui.background, tostring(gui.bold)))
report("hl cterm", string.format("%d on %d bold=%s", cterm.foreground, cterm.background, tostring(cterm.bold)))
local patterns = {}
for _, m in ipairs(vim.fn.getmatches()) do
  report("match", m.group .. " " .. m.pattern)
  table.insert(patterns, m.pattern)
end
report("guides at load", marks())
report("rules at load", rules())
local autocmds = {}
for _, a in ipairs(vim.api.nvim_get_autocmds({ group = "GitCommitAids" })) do
  table.insert(autocmds, a.event .. (a.buflocal and a.buffer == buf and "(buffer)" or "(global)"))
end
table.sort(autocmds)
report("autocmds", table.concat(autocmds, " "))
for _, mode in ipairs({ "n", "i" }) do
  local m = vim.fn.maparg("<CR>", mode, false, true)
  report("enter " .. mode, string.format("%s buffer=%s", vim.inspect(m.desc), tostring(m.buffer)))
end

-- Overflow: where each match starts and ends.
local function where(lines)
  set(lines)
  local got = {}
  for _, p in ipairs(patterns) do
    vim.api.nvim_win_set_cursor(0, { 1, 0 })
    local s = vim.fn.searchpos(p, "cnW")
    local e = vim.fn.searchpos(p, "cneW")
    table.insert(got, string.format("%d,%d-%d,%d", s[1], s[2], e[1], e[2]))
  end
  return table.concat(got, " ") .. " | guides " .. marks()
end
report("long", where({ ("a"):rep(60), "not a comment", ("b"):rep(72), ("c"):rep(80), "# " .. ("d"):rep(80) }))
report("comment 2", where({ ("a"):rep(50), "# note", "short" }))
report("wide", where({ ("\195\169"):rep(50), "", ("\230\188\162"):rep(36), ("\230\188\162"):rep(37) }))

-- Wrapping rules follow the cursor.
set({ "Subject", "", "Body", "more" }, 3)
report("rules body", rules())
vim.api.nvim_win_set_cursor(0, { 2, 0 })
vim.api.nvim_exec_autocmds("CursorMovedI", { buffer = buf })
report("rules line 2", rules())
set({ "Subject", "Body at once", "more" }, 3)
report("rules body without blank", rules())
vim.api.nvim_win_set_cursor(0, { 1, 0 })
vim.api.nvim_exec_autocmds("CursorMoved", { buffer = buf })
report("rules subject", rules())

-- Enter on the subject.
-- The untouched file with a subject typed on its first line.
local fresh = { "Subject", "" }
for _, line in ipairs(vim.fn.readfile(vim.fn.expand("%"))) do
  if line:sub(1, 1) == "#" then table.insert(fresh, line) end
end
local cases = {
  { "fresh", fresh },
  { "body next", { "Subject", "Body text" } },
  { "alone", { "Subject" } },
  { "amend", { "Old", "", "Old body", "", "# c" } },
}
for _, c in ipairs(cases) do
  set(c[2])
  vim.api.nvim_feedkeys(CR, "x", false)
  report("normal enter " .. c[1], state() .. " | guides " .. marks())
  set(c[2])
  vim.api.nvim_feedkeys("A" .. CR, "x", false)
  vim.wait(5000, function() return vim.api.nvim_win_get_cursor(0)[1] == 3 end)
  report("insert enter " .. c[1], state())
end
set({ "S", "", "abcdef", "next" }, 3, 3)
vim.api.nvim_feedkeys(CR, "x", false)
report("normal enter body", state())
set({ "S", "", "abcdef", "next" }, 3, 3)
vim.api.nvim_feedkeys("i" .. CR, "x", false)
report("insert enter body", state())

vim.fn.writefile(out, vim.env.PROBE_REPORT)
)lua";

const std::vector<std::string> kExpectedReport = {
    "loaded: true",
    "colorcolumn: \"\"",
    "hl gui: #ffffff on #c0392b bold=true",
    "hl cterm: 15 on 9 bold=true",
    R"(match: GitCommitOverLimit \%1l\%>50v.\+)",
    R"(match: GitCommitOverLimit \%2l^[^#].*)",
    R"(match: GitCommitOverLimit \%>2l\%>72v.\+)",
    "guides at load: 0@50 \" \"/ColorColumn/combine 2@72 \" \"/ColorColumn/combine",
    "rules at load: tw=0 ---",
    "autocmds: CursorMoved(buffer) CursorMovedI(buffer) TextChanged(buffer) TextChangedI(buffer)",
    "enter n: \"gitcommit: Enter on subject jumps to body\" buffer=1",
    "enter i: \"gitcommit: Enter on subject jumps to body\" buffer=1",
    // Past column 50 on line 1, all of a line 2 that is not a comment, past
    // column 72 below; a line at its limit keeps its guide.
    "long: 1,51-1,60 2,1-2,13 4,73-4,80 | guides 2@72 \" \"/ColorColumn/combine",
    "comment 2: 0,0-0,0 0,0-0,0 0,0-0,0 | guides 0@50 \" \"/ColorColumn/combine 2@72 \" "
    "\"/ColorColumn/combine",
    // Display columns, not bytes.
    "wide: 0,0-0,0 0,0-0,0 4,109-4,109 | guides 0@50 \" \"/ColorColumn/combine 2@72 \" "
    "\"/ColorColumn/combine",
    "rules body: tw=72 taw",
    "rules line 2: tw=0 --w",
    "rules body without blank: tw=72 t--",
    "rules subject: tw=0 ---",
    "normal enter fresh: { \"Subject\", \"\", \"\", \"\", \"# \u2500\u2500 Commit message guidance "
    "\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500"
    "\u2500"
    "\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\""
    ", \"#\" } "
    "at 3,0 | guides 0@50 \" \"/ColorColumn/combine 2@72 \" \"/ColorColumn/combine 3@72 \" "
    "\"/ColorColumn/combine",
    "insert enter fresh: { \"Subject\", \"\", \"\", \"\", \"# \u2500\u2500 Commit message guidance "
    "\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500"
    "\u2500"
    "\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\u2500\""
    ", \"#\" } "
    "at 3,0",
    "normal enter body next: { \"Subject\", \"\", \"Body text\" } at 3,0 | guides 0@50 \" "
    "\"/ColorColumn/combine "
    "2@72 \" \"/ColorColumn/combine",
    "insert enter body next: { \"Subject\", \"\", \"Body text\" } at 3,0",
    "normal enter alone: { \"Subject\", \"\", \"\", \"\" } at 3,0 | guides 0@50 \" \"/ColorColumn/combine "
    "2@72 \" \"/ColorColumn/combine 3@72 \" \"/ColorColumn/combine",
    "insert enter alone: { \"Subject\", \"\", \"\", \"\" } at 3,0",
    "normal enter amend: { \"Old\", \"\", \"Old body\", \"\", \"# c\" } at 3,0 | guides 0@50 \" "
    "\"/ColorColumn/combine "
    "2@72 \" \"/ColorColumn/combine 3@72 \" \"/ColorColumn/combine",
    "insert enter amend: { \"Old\", \"\", \"Old body\", \"\", \"# c\" } at 3,0",
    // Elsewhere Enter is a plain Enter.
    "normal enter body: { \"S\", \"\", \"abcdef\", \"next\" } at 4,0",
    "insert enter body: { \"S\", \"\", \"abc\", \"def\", \"next\" } at 4,0",
};

struct Aids : testing::Test {
  TempDir dir;
  fs::path message = fs::path(dir.path()) / "message.md";
  fs::path aids = fs::path(dir.path()) / "aids.lua";
  fs::path probe = fs::path(dir.path()) / "probe.lua";
  fs::path report = fs::path(dir.path()) / "report.txt";

  void SetUp() override {
    if (!have_neovim()) GTEST_SKIP() << "nvim is not installed";
    write_file(message, "Subject\n\nShort body\n" + std::string(action::COMMIT_TEMPLATE));
    write_file(aids, action::COMMIT_AIDS_SCRIPT);
    write_file(probe, kProbe);
  }

  std::vector<std::string> probe_after(int loads) {
    std::vector<std::string> commands(static_cast<std::size_t>(loads),
                                      *action::luafile_command(aids.string()));
    commands.push_back("luafile " + probe.string());
    fs::remove(report);
    auto ran = run_neovim(message, commands, {{"PROBE_REPORT", report.string()}});
    EXPECT_TRUE(ran.success()) << ran.out << ran.err;
    return lines_of(read_file(report));
  }
};

TEST_F(Aids, MarkGuideWrapAndJumpToTheBody) { EXPECT_EQ(probe_after(1), kExpectedReport); }

TEST_F(Aids, SecondLoadChangesNothing) { EXPECT_EQ(probe_after(2), kExpectedReport); }

TEST(AidsCommand, EscapesLikeFnameescapeOrGivesUp) {
  const std::vector<std::string> paths = {
      "/tmp/tarnwick_commit_aidsAb12Cd.lua",
      "/tmp/my dir/x.lua",
      "/tmp/a%b#c|d'e\"f\\g/x.lua",
      "/tmp/$HOME`date`[a]{b}*?!<x>~/x.lua",
      "/tmp/tab\there/x.lua",
      "+cmd",
      "-",
  };
  for (const char* bad : {"/tmp/line\nbreak/x.lua", "/tmp/cr\rx.lua", "/tmp/esc\x1b.lua", "/tmp/del\x7f.lua"})
    EXPECT_EQ(action::luafile_command(bad), std::nullopt) << testing::PrintToString(bad);
  if (!have_neovim()) GTEST_SKIP() << "nvim is not installed";

  // Neovim's own fnameescape() is the oracle.
  TempDir dir;
  const fs::path list = fs::path(dir.path()) / "paths.txt", out = fs::path(dir.path()) / "escaped.txt";
  std::string joined;
  for (const auto& p : paths) joined += p + "\n";
  write_file(list, joined);
  auto ran = run_neovim(list.string(),
                        {"call writefile(map(readfile('" + list.string() +
                         "'), {_, p -> 'luafile ' . fnameescape(p)}), '" + out.string() + "')"},
                        {});
  ASSERT_TRUE(ran.success()) << ran.err;
  const auto want = lines_of(read_file(out));
  ASSERT_EQ(want.size(), paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i)
    EXPECT_EQ(action::luafile_command(paths[i]), want[i]) << paths[i];
}

TEST(AidsCommand, LoadsFromATemporaryDirectoryWithExsSpecialCharacters) {
  if (!have_neovim()) GTEST_SKIP() << "nvim is not installed";
  TempDir dir;
  const fs::path odd = fs::path(dir.path()) / "a b%c#d|e'f\\g$h`i[j]{k}*l?m!n<o>p~q\"r\ts";
  fs::create_directories(odd);
  auto file = utils::PrivateTempFile::create(odd.string(), "tarnwick_commit_aids", ".lua",
                                             action::COMMIT_AIDS_SCRIPT);
  ASSERT_TRUE(file) << file.error();
  const auto command = action::luafile_command(file->path());
  ASSERT_TRUE(command);
  const fs::path message = fs::path(dir.path()) / "m.md", report = fs::path(dir.path()) / "r.txt";
  write_file(message, "Subject\n");
  auto ran = run_neovim(message.string(),
                        {*command, "call writefile([string(get(b:, 'commit_aids_done', 'missing'))], '" +
                                       report.string() + "')"},
                        {});
  ASSERT_TRUE(ran.success()) << ran.err;
  EXPECT_EQ(lines_of(read_file(report)), std::vector<std::string>{"v:true"});
}

}  // namespace
