;;; compile.el --- M-x compile with sylvo-check, in batch  -*- lexical-binding: t; -*-
;; The Shift-JIS song with mistakes after kana: each `next-error' goes to
;; the character sylvo-check names, and no echo line is an entry.
;;   SYLVO_CHECK, SYLVO_SONG; SYLVO_EMACS_DIR: the folder of sylvo-compile.el
(add-to-list 'load-path (getenv "SYLVO_EMACS_DIR"))
(require 'sylvo-compile)
(require 'json)
(set-language-environment "Japanese")
(defvar sylvo-failures 0)
(defun sylvo-expect (ok what)
  (unless ok (setq sylvo-failures (1+ sylvo-failures)) (message "FAIL: %s" what)))

(condition-case err
    (let* ((song (getenv "SYLVO_SONG"))
           (out (json-parse-string
                 (with-output-to-string
                   (with-current-buffer standard-output
                     (call-process (getenv "SYLVO_CHECK") nil t nil "--json" song)))
                 :object-type 'alist))
           (problems (let (kept last)  ; one entry a place: a note at its error's is passed
                       (dolist (p (append (alist-get 'problems out) nil) (nreverse kept))
                         (let ((place (cons (alist-get 'line p) (alist-get 'start p))))
                           (unless (equal place last) (push p kept))
                           (setq last place)))))
           (lines (split-string (with-temp-buffer
                                  (set-buffer-multibyte nil)
                                  (insert-file-contents-literally song)
                                  (buffer-string))
                                "\n")))
      (find-file song)
      (let ((compilation (compile (concat (getenv "SYLVO_CHECK") " " (shell-quote-argument song)))))
        (with-current-buffer compilation
          (while (get-buffer-process (current-buffer)) (accept-process-output nil 0.1))))
      (dolist (p problems)
        (let* ((line (nth (1- (alist-get 'line p)) lines))
               (start (1- (alist-get 'start p)))
               (i 0) (boundary 0))
          (while (< i start)
            (let ((b (aref line i)))
              (setq i (+ i (if (or (<= #x81 b #x9f) (<= #xe0 b #xfc)) 2 1))))
            (when (<= i start) (setq boundary i)))
          (next-error)
          (let ((want (length (decode-coding-string (substring line 0 boundary) 'cp932)))
                (have (- (point) (line-beginning-position))))
            ;; A line's CR is no character of the buffer: at it, point stops at the end.
            (setq want (min want (- (line-end-position) (line-beginning-position))))
            ;; A byte inside a kana: its column is inside the kana, and point
            ;; goes to the kana or past it.
            (sylvo-expect (and (= (line-number-at-pos) (alist-get 'line p))
                               (or (= have want) (and (< boundary start) (= have (1+ want)))))
                          (format "next-error goes to %d:%d, sylvo-check says %d:%d"
                                  (line-number-at-pos) have (alist-get 'line p) want)))))
      (sylvo-expect (condition-case nil (progn (next-error) nil) (error t))
                    "no more entries than problems (no echo line)"))
  (error (sylvo-expect nil (format "%S" err))))
(message (if (= sylvo-failures 0) "compile: all passed" (format "compile: %d failed" sylvo-failures)))
(kill-emacs (if (= sylvo-failures 0) 0 1))
