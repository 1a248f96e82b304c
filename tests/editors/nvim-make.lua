-- `:compiler sylvo` and `:make` in Neovim, headless, on a Shift-JIS song with
-- CR LF line ends and mistakes after kana: the quickfix list holds every
-- problem sylvo-check finds, no echo line, and each entry takes the cursor
-- to the character sylvo-check names.
--   SYLVO_CHECK: sylvo-check; SYLVO_SONG: the song; SYLVO_COMPILER: the folder
--   that holds compiler/sylvo.vim
local check_exe, song = os.getenv('SYLVO_CHECK'), os.getenv('SYLVO_SONG')
local failures = 0
local function expect(ok, what)
  if not ok then
    failures = failures + 1
    io.stderr:write('FAIL: ' .. what .. '\n')
  end
end

local function main()
  vim.o.fileencodings = 'ucs-bom,utf-8,cp932'
  vim.opt.runtimepath:prepend(os.getenv('SYLVO_COMPILER'))
  vim.cmd('edit ' .. vim.fn.fnameescape(song))
  vim.cmd('compiler sylvo')
  vim.o.makeprg = check_exe
  vim.cmd('silent make! %')
  local f = assert(io.open(song, 'rb'))
  local lines = vim.split(f:read('*a'), '\n', true)
  f:close()
  local out = vim.fn.json_decode(vim.fn.system({ check_exe, '--json', song }))
  local list = vim.fn.getqflist()
  expect(#list == #out.problems, #list .. ' entries for ' .. #out.problems .. ' problems')
  for i, p in ipairs(out.problems) do
    if not list[i] then break end
    -- The UTF-8 byte of the character the problem's first byte is in.
    local line, boundary, at = lines[p.line], 0, 1
    while at < p.start do
      local b = line:byte(at)
      at = at + (((b >= 0x81 and b <= 0x9F) or (b >= 0xE0 and b <= 0xFC)) and 2 or 1)
      if at <= p.start then boundary = at - 1 end
    end
    local col = #vim.fn.iconv(line:sub(1, boundary), 'cp932', 'utf-8')
    -- A line's CR is no character of the buffer: at it, the cursor stops on the last.
    col = math.min(col, #vim.api.nvim_buf_get_lines(0, p.line - 1, p.line, false)[1] - 1)
    vim.cmd('cc ' .. i)
    local cursor = vim.api.nvim_win_get_cursor(0)
    expect(cursor[1] == p.line and cursor[2] == col,
           string.format('entry %d goes to %d:%d, sylvo-check says %d:%d', i, cursor[1], cursor[2], p.line, col))
    expect(list[i].type == p.severity:sub(1, 1), 'entry ' .. i .. ' is a ' .. p.severity)
  end
end

local ok, err = pcall(main)
expect(ok, tostring(err))
io.stderr:write(failures == 0 and 'nvim make: all passed\n' or ('nvim make: ' .. failures .. ' failed\n'))
vim.cmd(failures == 0 and 'qall!' or 'cquit!')
