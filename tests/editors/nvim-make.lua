-- `:compiler sylvo` and `:make` in Neovim, headless, on a Shift-JIS song with
-- CR LF line ends and mistakes after kana: the quickfix list holds every
-- problem sylvo-check finds, no echo line, and each entry takes the cursor
-- to the character sylvo-check names.
--   SYLVO_CHECK: sylvo-check; SYLVO_SONG: the song; SYLVO_COMPILER: the folder
--   that holds compiler/sylvo.vim
local check_exe, song = os.getenv('SYLVO_CHECK'), os.getenv('SYLVO_SONG')
local t = dofile(debug.getinfo(1, 'S').source:sub(2):match('(.*/)') .. 'common.lua')
local expect = t.expect

t.run('nvim make', function()
  vim.o.fileencodings = 'ucs-bom,utf-8,cp932'
  vim.opt.runtimepath:prepend(os.getenv('SYLVO_COMPILER'))
  vim.cmd('edit ' .. vim.fn.fnameescape(song))
  vim.cmd('compiler sylvo')
  vim.o.makeprg = check_exe
  vim.cmd('silent make! %')
  local problems = t.checked(check_exe, song)
  local list = vim.fn.getqflist()
  expect(#list == #problems, #list .. ' entries for ' .. #problems .. ' problems')
  for i, c in ipairs(problems) do
    if not list[i] then break end
    local p, col = c[3], c[2]
    -- A line's CR is no character of the buffer: at it, the cursor stops on the last.
    col = math.min(col, #vim.api.nvim_buf_get_lines(0, p.line - 1, p.line, false)[1] - 1)
    vim.cmd('cc ' .. i)
    local cursor = vim.api.nvim_win_get_cursor(0)
    expect(cursor[1] == p.line and cursor[2] == col,
           string.format('entry %d goes to %d:%d, sylvo-check says %d:%d', i, cursor[1], cursor[2], p.line, col))
    expect(list[i].type == p.severity:sub(1, 1), 'entry ' .. i .. ' is a ' .. p.severity)
  end
end)
