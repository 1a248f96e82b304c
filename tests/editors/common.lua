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

return M
