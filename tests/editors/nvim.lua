-- sylvo-lsp in Neovim (0.7 or newer), headless, with its own LSP client,
-- set up as docs/editors.md says (its init.lua, word for word): a Shift-JIS
-- song with CR LF line ends and mistakes after kana. The diagnostics stand
-- where sylvo-check puts the same bytes' problems, in Neovim's own terms;
-- the semantic tokens colour each character as the library reads it; a
-- syllable hovers, "(KY" completes, the key's quick fix applies, the lyrics
-- above a line of notes go on them, as an action and through :SylvoLyrics,
-- and each buffer written is what the library makes of the bytes before.
--   SYLVO_LSP, SYLVO_CHECK, SYLVO_PROBE: the programs; SYLVO_SONG: the song;
--   SYLVO_DOCS: docs/editors.md
local lsp_exe, check_exe, song = os.getenv('SYLVO_LSP'), os.getenv('SYLVO_CHECK'), os.getenv('SYLVO_SONG')
local probe = os.getenv('SYLVO_PROBE')

local t = dofile(debug.getinfo(1, 'S').source:sub(2):match('(.*/)') .. 'common.lua')
local expect, read = t.expect, t.read

-- sylvo-check's problems of a file: {line (from 0), col (UTF-8 bytes in the
-- buffer's line), kind}.
local function checked(path)
  local found = {}
  for _, c in ipairs(t.checked(check_exe, path)) do table.insert(found, { c[1] - 1, c[2], c[3].kind }) end
  return found
end

local function in_order(list)
  table.sort(list, function(x, y)
    return x[1] < y[1] or (x[1] == y[1] and (x[2] < y[2] or (x[2] == y[2] and x[3] < y[3])))
  end)
  return list
end
local function same(a, b) return vim.inspect(in_order(a)) == vim.inspect(in_order(b)) end

-- The check's diagnostics: those of lyrics comments are the server's own.
local function shown()
  local found = {}
  for _, d in ipairs(vim.diagnostic.get(0)) do
    if d.code ~= 'lyrics' then table.insert(found, { d.lnum, d.col, d.code }) end
  end
  return in_order(found)
end

-- Writes the buffer as it was read to a new file, and names it.
local function written()
  local path = vim.fn.tempname() .. '.mml'
  vim.cmd('write! ' .. vim.fn.fnameescape(path))
  return path
end

-- The client's code actions at the cursor.
local function actions_here(client)
  local params = vim.lsp.util.make_range_params()
  params.context = { diagnostics = {} }
  local got = vim.lsp.buf_request_sync(0, 'textDocument/codeAction', params, 5000)
  return got and got[client] and got[client].result or {}
end

t.run('nvim', function()
vim.env.PATH = vim.fn.fnamemodify(lsp_exe, ':h') .. ':' .. vim.env.PATH
assert(loadstring(t.block(os.getenv('SYLVO_DOCS'), 'Neovim', 'lua')))()
local original = read(song)
vim.cmd('edit ' .. vim.fn.fnameescape(song))
expect(vim.bo.fileencoding == 'cp932', 'the song opens as cp932, not ' .. vim.bo.fileencoding)
expect(vim.bo.fileformat == 'dos', 'the song opens with CR LF line ends')

expect(vim.wait(10000, function() return #vim.diagnostic.get(0) > 0 end), 'diagnostics come')
local client = vim.lsp.get_active_clients()[1].id
local want = checked(song)
expect(same(shown(), want), 'diagnostics stand where sylvo-check puts them: ' ..
       vim.inspect(shown()) .. ' against ' .. vim.inspect(want))

-- Every character coloured as the library reads it.
local legend = vim.lsp.get_client_by_id(client).server_capabilities.semanticTokensProvider.legend.tokenTypes
local tokens = vim.lsp.buf_request_sync(0, 'textDocument/semanticTokens/full',
                                        { textDocument = vim.lsp.util.make_text_document_params() }, 5000)
local data = tokens and tokens[client] and tokens[client].result and tokens[client].result.data or {}
local want = t.expected_tokens(probe, song)
local got = t.decoded_tokens(0, data, legend)
expect(vim.inspect(got) == vim.inspect(want), 'semantic tokens: ' .. vim.inspect(got) .. ' against ' .. vim.inspect(want))

-- Hover a syllable that converts: (SA), on line 3.
local line3 = vim.api.nvim_buf_get_lines(0, 2, 3, false)[1]
vim.api.nvim_win_set_cursor(0, { 3, (line3:find('SA', 1, true)) })
local hover = vim.lsp.buf_request_sync(0, 'textDocument/hover', vim.lsp.util.make_position_params(), 5000)
local text = hover and hover[client] and hover[client].result and hover[client].result.contents.value or ''
expect(text:find('**SA** さ', 1, true) and text:find('sylvo writes `@@8', 1, true), 'hover: ' .. text)

-- Complete "(KY" on a new last line, then take it away again.
local count = vim.api.nvim_buf_line_count(0)
vim.api.nvim_buf_set_lines(0, count, count, false, { '(KY' })
vim.api.nvim_win_set_cursor(0, { count + 1, 3 })
local items = vim.lsp.buf_request_sync(0, 'textDocument/completion', vim.lsp.util.make_position_params(), 5000)
local labels = {}
for _, item in ipairs(items and items[client] and items[client].result.items or {}) do
  labels[item.label] = item.detail
end
expect(labels.KYA and labels.KYA:find('きゃ', 1, true), 'completion offers KYA with its kana')
vim.api.nvim_buf_set_lines(0, count, count + 1, false, {})

-- The quick fix of the unknown key: the first suggestion.
local unknown
for _, d in ipairs(vim.diagnostic.get(0)) do
  if d.code == 'illegal-token' and not unknown then unknown = d end
end
vim.api.nvim_win_set_cursor(0, { unknown.lnum + 1, unknown.col })
local actions = actions_here(client)
local fix = actions[1]
expect(fix and fix.title == 'Replace KX with KA', 'the first quick fix: ' .. vim.inspect(fix and fix.title))
if fix then vim.lsp.util.apply_workspace_edit(fix.edit, 'utf-16') end

-- Written as it was read, the buffer is the song with KX made KA.
local fixed = written()
local expected = original:gsub('%(KX%)', '(KA)', 1)
expect(read(fixed) == expected, 'the buffer written is the song with one change')
expect(vim.wait(10000, function() return #shown() == #checked(fixed) end),
       'the problems after the fix are the written file\'s')
expect(same(shown(), checked(fixed)), 'and stand where sylvo-check puts them: ' .. vim.inspect(shown()))

-- The lyrics comment on line 5 put on the notes of line 6, as an action there.
vim.api.nvim_win_set_cursor(0, { 6, 0 })
actions = actions_here(client)
local put
for _, a in ipairs(actions) do
  if a.title == 'Put SA KU RA YA YO I on the notes below' then put = a end
end
expect(put, 'the lyrics action is offered: ' .. vim.inspect(actions))
if put then vim.lsp.util.apply_workspace_edit(put.edit, 'utf-16') end
local sung = written()
expect(read(sung) == vim.fn.system({ probe, 'fit', fixed, '6', 'さくら yayoi' }),
       'the lyrics go on the notes as the library puts them: ' .. read(sung))

-- :SylvoLyrics on the same line, and the server's edit applied.
local before = vim.api.nvim_buf_get_lines(0, 5, 6, false)[1]
vim.cmd('6SylvoLyrics はる')
expect(vim.wait(5000, function() return vim.api.nvim_buf_get_lines(0, 5, 6, false)[1] ~= before end),
       ':SylvoLyrics changes the line')
expect(read(written()) == vim.fn.system({ probe, 'fit', sung, '6', 'はる' }),
       ':SylvoLyrics puts them as the library does')

vim.lsp.stop_client(client)
end)
