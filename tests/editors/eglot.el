;;; eglot.el --- sylvo-lsp in Emacs with eglot, in batch  -*- lexical-binding: t; -*-
;; A Shift-JIS song with CR LF line ends and mistakes after kana, opened as
;; a Japanese user has Emacs read it: the diagnostics stand where
;; sylvo-check puts the same bytes' problems, in Emacs's own characters; a
;; syllable hovers, "(KY" completes, the key's quick fix applies, and the
;; buffer written is the song's bytes with that one change.
;;   SYLVO_LSP, SYLVO_CHECK: the programs; SYLVO_SONG: the song
(require 'eglot)
(require 'json)

(defvar sylvo-failures 0)
(defun sylvo-expect (ok what)
  (unless ok
    (setq sylvo-failures (1+ sylvo-failures))
    (message "FAIL: %s" what)))

(defun sylvo-bytes (file)
  (with-temp-buffer
    (set-buffer-multibyte nil)
    (insert-file-contents-literally file)
    (buffer-string)))

(defun sylvo-checked (file)
  "sylvo-check's problems of FILE: (LINE COLUMN KIND), columns in characters."
  (let* ((lines (split-string (sylvo-bytes file) "\n"))
         (out (json-parse-string
               (with-output-to-string
                 (with-current-buffer standard-output
                   (call-process (getenv "SYLVO_CHECK") nil t nil "--json" file)))
               :object-type 'alist)))
    (sort (mapcar (lambda (p)
                    (let* ((line (nth (1- (alist-get 'line p)) lines))
                           (start (1- (alist-get 'start p)))
                           (i 0) (boundary 0))
                      ;; The character its first byte is in: a byte may be a kana's second.
                      (while (< i start)
                        (let ((b (aref line i)))
                          (setq i (+ i (if (or (<= #x81 b #x9f) (<= #xe0 b #xfc)) 2 1))))
                        (when (<= i start) (setq boundary i)))
                      (list (alist-get 'line p)
                            (length (decode-coding-string (substring line 0 boundary) 'cp932))
                            (alist-get 'kind p))))
                  (alist-get 'problems out))
          #'sylvo-before)))

(defun sylvo-before (a b)
  (or (< (car a) (car b))
      (and (= (car a) (car b))
           (or (< (cadr a) (cadr b))
               (and (= (cadr a) (cadr b)) (string< (caddr a) (caddr b)))))))

(defun sylvo-shown ()
  (sort (mapcar (lambda (d)
                  (let ((beg (flymake-diagnostic-beg d)))
                    (list (line-number-at-pos beg)
                          (save-excursion (goto-char beg) (- (point) (line-beginning-position)))
                          (flymake-diagnostic-text d))))
                (flymake-diagnostics))
        #'sylvo-before))

(defun sylvo-wait (test seconds)
  (let ((until (+ (float-time) seconds)))
    (while (and (not (funcall test)) (< (float-time) until))
      (accept-process-output nil 0.05))
    (funcall test)))

(define-derived-mode mml-mode prog-mode "MML")
(add-to-list 'auto-mode-alist '("\\.mml\\'" . mml-mode))
(add-to-list 'eglot-server-programs `(mml-mode ,(getenv "SYLVO_LSP") "--stdio"))

(defun sylvo-run ()
  (set-language-environment "Japanese")
  (let* ((dir (make-temp-file "sylvo-eglot" t))
         (song (expand-file-name "song.mml" dir)))
    (copy-file (getenv "SYLVO_SONG") song)
    (let ((original (sylvo-bytes song)))
      (find-file song)
      (sylvo-expect (memq (coding-system-base buffer-file-coding-system)
                          '(japanese-shift-jis cp932))
                    (format "the song opens as Shift-JIS, not %s" buffer-file-coding-system))
      (sylvo-expect (eq (coding-system-eol-type buffer-file-coding-system) 1)
                    "the song opens with CR LF line ends")
      (eglot '(mml-mode) (cons 'transient dir) 'eglot-lsp-server
             (list (getenv "SYLVO_LSP") "--stdio") "mml")
      (sylvo-expect (sylvo-wait (lambda () (flymake-diagnostics)) 20) "diagnostics come")
      (let ((want (sylvo-checked song)))
        (sylvo-expect (equal (mapcar #'butlast (sylvo-shown)) (mapcar #'butlast want))
                      (format "diagnostics stand where sylvo-check puts them: %S against %S"
                              (sylvo-shown) want)))
      (let ((server (eglot--current-server-or-lose)))
        ;; Hover a syllable that converts: (SA), on line 3.
        (goto-char (point-min))
        (search-forward "(SA")
        (backward-char 1)
        (let* ((hover (jsonrpc-request server :textDocument/hover
                                       (eglot--TextDocumentPositionParams)))
               (text (plist-get (plist-get hover :contents) :value)))
          (sylvo-expect (and text (string-match-p "sylvo writes `@@8" text)
                             (string-match-p "さ" text))
                        (format "hover: %S" text)))
        ;; Complete "(KY" on a new last line, then take it away again.
        (goto-char (point-max))
        (insert "(KY")
        (eglot--signal-textDocument/didChange)
        (let* ((result (jsonrpc-request server :textDocument/completion
                                        (eglot--CompletionParams)))
               (items (append (plist-get result :items) nil))
               (kya (seq-find (lambda (i) (equal (plist-get i :label) "KYA")) items)))
          (sylvo-expect (and kya (string-match-p "きゃ" (plist-get kya :detail)))
                        "completion offers KYA with its kana"))
        (delete-region (- (point) 3) (point))
        (eglot--signal-textDocument/didChange)
        ;; The quick fix of the unknown key: the first suggestion.
        (goto-char (point-min))
        (search-forward "(KX")
        (backward-char 2)
        (let* ((actions (jsonrpc-request
                         server :textDocument/codeAction
                         (list :textDocument (eglot--TextDocumentIdentifier)
                               :range (list :start (eglot--pos-to-lsp-position (point))
                                            :end (eglot--pos-to-lsp-position (point)))
                               :context (list :diagnostics []))))
               (fix (and (> (length actions) 0) (aref actions 0))))
          (sylvo-expect (equal (plist-get fix :title) "Replace with KA")
                        (format "the first quick fix: %S" (plist-get fix :title)))
          (when fix (eglot--apply-workspace-edit (plist-get fix :edit)))
          (eglot--signal-textDocument/didChange))
        ;; Written as it was read, the buffer is the song with KX made KA.
        (let ((written (expand-file-name "written.mml" dir))
              (coding-system-for-write buffer-file-coding-system))
          (write-region nil nil written)
          (sylvo-expect (equal (sylvo-bytes written)
                               (replace-regexp-in-string "(KX)" "(KA)" original t t))
                        "the buffer written is the song with one change")
          (sylvo-expect (sylvo-wait (lambda () (= (length (flymake-diagnostics))
                                                  (length (sylvo-checked written))))
                                    20)
                        "the problems after the fix are the written file's")
          (sylvo-expect (equal (mapcar #'butlast (sylvo-shown))
                               (mapcar #'butlast (sylvo-checked written)))
                        (format "and stand where sylvo-check puts them: %S" (sylvo-shown))))
        (eglot-shutdown server)))))

(condition-case err
    (sylvo-run)
  (error (sylvo-expect nil (format "%S" err))))
(message (if (= sylvo-failures 0) "eglot: all passed" (format "eglot: %d failed" sylvo-failures)))
(kill-emacs (if (= sylvo-failures 0) 0 1))
