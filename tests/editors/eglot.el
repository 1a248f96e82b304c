;;; eglot.el --- sylvo-lsp in Emacs with eglot, in batch  -*- lexical-binding: t; -*-
;; Set up as docs/editors.md says (its init.el, word for word), a Shift-JIS
;; song with CR LF line ends and mistakes after kana, opened as a Japanese
;; user has Emacs read it: the diagnostics stand where sylvo-check puts the
;; same bytes' problems, in Emacs's own characters; the semantic tokens
;; colour each character as the library reads it; a syllable hovers, "(KY"
;; completes, the key's quick fix applies, the lyrics above a line of notes
;; go on them, as an action and through M-x sylvo-lyrics, and each buffer
;; written is what the library makes of the bytes before.
;;   SYLVO_LSP, SYLVO_CHECK, SYLVO_PROBE: the programs; SYLVO_SONG: the song;
;;   SYLVO_DOCS: docs/editors.md
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
  "The check's diagnostics: those of lyrics comments are the server's own."
  (sort (mapcar (lambda (d)
                  (let ((beg (flymake-diagnostic-beg d)))
                    (list (line-number-at-pos beg)
                          (save-excursion (goto-char beg) (- (point) (line-beginning-position)))
                          (flymake-diagnostic-text d))))
                (seq-remove (lambda (d) (string-match-p "\\[lyrics\\]" (flymake-diagnostic-text d)))
                            (flymake-diagnostics)))
        #'sylvo-before))

(defun sylvo-wait (test seconds)
  (let ((until (+ (float-time) seconds)))
    (while (and (not (funcall test)) (< (float-time) until))
      (accept-process-output nil 0.05))
    (funcall test)))

(defun sylvo-docs-block (heading lang)
  "The first LANG block under the heading HEADING of docs/editors.md."
  (with-temp-buffer
    (insert-file-contents (getenv "SYLVO_DOCS"))
    (search-forward (concat "\n## " heading))
    (search-forward (concat "```" lang "\n"))
    (buffer-substring (point) (progn (search-forward "\n```") (1+ (match-beginning 0))))))

(defconst sylvo-type-of-span ["macro" "keyword" "string" "comment" nil "function"
                              "parameter" "variable" "number" "keyword"])

(defun sylvo-expected-tokens (file)
  "What each character of FILE's lines is as the library reads it: a string a
line, the first letter of its token type a character ('.' for none)."
  (let* ((lines (mapcar (lambda (l) (string-trim-right l "\r"))
                        (split-string (sylvo-bytes file) "\n")))
         (shown (vconcat (mapcar (lambda (l) (make-string
                                              (length (decode-coding-string l 'cp932)) ?.))
                                 lines)))
         (spans (mapcar (lambda (row) (mapcar #'string-to-number (split-string row)))
                        (process-lines (getenv "SYLVO_PROBE") "spans" file))))
    (when (equal (aref shown (1- (length shown))) "")
      (setq shown (substring shown 0 -1)))
    ;; A comment first, then the syllables in it, then their parts.
    (setq spans (sort spans (lambda (x y) (< (sylvo-rank (nth 3 x)) (sylvo-rank (nth 3 y))))))
    (dolist (s spans)
      (let* ((line (nth (1- (car s)) lines))
             (type (aref sylvo-type-of-span (nth 3 s)))
             (from (sylvo-unit line (nth 1 s) nil))
             (to (sylvo-unit line (min (+ (nth 1 s) (nth 2 s)) (length line)) t)))
        (dotimes (k (- to from))
          (aset (aref shown (1- (car s))) (+ from k) (if type (aref type 0) ?.)))))
    (append shown nil)))

(defun sylvo-rank (kind) (cond ((= kind 3) 0) ((= kind 4) 1) (t 2)))

(defun sylvo-unit (line byte after)
  "The characters of LINE before BYTE, or before the character it is the
second byte of; with AFTER, those up to the end of that character."
  (let ((i 0) (done nil))
    (while (not done)
      (let* ((b (and (< i (length line)) (aref line i)))
             (next (+ i (if (and b (or (<= #x81 b #x9f) (<= #xe0 b #xfc))) 2 1))))
        (if (or (> next byte) (> next (length line)))
            (progn (when (and after (> byte i)) (setq i (min next (length line))))
                   (setq done t))
          (setq i next))))
    (length (decode-coding-string (substring line 0 i) 'cp932))))

(defun sylvo-decoded-tokens (data legend)
  "The same of the buffer from its semantic tokens DATA."
  (let ((shown (vconcat (mapcar (lambda (l) (make-string (length l) ?.))
                                (split-string (buffer-substring-no-properties
                                               (point-min) (point-max))
                                              "\n"))))
        (line 0) (character 0))
    (when (equal (aref shown (1- (length shown))) "")
      (setq shown (substring shown 0 -1)))
    (dotimes (i (/ (length data) 5))
      (let ((at (* i 5)))
        (setq character (if (= (aref data at) 0) (+ character (aref data (+ at 1)))
                          (aref data (+ at 1))))
        (setq line (+ line (aref data at)))
        (dotimes (k (aref data (+ at 2)))
          (aset (aref shown line) (+ character k)
                (aref (aref legend (aref data (+ at 3))) 0)))))
    (append shown nil)))

(defun sylvo-actions-at-point (server)
  "SERVER's code actions at point, as a vector."
  (jsonrpc-request server :textDocument/codeAction
                   (list :textDocument (eglot--TextDocumentIdentifier)
                         :range (list :start (eglot--pos-to-lsp-position (point))
                                      :end (eglot--pos-to-lsp-position (point)))
                         :context (list :diagnostics []))))

(defun sylvo-probe-fit (file line lyrics)
  "FILE's bytes with LYRICS on the notes of LINE, as the library puts them."
  (with-temp-buffer
    (set-buffer-multibyte nil)
    (let ((coding-system-for-read 'binary))
      (call-process (getenv "SYLVO_PROBE") nil t nil "fit" file line lyrics))
    (buffer-string)))

(defun sylvo-write ()
  "Writes the buffer as it was read to a new file, and names it."
  (let ((path (make-temp-file "sylvo-written" nil ".mml"))
        (coding-system-for-write buffer-file-coding-system))
    (write-region nil nil path)
    path))

(setenv "PATH" (concat (file-name-directory (getenv "SYLVO_LSP")) ":" (getenv "PATH")))
(push (file-name-directory (getenv "SYLVO_LSP")) exec-path)
(eval (car (read-from-string (concat "(progn " (sylvo-docs-block "Emacs" "elisp") ")"))) t)
(setq eglot-confirm-server-initiated-edits nil)

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
      (run-hooks 'post-command-hook)  ; where eglot-ensure starts the server
      (sylvo-expect (sylvo-wait (lambda () (flymake-diagnostics)) 20) "diagnostics come")
      (let ((want (sylvo-checked song)))
        (sylvo-expect (equal (mapcar #'butlast (sylvo-shown)) (mapcar #'butlast want))
                      (format "diagnostics stand where sylvo-check puts them: %S against %S"
                              (sylvo-shown) want)))
      (let ((server (eglot--current-server-or-lose)))
        ;; Every character coloured as the library reads it.
        (let* ((legend (plist-get (plist-get (eglot--capabilities server) :semanticTokensProvider)
                                  :legend))
               (tokens (jsonrpc-request server :textDocument/semanticTokens/full
                                        (list :textDocument (eglot--TextDocumentIdentifier))))
               (got (sylvo-decoded-tokens (plist-get tokens :data) (plist-get legend :tokenTypes)))
               (want (sylvo-expected-tokens song)))
          (sylvo-expect (equal got want) (format "semantic tokens: %S against %S" got want)))
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
        (let* ((actions (sylvo-actions-at-point server))
               (fix (and (> (length actions) 0) (aref actions 0))))
          (sylvo-expect (equal (plist-get fix :title) "Replace KX with KA")
                        (format "the first quick fix: %S" (plist-get fix :title)))
          (when fix (eglot--apply-workspace-edit (plist-get fix :edit)))
          (eglot--signal-textDocument/didChange))
        ;; Written as it was read, the buffer is the song with KX made KA.
        (let ((written (sylvo-write)))
          (sylvo-expect (equal (sylvo-bytes written)
                               (replace-regexp-in-string "(KX)" "(KA)" original t t))
                        "the buffer written is the song with one change")
          (sylvo-expect (sylvo-wait (lambda () (= (length (sylvo-shown))
                                                  (length (sylvo-checked written))))
                                    20)
                        "the problems after the fix are the written file's")
          (sylvo-expect (equal (mapcar #'butlast (sylvo-shown))
                               (mapcar #'butlast (sylvo-checked written)))
                        (format "and stand where sylvo-check puts them: %S" (sylvo-shown)))
          ;; The lyrics comment on line 5 put on the notes of line 6, as an action there.
          (goto-char (point-min))
          (forward-line 5)
          (let* ((actions (sylvo-actions-at-point server))
                 (put (seq-find (lambda (a) (equal (plist-get a :title)
                                                   "Put SA KU RA YA YO I on the notes below"))
                                actions)))
            (sylvo-expect put (format "the lyrics action is offered: %S" actions))
            (when put (eglot--apply-workspace-edit (plist-get put :edit)))
            (eglot--signal-textDocument/didChange))
          (let ((sung (sylvo-write)))
            (sylvo-expect (equal (sylvo-bytes sung)
                                 (sylvo-probe-fit written "6" "さくら yayoi"))
                          "the lyrics go on the notes as the library puts them")
            ;; M-x sylvo-lyrics on the same line, and the server's edit applied.
            (let ((before (thing-at-point 'line t)))
              (sylvo-lyrics "はる")
              (sylvo-expect (sylvo-wait (lambda () (not (equal (thing-at-point 'line t) before))) 10)
                            "sylvo-lyrics changes the line"))
            (sylvo-expect (equal (sylvo-bytes (sylvo-write)) (sylvo-probe-fit sung "6" "はる"))
                          "sylvo-lyrics puts them as the library does")))
        (eglot-shutdown server)))))

(condition-case err
    (sylvo-run)
  (error (sylvo-expect nil (format "%S" err))))
(message (if (= sylvo-failures 0) "eglot: all passed" (format "eglot: %d failed" sylvo-failures)))
(kill-emacs (if (= sylvo-failures 0) 0 1))
