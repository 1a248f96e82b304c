-- What the Neovim tests share: failures counted and the end status, a
-- file's bytes, and sylvo-check's problems of a Shift-JIS file in Neovim's
-- own terms.
local M = { failures = 0 }

function M.expect(ok, what)
  if not ok then
    M.failures = M.failures + 1
    io.stderr:write('FAIL: ' .. what .. '\n')
  end
end

-- Runs `main` and quits: status 0 when nothing failed.
function M.run(name, main)
  local ok, err = pcall(main)
  M.expect(ok, tostring(err))
  io.stderr:write(M.failures == 0 and (name .. ': all passed\n') or (name .. ': ' .. M.failures .. ' failed\n'))
  vim.cmd(M.failures == 0 and 'qall!' or 'cquit!')
end

function M.read(path)
  local f = assert(io.open(path, 'rb'))
  local bytes = f:read('*a')
  f:close()
  return bytes
end

-- sylvo-check's problems of a file in code page 932: {line (from 1), col
-- (UTF-8 bytes before the character the problem's first byte is in: a byte
-- may be a kana's second), problem} each.
function M.checked(check_exe, path)
  local lines = vim.split(M.read(path), '\n', true)
  local found = {}
  local out = vim.fn.json_decode(vim.fn.system({ check_exe, '--json', path }))
  for _, p in ipairs(out.problems) do
    local line, boundary, i = lines[p.line], 0, 1
    while i < p.start do
      local b = line:byte(i)
      i = i + (((b >= 0x81 and b <= 0x9F) or (b >= 0xE0 and b <= 0xFC)) and 2 or 1)
      if i <= p.start then boundary = i - 1 end
    end
    table.insert(found, { p.line, #vim.fn.iconv(line:sub(1, boundary), 'cp932', 'utf-8'), p })
  end
  return found
end

-- The first ```LANG block under the heading that begins with HEADING in
-- the document at PATH: a set-up as users are told to write it.
function M.block(path, heading, lang)
  local text = M.read(path)
  local at = assert(text:find('\n## ' .. heading, 1, true), 'no heading ' .. heading)
  local from = assert(text:find('```' .. lang .. '\n', at, true), 'no block') + #lang + 4
  return text:sub(from, text:find('\n```', from, true))
end

-- What each character of a Shift-JIS file's lines is, as the library reads
-- it: one string a line, a letter a UTF-16 unit, the first of the token type
-- a client colours it with ('.' for none). A syllable's parentheses are
-- none, though a block comment holds them.
local type_of_span = { [0] = 'macro', 'keyword', 'string', 'comment', false, 'function',
                       'parameter', 'variable', 'number', 'keyword' }
function M.expected_tokens(probe, path)
  local lines = vim.split(M.read(path), '\n', true)
  if lines[#lines] == '' then table.remove(lines) end
  local shown, spans = {}, {}
  for i, line in ipairs(lines) do
    lines[i] = line:gsub('\r$', '')
    shown[i] = {}
    for k = 1, select(2, vim.str_utfindex(vim.fn.iconv(lines[i], 'cp932', 'utf-8'))) do shown[i][k] = '.' end
  end
  for row in vim.fn.system({ probe, 'spans', path }):gmatch('[^\n]+') do
    local line, start, length, kind = row:match('(%d+) (%d+) (%d+) (%d+)')
    table.insert(spans, { tonumber(line), tonumber(start), tonumber(length), tonumber(kind) })
  end
  -- A comment first, then the syllables in it, then their parts.
  local function rank(kind) return kind == 3 and 0 or kind == 4 and 1 or 2 end
  table.sort(spans, function(x, y) return rank(x[4]) < rank(y[4]) end)
  -- The UTF-16 units before byte `byte` (from 0), or before the character
  -- it is the second byte of; with `after`, those after that character.
  local function unit(line, byte, after)
    local i = 0
    while true do
      local b = line:byte(i + 1)
      local next = i + ((b and ((b >= 0x81 and b <= 0x9F) or (b >= 0xE0 and b <= 0xFC))) and 2 or 1)
      if next > byte or next > #line then
        if after and byte > i then i = math.min(next, #line) end
        return select(2, vim.str_utfindex(vim.fn.iconv(line:sub(1, i), 'cp932', 'utf-8')))
      end
      i = next
    end
  end
  for _, s in ipairs(spans) do
    local line = lines[s[1]]
    local letter = type_of_span[s[4]] and type_of_span[s[4]]:sub(1, 1) or '.'
    for k = unit(line, s[2]) + 1, unit(line, math.min(s[2] + s[3], #line), true) do shown[s[1]][k] = letter end
  end
  for i = 1, #shown do shown[i] = table.concat(shown[i]) end
  return shown
end

-- The same of a buffer from its semantic tokens.
function M.decoded_tokens(bufnr, data, legend)
  local shown = {}
  for i, line in ipairs(vim.api.nvim_buf_get_lines(bufnr, 0, -1, false)) do
    shown[i] = {}
    for k = 1, select(2, vim.str_utfindex(line)) do shown[i][k] = '.' end
  end
  local line, character = 0, 0
  for i = 1, #data, 5 do
    character = data[i] == 0 and character + data[i + 1] or data[i + 1]
    line = line + data[i]
    for k = character + 1, character + data[i + 2] do
      shown[line + 1][k] = legend[data[i + 3] + 1]:sub(1, 1)
    end
  end
  for i = 1, #shown do shown[i] = table.concat(shown[i]) end
  return shown
end

return M
