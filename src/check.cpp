#include "check.h"

#include <cstdio>
#include <cstring>

#include "directive.h"
#include "notation.h"
#include "problems.h"
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
  void note(const unsigned char*) {}
  void loose_note(const unsigned char*) {}
  void begin_window(const unsigned char*) {}
  void end_window(const unsigned char*) {}

  void length_command(const notation::LengthCommand& l) {
    size_t size = static_cast<size_t>(l.end - l.from);
    Place at{run_.line.LINE_NO, l.at - start_};
    emptied_ = {size == 0, l.in_comment, at.line, at.column};
    // An 'l' that only looks like a length command, and changes the length.
    bool in_word = in_a_word(l.at);
    bool changes = size != length_size_ || std::memcmp(l.from, length_, size) != 0;
    if (size != 0 && changes && (in_word || l.in_comment)) {
      stray_ = {true, at, size + 1, {}, {}};
      std::memcpy(stray_.length, l.from, size);
      const unsigned char* word = l.at;
      while (word > start_ && l.at - word < 12 && is_letter(word[-1])) --word;
      std::snprintf(stray_.why, sizeof stray_.why,
                    in_word ? "in the word '%.*s', where 'l' acts too"
                            : "inside a block comment, where 'l' acts too%.*s",
                    in_word ? static_cast<int>(l.end - word) : 0,
                    reinterpret_cast<const char*>(word));
    } else {
      stray_.pending = false;
    }
    length_size_ = size;
    std::memcpy(length_, l.from, size);
  }

  void syllable(const notation::Syllable& s) {
    if (!s.row || s.own) return;
    if (run_.scan.default_size == 0 && emptied_.pending) warn_emptied(*s.row);
    if (stray_.pending) warn_stray(*s.row);
  }

  void fault(const notation::Fault& f) {
    Advice advice;
    size_t key_size = f.key ? capitals(f.key, f.end) : 0;
    const unsigned char *from = f.from, *to = f.to;  // what a suggestion would stand in place of
    advise(f, key_size, advice, &from, &to);
    problems_.add(SYLVO_ERROR, f.kind, f.where, from - f.line, static_cast<size_t>(to - from),
                  run_.line, &advice);
    if (key_size != 0 && advice.count != 0) note_near_keys(f, key_size, advice);
  }

 private:
  // A warning on the '#' line at `hash`, `n` bytes after it.
  void inspect(const unsigned char* hash, size_t n, bool in_comment, bool indented) {
    DirectiveWarning w = inspect_directive(hash + 1, n, in_comment, indented);
    if (w.what == SYLVO_NO_WARNING) return;
    const unsigned char* from = w.at == 0 ? hash : hash + 1 + w.at;  // the word with its '#'
    Advice advice;
    if (w.like) {  // the word, '#' and all, as it would be read
      char keyword[SYLVO_SUGGESTION_SIZE];
      int n = std::snprintf(keyword, sizeof keyword, "#%s", w.like);
      advice.suggest(keyword, static_cast<size_t>(n));
    }
    problems_.add(SYLVO_WARNING, w.what, {run_.line.LINE_NO, from - start_},
                  w.size + (w.at == 0 ? 1 : 0), w.message, &advice);
  }

  // A warning on a line whose first '#' has only blanks before it.
  void inspect_indented(const unsigned char* q, const unsigned char* end) {
    while (q < end && (*q == ' ' || *q == '\t')) ++q;
    if (q == end || *q != '#') return;
    const void* nl = std::memchr(q, '\n', static_cast<size_t>(end - q));
    const unsigned char* line_end = nl ? static_cast<const unsigned char*>(nl) : end;
    inspect(q, static_cast<size_t>(line_end - q - 1), false, true);
  }

  // The capitals from `key` on, before `end`: an unknown key's letters.
  static size_t capitals(const unsigned char* key, const unsigned char* end) {
    size_t n = 0;
    while (n < kKeyLettersMax && key + n < end && key[n] >= 'A' && key[n] <= 'Z') ++n;
    return n;
  }
  static constexpr size_t kKeyLettersMax = 8;

  // What is wrong at the fault `f`, for a musician, and what could stand
  // there instead, in place of [*from, *to). `key_size` capitals at f.key
  // are an unknown key.
  static void advise(const notation::Fault& f, size_t key_size, Advice& a,
                     const unsigned char** from, const unsigned char** to) {
    using notation::Wrong;
    const char* key = reinterpret_cast<const char*>(f.key);
    auto suggest = [](void* advice, const char* k) {
      static_cast<Advice*>(advice)->suggest(k, std::strlen(k));
    };
    switch (f.wrong) {
      case Wrong::kLineTooLong:
      case Wrong::kCommentTooLong: {
        const void* nl = std::memchr(f.line, '\n', static_cast<size_t>(f.end - f.line));
        const char* what = f.wrong == Wrong::kLineTooLong ? "a line"
                                                          : "the text after a comment's "
                                                            "';' or '/', or a '#'";
        if (nl) {
          a.explain("this line is %zu bytes, and %s holds at most %zu",
                    static_cast<size_t>(static_cast<const unsigned char*>(nl) + 1 - f.line), what,
                    kLineMax);
        } else {
          a.explain("this line is longer than the %zu bytes %s holds", kLineMax, what);
        }
        return;
      }
      case Wrong::kKeyByte: {
        // A key in lower case that is a key in capitals.
        char upper[kKeyLettersMax];
        size_t n = 0;
        bool lower = false;
        const unsigned char *first = nullptr, *k = f.open + 1;
        for (; k < f.end && *k != ')'; ++k) {
          if (*k == '@') {
            k += 2;
            continue;
          }
          if (!first) first = k;
          bool small = *k >= 'a' && *k <= 'z';
          if (n == sizeof upper || (!small && (*k < 'A' || *k > 'Z')))
            return a.explain(
                "%s cannot stand in a key: a key is one to three capital letters, as in (KA)",
                byte_name(*f.from).text);
          lower = lower || small;
          upper[n++] = static_cast<char>(small ? *k - 'a' + 'A' : *k);
        }
        char text[kKeyLettersMax + 1] = {};
        std::memcpy(text, upper, n);
        if (lower && syllable_by_key(upper, n)) {
          a.explain("keys are capitals: %s", text);
          a.suggest(upper, n);
          *from = first, *to = k;  // the key's letters
          return;
        }
        a.explain("%s cannot stand in a key: a key is one to three capital letters, as in (KA)",
                  byte_name(*f.from).text);
        return;
      }
      case Wrong::kFourthLetter:
        a.explain("%.*s is not a syllable key: a key has at most three letters",
                  static_cast<int>(key_size), key);
        near_keys(key, key_size, suggest, &a);
        *from = f.key, *to = f.key + key_size;
        return;
      case Wrong::kUnknownKey:
        a.explain("%.*s is not a syllable key", static_cast<int>(key_size), key);
        near_keys(key, key_size, suggest, &a);
        return;
      case Wrong::kNoNote:
        return a.explain("a syllable takes a note after its ')': a to g, w or k, not %s",
                         byte_name(*f.from).text);
      case Wrong::kLooseNote:
        return a.explain("a ')' outside a syllable takes a note after it: a to g, w or k");
      case Wrong::kEndInSyllable: return a.explain("the file ends inside a syllable");
      case Wrong::kOverride: return a.explain("'@' takes A, I, U, E or O and a digit");
      case Wrong::kVoiceSet: {
        const unsigned char *from = f.from, *to = f.from;
        while (from > f.line && is_digit(from[-1])) --from;
        while (to < f.end && is_digit(*to) && to - from < 20) ++to;
        return a.explain("voice set %.*s: voice sets are 0 to 9", static_cast<int>(to - from),
                         reinterpret_cast<const char*>(from));
      }
    }
  }

  // A byte as a message names it: 'x', or its value where it shows no letter.
  struct ByteName {
    char text[16];
  };
  static ByteName byte_name(unsigned char c) {
    ByteName name;
    if (c == '\n') {
      std::snprintf(name.text, sizeof name.text, "the line's end");
    } else if (c > ' ' && c < 0x7F) {
      std::snprintf(name.text, sizeof name.text, "'%c'", c);
    } else {
      std::snprintf(name.text, sizeof name.text, "byte 0x%02X", c);
    }
    return name;
  }

  // A note after an unknown key: the table's keys one edit from it.
  void note_near_keys(const notation::Fault& f, size_t n, const Advice& advice) {
    char text[300];
    size_t used = static_cast<size_t>(std::snprintf(
        text, sizeof text, "%.*s is no key; keys one edit away: ", static_cast<int>(n),
        reinterpret_cast<const char*>(f.key)));
    size_t kept = advice.count < SYLVO_SUGGESTIONS_MAX ? advice.count : SYLVO_SUGGESTIONS_MAX;
    for (size_t i = 0; i < kept && used < sizeof text; ++i) {
      used += static_cast<size_t>(std::snprintf(text + used, sizeof text - used, "%s%s",
                                                i ? ", " : "", advice.suggestions[i]));
    }
    Advice keys = advice;  // the keys alone: the error explains
    keys.explanation[0] = '\0';
    problems_.add(SYLVO_NOTE, SYLVO_NEAR_KEYS, {run_.line.LINE_NO, f.key - f.line}, n, text, &keys);
  }

  // A warning that the syllable with key `row` takes the length an 'l'
  // emptied.
  void warn_emptied(const SyllableRow& row) {
    emptied_.pending = false;
    char text[300];
    std::snprintf(
        text, sizeof text,
        "'l' sets the default length to nothing: the syllables after it take no "
        "length, the first (%s) on line %llu%s",
        row.key, run_.line.LINE_NO,
        emptied_.in_comment ? "; this 'l' is inside a block comment, where 'l' acts too" : "");
    problems_.add(SYLVO_WARNING, SYLVO_EMPTY_LENGTH, {emptied_.line, emptied_.column}, 1, text);
  }

  static bool is_letter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
  // A note's or a rest's letter, which an 'l' command may follow at once.
  static bool is_note(unsigned char c) {
    return (c >= 'a' && c <= 'g') || c == 'r' || c == 'w' || c == 'k';
  }

  // Whether the byte at `at` is a letter of a word: not the last byte of a
  // character of more than one byte (ネ is 83 6C), which may be a letter's.
  bool word_letter(const unsigned char* at) const {
    return is_letter(*at) && (at == start_ || at[-1] < 0x80);
  }

  // Whether the 'l' at `l` stands in a word ("vol", "Title", "melody"): after
  // a letter that is no note, or after a note's letter that follows one.
  bool in_a_word(const unsigned char* l) const {
    if (l == start_ || !word_letter(l - 1)) return false;
    return !is_note(l[-1]) || (l - 1 > start_ && word_letter(l - 2) && !is_note(l[-2]));
  }

  // A warning that the syllable with key `row` takes the length a stray 'l'
  // set.
  void warn_stray(const SyllableRow& row) {
    stray_.pending = false;
    char text[300];
    std::snprintf(text, sizeof text,
                  "'l%s' sets the default length to %s: the syllables after it take it, the "
                  "first (%s) on line %llu; this 'l' is %s",
                  stray_.length, stray_.length, row.key, run_.line.LINE_NO, stray_.why);
    problems_.add(SYLVO_WARNING, SYLVO_STRAY_LENGTH, stray_.at, stray_.size, text);
  }

  Run& run_;
  Problems& problems_;
  const unsigned char* start_ = nullptr;   // the current line's first byte
  unsigned char length_[kLengthMax] = {};  // the default length as the last 'l' set it
  size_t length_size_ = 0;

  // The stray 'l' that last changed the default length, to warn of when a
  // syllable takes it.
  struct Stray {
    bool pending;
    Place at;
    size_t size;  // the 'l' and its length
    char length[kLengthMax + 1];
    char why[80];
  } stray_{};

  // The 'l' that last emptied the default length, to warn of when a
  // syllable takes it.
  struct Emptied {
    bool pending;  // no 'l' with a length, nor a syllable that took it, since
    bool in_comment;
    unsigned long long line;
    long long column;
  } emptied_{};
};

}  // namespace

void check_scan(Run& run) {
  start_scan(run);
  notation::Reader<Checker>(run, Checker(run, *run.problems)).read();
}
