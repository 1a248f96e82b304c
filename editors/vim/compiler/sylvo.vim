" Vim and Neovim compiler file for sylvo-check: `:compiler sylvo`, then
" `:make %` lists every problem of the song and jumps to each. Put it in
" ~/.vim/compiler/ (Neovim: ~/.config/nvim/compiler/).
if exists('current_compiler')
  finish
endif
let current_compiler = 'sylvo'

CompilerSet makeprg=sylvo-check
" sylvo-check counts columns in the file's bytes. Shift-JIS kana are two bytes
" and two screen cells, so in a Shift-JIS buffer the column is a screen
" column (%v); in a UTF-8 one, a byte (%c). The echo after an error (a line
" that begins with "> ") and the summary are no entries.
if &fileencoding =~? '^\(cp932\|sjis\|shift_jis\|shift-jis\)$'
  CompilerSet errorformat=%f:%l:%v:\ %trror:\ %m,%f:%l:%v:\ %tarning:\ %m,%f:%l:%v:\ %tote:\ %m
else
  CompilerSet errorformat=%f:%l:%c:\ %trror:\ %m,%f:%l:%c:\ %tarning:\ %m,%f:%l:%c:\ %tote:\ %m
endif
CompilerSet errorformat+=%f:\ %trror:\ %m,%-G>\ %.%#,%-Gsylvo-check:\ %.%#
