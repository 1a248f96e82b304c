#include "check.h"

#include <cstdio>
#include <cstring>

#include "directive.h"
#include "notation.h"
#include "report.h"
#include "run.h"
#include "scan.h"
#include "syllable.h"

namespace {

// The check as a listener of the reader: it records each fault where the
// reader found it, and the reading goes on; it warns of what converts but
// likely not as meant.
class Checker {
 public:
  static constexpr bool kNotes = false;

  Checker(Run& run, Problems& problems) : run_(run), problems_(problems) {}

  void line(const unsigned char* start, const unsigned char* end) {
    start_ = start;
    if (start < end && (*start == ' ' || *start == '\t')) inspect_indented(start, end);
  }
  void directive(const notation::DirectiveLine& d) { inspect(d.hash, d.size, d.in_comment, false); }
  void comment(const unsigned char*, const unsigned char*) {}
  void block(const unsigned char*, bool) {}
  void note(const unsigned char*, int) {}
  void loose_note(const unsigned char*) {}
  void begin_window(const unsigned char*) {}
  void end_window(const unsigned char*) {}

  void length_command(const notation::LengthCommand& l) {
    emptied_ = {l.from == l.end, l.in_comment, l.after_lead, run_.line.LINE_NO, l.at - start_};
  }

  void syllable(const notation::Syllable& s) {
    if (s.row && !s.own && run_.scan.default_size == 0 && emptied_.pending) warn_emptied(*s.row);
  }

  void fault(const notation::Fault& f) {
    problems_.add(SYLVO_ERROR, f.kind, f.where, f.from - f.line, static_cast<size_t>(f.to - f.from),
                  run_.line);
    if (f.key) note_near_keys(f.key, f.line, f.end);
  }

 private:
  // A warning on the '#' line at `hash`, `n` bytes after it.
  void inspect(const unsigned char* hash, size_t n, bool in_comment, bool indented) {
    DirectiveWarning w = inspect_directive(hash + 1, n, in_comment, indented);
    if (w.what == SYLVO_NO_WARNING) return;
    const unsigned char* from = w.at == 0 ? hash : hash + 1 + w.at;  // the word with its '#'
    problems_.add(SYLVO_WARNING, w.what, {run_.line.LINE_NO, from - start_},
                  w.size + (w.at == 0 ? 1 : 0), w.message);
  }

  // A warning on a line whose first '#' has only blanks before it.
  void inspect_indented(const unsigned char* q, const unsigned char* end) {
    while (q < end && (*q == ' ' || *q == '\t')) ++q;
    if (q == end || *q != '#') return;
    const void* nl = std::memchr(q, '\n', static_cast<size_t>(end - q));
    const unsigned char* line_end = nl ? static_cast<const unsigned char*>(nl) : end;
    inspect(q, static_cast<size_t>(line_end - q - 1), false, true);
  }

  // A note after an unknown key, the capitals from `key` on: the table's
  // keys one edit from it.
  void note_near_keys(const unsigned char* key, const unsigned char* line,
                      const unsigned char* end) {
    char letters[8];
    size_t n = 0;
    while (n < sizeof letters && key + n < end && key[n] >= 'A' && key[n] <= 'Z') {
      letters[n] = static_cast<char>(key[n]);
      ++n;
    }
    char keys[200], text[260];
    if (n == 0 || near_keys(letters, n, keys, sizeof keys) == 0) return;
    std::snprintf(text, sizeof text, "%.*s is no key; keys one edit away: %s", static_cast<int>(n),
                  letters, keys);
    problems_.add(SYLVO_NOTE, SYLVO_NEAR_KEYS, {run_.line.LINE_NO, key - line}, n, text);
  }

  // A warning that the syllable with key `row` takes the length an 'l'
  // emptied.
  void warn_emptied(const SyllableRow& row) {
    emptied_.pending = false;
    char text[300];
    std::snprintf(text, sizeof text,
                  "'l' sets the default length to nothing: the syllables after it take no "
                  "length, the first (%s) on line %llu%s",
                  row.key, run_.line.LINE_NO,
                  emptied_.in_comment ? "; this 'l' is inside a block comment, where 'l' acts too"
                  : emptied_.after_lead
                      ? "; this 'l' may be the second byte of a Shift-JIS character, and acts "
                        "all the same"
                      : "");
    problems_.add(SYLVO_WARNING, SYLVO_EMPTY_LENGTH, {emptied_.line, emptied_.column}, 1, text);
  }

  Run& run_;
  Problems& problems_;
  const unsigned char* start_ = nullptr;  // the current line's first byte

  // The 'l' that last emptied the default length, to warn of when a
  // syllable takes it.
  struct Emptied {
    bool pending;  // no 'l' with a length, nor a syllable that took it, since
    bool in_comment;
    bool after_lead;  // after a byte that can lead a Shift-JIS character
    unsigned long long line;
    long long column;
  } emptied_{};
};

}  // namespace

void check_scan(Run& run) {
  start_scan(run);
  notation::Reader<Checker>(run, Checker(run, *run.problems)).read();
}
