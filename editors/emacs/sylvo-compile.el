;;; sylvo-compile.el --- M-x compile with sylvo-check  -*- lexical-binding: t; -*-
;; `M-x compile RET sylvo-check song.mml' lists every problem and
;; `next-error' jumps to each; the echo after an error (a line that begins
;; with "> ") is no entry. sylvo-check counts columns in the file's bytes,
;; and Emacs reads them as screen columns (`compilation-error-screen-columns'):
;; in a Shift-JIS song, where a kana is two bytes and two columns wide, they
;; agree.
(require 'compile)

(add-to-list 'compilation-error-regexp-alist-alist
             '(sylvo "^\\([^:\n]+\\):\\([0-9]+\\):\\([0-9]+\\): \\(?:\\(error\\)\\|\\(warning\\)\\|note\\): "
                     1 2 3 (5 . nil)))
(add-to-list 'compilation-error-regexp-alist 'sylvo)

(provide 'sylvo-compile)
;;; sylvo-compile.el ends here
