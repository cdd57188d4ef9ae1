#include "action/commit_aids.hpp"

namespace action {

const std::string_view COMMIT_AIDS_SCRIPT = R"lua(-- tarnwick: editing aids for the commit message
local buf = vim.api.nvim_get_current_buf()
if vim.b[buf].commit_aids_done then
  return
end
vim.b[buf].commit_aids_done = true

-- The guides below take the colour column's place.
vim.wo.colorcolumn = ""

vim.api.nvim_set_hl(0, "GitCommitOverLimit", {
  fg = "#ffffff", bg = "#c0392b", ctermfg = "white", ctermbg = "red", bold = true,
})
vim.fn.matchadd("GitCommitOverLimit", [[\%1l\%>50v.\+]])
vim.fn.matchadd("GitCommitOverLimit", [[\%2l^[^#].*]])
vim.fn.matchadd("GitCommitOverLimit", [[\%>2l\%>72v.\+]])

local ns = vim.api.nvim_create_namespace("gitcommit_guide")

local function line_at(lnum)
  return vim.api.nvim_buf_get_lines(buf, lnum - 1, lnum, false)[1]
end

local function guide(row, col)
  vim.api.nvim_buf_set_extmark(buf, ns, row, 0, {
    virt_text = { { " ", "ColorColumn" } },
    virt_text_win_col = col,
    hl_mode = "combine",
  })
end

-- A guide shows where the limit lies while the line keeps within it; past
-- it the overflow marking takes over.
local function draw_guides()
  vim.api.nvim_buf_clear_namespace(buf, ns, 0, -1)
  for i, line in ipairs(vim.api.nvim_buf_get_lines(buf, 0, -1, false)) do
    local width = vim.fn.strdisplaywidth(line)
    if i == 1 then
      if width <= 50 then guide(0, 50) end
    elseif i >= 3 and line:sub(1, 1) ~= "#" and width <= 72 then
      guide(i - 1, 72)
    end
  end
end

local function with_flags(flags, on, off)
  for f in off:gmatch(".") do flags = flags:gsub(f, "") end
  for f in on:gmatch(".") do
    if not flags:find(f, 1, true) then flags = flags .. f end
  end
  return flags
end

-- The subject and the line after it never wrap or join the body. The body
-- wraps at 72 and reflows as a paragraph only while the blank line after
-- the subject is there; a line ended with Enter closes its paragraph.
local function apply_rules()
  local fo = vim.bo[buf].formatoptions
  if vim.api.nvim_win_get_cursor(0)[1] <= 2 then
    vim.bo[buf].textwidth = 0
    fo = with_flags(fo, "", "ta")
  else
    vim.bo[buf].textwidth = 72
    if line_at(2) == "" then
      fo = with_flags(fo, "taw", "")
    else
      fo = with_flags(fo, "t", "aw")
    end
  end
  vim.bo[buf].formatoptions = fo
end

local group = vim.api.nvim_create_augroup("GitCommitAids", { clear = false })
vim.api.nvim_create_autocmd({ "TextChanged", "TextChangedI" }, {
  group = group, buffer = buf, callback = draw_guides,
})
vim.api.nvim_create_autocmd({ "CursorMoved", "CursorMovedI" }, {
  group = group, buffer = buf, callback = apply_rules,
})

local function jump_to_body()
  -- A missing line 2 counts as not empty: the body needs the blank line.
  if line_at(2) ~= "" then
    vim.api.nvim_buf_set_lines(buf, 1, 1, false, { "" })
  end
  local third = line_at(3)
  if third == nil or third:sub(1, 1) == "#" then
    vim.api.nvim_buf_set_lines(buf, 2, 2, false, { "", "" })
  end
  vim.api.nvim_win_set_cursor(0, { 3, 0 })
  draw_guides()
end

local desc = "gitcommit: Enter on subject jumps to body"
vim.keymap.set("n", "<CR>", function()
  if vim.api.nvim_win_get_cursor(0)[1] == 1 then
    jump_to_body()
  else
    vim.cmd([[execute "normal! ]] .. vim.v.count1 .. [[\<CR>"]])
  end
end, { buffer = buf, desc = desc })
-- An expression mapping may not change the text, so the jump runs right
-- after the key has been handled.
vim.keymap.set("i", "<CR>", function()
  if vim.api.nvim_win_get_cursor(0)[1] ~= 1 then
    return "<CR>"
  end
  vim.schedule(jump_to_body)
  return ""
end, { buffer = buf, expr = true, desc = desc })

apply_rules()
draw_guides()
)lua";

std::optional<std::string> luafile_command(std::string_view path) {
  // fnameescape()'s set; a tab survives escaping, a line break does not.
  constexpr std::string_view kSpecial = " \t\n*?[{`$\\%#'\"|!<";
  std::string command = "luafile ";
  if (path.starts_with('+') || path.starts_with('>') || path == "-") command += '\\';
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t') || byte == 0x7f) return std::nullopt;
    if (kSpecial.find(c) != std::string_view::npos) command += '\\';
    command += c;
  }
  return command;
}

}  // namespace action
