;;; eglot_client.el --- Emacs with Eglot against kelvo --lsp  -*- lexical-binding: t -*-

;; Run as: emacs --batch -Q -l eglot_client.el, with KELVO_TOOL_DIR (the
;; folder of the built kelvo), KELVO_README and KELVO_CLIENT_FILES (this
;; folder) in the environment, and KELVO_ELPA where the system keeps its
;; packages (Debian: /usr/share/emacs/site-lisp/elpa).  Sets Emacs up with
;; the README's Eglot form and checks what Emacs holds: Flymake's
;; diagnostics (columns in characters), the hover text as Eglot renders
;; it, where xref lands, the completion table, and the buffer's text after
;; a rename and a quick fix.  Leaves with status 1 if a check failed.

(require 'cl-lib)
(require 'package)

(defvar kelvo-failures 0)
(defun kelvo-say (format-string &rest args)
  (princ (concat (apply #'format format-string args) "\n")))
(defun kelvo-check (ok what &optional got)
  (unless ok
    (setq kelvo-failures (1+ kelvo-failures))
    (kelvo-say "FAILED: %s%s" what (if got (format "\n  got: %S" got) ""))))
(defun kelvo-finish ()
  (kelvo-say (if (zerop kelvo-failures) "eglot: all checks passed"
               (format "eglot: %d failed" kelvo-failures)))
  (ignore-errors (let ((server (eglot-current-server))) (when server (eglot-shutdown server))))
  (ignore-errors (delete-directory kelvo-directory t))
  (ignore-errors (delete-directory package-user-dir t))
  (kill-emacs (if (zerop kelvo-failures) 0 1)))
;; A hang fails instead of blocking the test run.
(run-at-time 50 nil (lambda () (kelvo-check nil "timed out") (kelvo-finish)))

(defun kelvo-env (name)
  (or (getenv name) (progn (kelvo-say "FAILED: %s is not set" name) (kill-emacs 2))))
(defvar kelvo-files (file-name-as-directory (kelvo-env "KELVO_CLIENT_FILES")))
(setq exec-path (cons (kelvo-env "KELVO_TOOL_DIR") exec-path))

;; -Q leaves out the system's site files, and with them its packages.
(setq package-user-dir (make-temp-file "kelvo-elpa" t)
      package-directory-list (list (kelvo-env "KELVO_ELPA")))
(package-initialize)

;; The README's Eglot form, as a user's init file holds it.
(let ((readme (with-temp-buffer (insert-file-contents (kelvo-env "KELVO_README")) (buffer-string))))
  (if (not (string-match "With Eglot:\n+```elisp\n\\(\\(?:.\\|\n\\)*?\\)\n```" readme))
      (progn (kelvo-check nil "the README has an elisp block after 'With Eglot:'") (kelvo-finish))
    (with-temp-buffer
      (insert (match-string 1 readme))
      (eval-buffer))))
(require 'eglot)
(setq eglot-sync-connect 10)

(defun kelvo-file-text (name)
  (with-temp-buffer (insert-file-contents (concat kelvo-files name)) (buffer-string)))

(defun kelvo-wait (predicate seconds)
  "Lets the server's messages in until PREDICATE holds or SECONDS pass."
  (let ((until (+ (float-time) seconds)))
    (while (and (not (funcall predicate)) (< (float-time) until))
      (accept-process-output nil 0.05))
    (funcall predicate)))

(defun kelvo-goto (line column)
  "Puts point on LINE (1-based) at COLUMN characters."
  (goto-char (point-min))
  (forward-line (1- line))
  (forward-char column))

;; The script opened as a user opens it.
(defvar kelvo-directory (make-temp-file "kelvo-eglot" t))
(defvar kelvo-path (expand-file-name "Spiel stände/board.kelvo" kelvo-directory)) ; a name a URI must escape
(make-directory (file-name-directory kelvo-path))
(copy-file (concat kelvo-files "board.kelvo") kelvo-path)
(find-file kelvo-path)
(kelvo-check (eq major-mode 'kelvo-mode) "the buffer is in kelvo-mode" major-mode)
(condition-case err
    (apply #'eglot (eglot--guess-contact))
  (error (kelvo-check nil "Eglot connects" err) (kelvo-finish)))
(defvar kelvo-server (eglot-current-server))
(kelvo-check kelvo-server "Eglot manages the buffer")
(unless kelvo-server (kelvo-finish))

;; Flymake asks Eglot for the diagnostics; a batch Emacs runs no command
;; after which it would start on its own.
(defconst kelvo-severities '(eglot-error eglot-warning eglot-note))
(defun kelvo-diagnostics (until)
  ;; Nor is a batch Emacs ever idle, so the idle timer that sends the
  ;; buffer's changes does not run: send them as it would.
  (eglot--signal-textDocument/didChange)
  (kelvo-wait (lambda () (flymake-start) (funcall until (flymake-diagnostics))) 5)
  (let ((found (mapcar (lambda (d)
                         (let ((beg (flymake-diagnostic-beg d)) (end (flymake-diagnostic-end d)))
                           (save-excursion
                             (goto-char beg)
                             (list (1- (line-number-at-pos beg)) (- beg (line-beginning-position))
                                   (progn (goto-char end) (1- (line-number-at-pos end)))
                                   (- end (line-beginning-position))
                                   (flymake-diagnostic-type d) (flymake-diagnostic-text d)))))
                       (flymake-diagnostics))))
    ;; By place, then errors before warnings before notes.
    (setq found (sort found (lambda (a b)
                              (let ((ka (list (nth 0 a) (nth 1 a) (cl-position (nth 4 a) kelvo-severities)))
                                    (kb (list (nth 0 b) (nth 1 b) (cl-position (nth 4 b) kelvo-severities))))
                                (cl-loop for x in ka for y in kb
                                         unless (= x y) return (< x y))))))
    (kelvo-say "diagnostics as Flymake holds them (line, character columns, 0-based):")
    (dolist (d found) (kelvo-say "  %d:%d-%d:%d %s %s" (nth 0 d) (nth 1 d) (nth 2 d) (nth 3 d) (nth 4 d) (nth 5 d)))
    found))
(defun kelvo-check-diagnostics (found expected when)
  (kelvo-check (= (length found) (length expected)) (format "%s: %d diagnostics" when (length expected))
               (length found))
  (cl-loop for e in expected for i from 1
           for d = (nth (1- i) found)
           do (kelvo-check (equal d e) (format "%s: diagnostic %d is %S" when i e) d)))

;; Columns in characters, counted by hand: the target is one character
;; (and two UTF-16 units).  Eglot puts "source [code]: " before the message.
(kelvo-check-diagnostics
 (kelvo-diagnostics (lambda (l) l))
 '((5 27 5 30 eglot-error "kelvo [unknown-variable]: Unknown variable: zzz\nso the first operand of 'message' is empty in the host text: the engine rejects the call")
   (8 25 8 31 eglot-error "kelvo [unknown-variable]: Unknown variable: cirlce")
   (8 25 8 31 eglot-note "kelvo [did-you-mean]: did you mean 'circle'?")
   (8 32 8 37 eglot-warning "kelvo [words-left]: 'score' and the rest of the line are not translated: a line holds one term"))
 "on opening")

;; Hover, rendered as Eglot renders it for the echo area.
(defun kelvo-hover (line column)
  (kelvo-goto line column)
  (let ((answer (jsonrpc-request kelvo-server :textDocument/hover (eglot--TextDocumentPositionParams))))
    (if answer (eglot--hover-info (plist-get answer :contents) (plist-get answer :range)) "")))
(let ((text (kelvo-hover 7 37)))
  (kelvo-say "hover on score:\n%s" text)
  (kelvo-check (string-match-p "var score 0" text) "the hover on score shows its declaration" text)
  (kelvo-check (not (string-match-p "```" text)) "Eglot asked for plain text and gets no fences" text))
(let ((text (kelvo-hover 10 9)))
  (kelvo-say "hover on player:\n%s" text)
  (kelvo-check (string-match-p "\"Ann\"" text) "the hover on player shows the README's defineString" text))

;; Definitions, followed through xref as M-. follows them.
(defun kelvo-definition (line column)
  (kelvo-goto line column)
  (let* ((items (ignore-errors (xref-backend-definitions 'eglot (xref-backend-identifier-at-point 'eglot))))
         (marker (and items (xref-location-marker (xref-item-location (car items))))))
    (when marker
      (with-current-buffer (marker-buffer marker)
        (save-excursion
          (goto-char marker)
          (list (line-number-at-pos) (- (point) (line-beginning-position))))))))
(let ((place (kelvo-definition 7 37)))
  (kelvo-say "definition of score on line 7 lands at %S" place)
  (kelvo-check (equal place '(5 4)) "the definition of score is its name on the var line" place))
(let ((place (kelvo-definition 3 8)))
  (kelvo-say "definition of pos on line 3 lands at %S" place)
  (kelvo-check (equal place '(2 18)) "the definition of pos is its name on the function line" place))

;; Completion, the candidates of Eglot's completion-at-point table.
(defun kelvo-completions (line column)
  (kelvo-goto line column)
  (let ((capf (eglot-completion-at-point)))
    (and capf (all-completions "" (nth 2 capf)))))
(let ((words (kelvo-completions 7 41)))
  (kelvo-say "completion at the end of line 7: %d items" (length words))
  (dolist (w '("score" "bounce" "circle" "message" "player" "red"))
    (kelvo-check (member w words) (format "completion after the target offers %s" w)))
  (kelvo-check (not (or (member "pos" words) (member "limit" words))) "no parameter outside its definition"))
(let ((words (kelvo-completions 3 10)))
  (kelvo-check (and (member "pos" words) (member "limit" words))
               "completion inside the definition offers its parameters pos and limit"))
(let ((words (kelvo-completions 1 10)))
  (kelvo-check (null words) "completion inside a comment offers nothing" (length words)))

(defun kelvo-buffer-is (name when)
  (let ((want (kelvo-file-text name)) (got (buffer-string)))
    (kelvo-check (equal got want) (format "%s: the buffer is %s" when name) got)))

;; Rename score to points from its use on line 8, applied by Eglot.
(kelvo-goto 8 1)
(condition-case err (eglot-rename "points")
  (error (kelvo-check nil "Eglot renames" err)))
(kelvo-buffer-is "board.renamed.kelvo" "after the rename")
(kelvo-check-diagnostics
 (kelvo-diagnostics (lambda (l) (cl-some (lambda (d) (string-match-p "'points'" (flymake-diagnostic-text d))) l)))
 '((5 27 5 30 eglot-error "kelvo [unknown-variable]: Unknown variable: zzz\nso the first operand of 'message' is empty in the host text: the engine rejects the call")
   (8 25 8 31 eglot-error "kelvo [unknown-variable]: Unknown variable: cirlce")
   (8 25 8 31 eglot-note "kelvo [did-you-mean]: did you mean 'circle'?")
   (8 32 8 38 eglot-warning "kelvo [words-left]: 'points' and the rest of the line are not translated: a line holds one term"))
 "after the rename")

;; The quick fix of the did-you-mean note over cirlce, picked and applied
;; as Eglot does when one action of the kind asked for is offered.
(let* ((beg (progn (kelvo-goto 9 25) (point)))
       (actions (condition-case err (eglot-code-actions beg (+ beg 6) "quickfix")
                  (error (kelvo-check nil "Eglot asks for code actions" err) nil)))
       (fix (cl-find-if (lambda (a) (string-match-p "circle" (or (plist-get a :title) ""))) actions)))
  (dolist (a actions) (kelvo-say "code action: %s (%s)" (plist-get a :title) (plist-get a :kind)))
  (kelvo-check (and fix (plist-get fix :edit)) "a quick fix with an edit puts circle for cirlce" actions)
  (when fix (eglot--read-execute-code-action (list fix) kelvo-server "quickfix")))
(kelvo-buffer-is "board.fixed.kelvo" "after the quick fix")
(kelvo-check-diagnostics
 (kelvo-diagnostics (lambda (l) (= (length l) 1)))
 '((5 27 5 30 eglot-error "kelvo [unknown-variable]: Unknown variable: zzz\nso the first operand of 'message' is empty in the host text: the engine rejects the call"))
 "after the quick fix")

(kelvo-finish)
