#include "listeners/check.h"

#include <cstdio>
#include <cstring>

#include "core/directive.h"
#include "core/fullwidth.h"
#include "core/notation.h"
#include "core/problems.h"
#include "core/report.h"
#include "core/run.h"
#include "core/syllable.h"
#include "listeners/scan.h"

namespace {

// The ASCII that the characters from `q` (before `end`) stand for, while
// `takes` their ASCII and there is room; whether any was typed in full width.
struct Typed {
  char ascii[SYLVO_SUGGESTION_SIZE];
  size_t n;
  const unsigned char* end;  // after the last character taken
  bool full;
};
template <typename Takes>
Typed typed(const unsigned char* q, const unsigned char* end, Takes takes) {
  Typed t{{}, 0, q, false};
  while (t.end < end && t.n + 1 < sizeof t.ascii) {
    WideChar c = wide_char(t.end, end);
    if (c.ascii == 0 || !takes(c.ascii, t.ascii, t.n)) break;  // 0: no ASCII's form
    t.ascii[t.n++] = static_cast<char>(c.ascii);
    t.full = t.full || c.full;
    t.end += c.size;
  }
  return t;
}

bool is_capital(unsigned char c) { return c >= 'A' && c <= 'Z'; }
// What a byte may be in a note and its length, as the reader reads them.
bool is_note_letter(unsigned char c) { return notation::is(c, notation::kNoteLetter); }
bool is_length_byte(unsigned char c) { return notation::is(c, notation::kLengthByte); }

// How many bytes of the ASCII `s` (`n` bytes) read as a syllable: '(', any
// overrides, one to three capitals, ')', a note, and any sign and length;
// 0 if they do not.
size_t syllable_size(const char* s, size_t n) {
  size_t i = 0;
  if (i == n || s[i++] != '(') return 0;
  while (i + 2 < n && s[i] == '@' && vowel_index(s[i + 1]) >= 0 && is_digit(s[i + 2])) i += 3;
  size_t letters = 0;
  while (i < n && is_capital(static_cast<unsigned char>(s[i])) && letters < 3) ++i, ++letters;
  if (letters == 0 || i == n || s[i++] != ')') return 0;
  if (i == n || !is_note_letter(static_cast<unsigned char>(s[i++]))) return 0;
  if (i < n && notation::is(static_cast<unsigned char>(s[i]), notation::kSign)) ++i;
  if (i < n && notation::is(static_cast<unsigned char>(s[i]), notation::kLengthLead)) ++i;
  while (i < n && is_length_byte(static_cast<unsigned char>(s[i]))) ++i;
  return i;
}

// The check as a listener of the reader: it records each fault where the
// reader found it, and the reading goes on; it warns of what converts but
// likely not as meant.
class Checker {
 public:
  static constexpr bool kNotes = false;
  static constexpr bool kWide = true;

  Checker(Run& run, Problems& problems) : run_(run), problems_(problems) {}

  void line(const unsigned char* start, const unsigned char* end) {
    start_ = start;
    end_ = end;
    taken_ = start;
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
    length_end_ = l.end;
    emptied_ = {size == 0, l.in_comment, at.line, at.column};
    // An 'l' that only looks like a length command, and changes the length.
    bool in_word = in_a_word(l.at);
    bool changes = size != length_size_ || std::memcmp(l.from, length_, size) != 0;
    if (size != 0 && changes && (in_word || l.in_comment)) {
      stray_ = {true, at, size + 1, {}, in_word, {}};
      std::memcpy(stray_.length, l.from, size);
      const unsigned char* word = l.at;
      while (word > start_ && l.at - word < 12 && word_letter(word - 1)) --word;
      if (in_word) std::memcpy(stray_.word, word, static_cast<size_t>(l.end - word));
    } else {
      stray_.pending = false;
    }
    length_size_ = size;
    std::memcpy(length_, l.from, size);
  }

  void syllable(const notation::Syllable& s) {
    length_end_ = s.end;
    if (!s.row || s.own) return;
    if (run_.scan.default_size == 0 && emptied_.pending) warn_emptied(*s.row);
    if (stray_.pending) warn_stray(*s.row);
  }

  // The characters of more than one byte from q on, outside all else:
  // what an input method typed in full width where the notation reads
  // ASCII is warned of. Returns the end of those characters, which holds no
  // byte the reader acts on (a second byte of Shift-JIS is 0x40 or more,
  // and an 'l' after a byte 0x80-0xFF is text).
  const unsigned char* wide(const unsigned char* q) {
    const unsigned char* p = q;
    while (p < end_ && *p >= 0x80) {
      WideChar c = wide_char(p, end_);
      if (c.full && p >= taken_ && !run_.scan.in_block_comment) slip(p, c);
      p += c.size;
    }
    return p;
  }

  void fault(const notation::Fault& f) {
    Advice advice;
    size_t key_size = f.key ? capitals(f.key, f.end) : 0;
    const unsigned char *from = f.from, *to = f.to;  // what a suggestion would stand in place of
    advise(f, key_size, advice, &from, &to);
    // The echo a person reads runs to the end of the construct at fault.
    const unsigned char* ends = f.ends && f.ends > f.to ? f.ends : f.to;
    while (ends > f.line && (ends[-1] == '\n' || ends[-1] == '\r')) --ends;
    advice.construct_end = static_cast<size_t>(ends - f.line);
    problems_.add(SYLVO_ERROR, f.kind, f.where, from - f.line, static_cast<size_t>(to - from),
                  run_.line, &advice);
    if (key_size != 0 && advice.count != 0) note_near_keys(f, key_size, advice);
  }

 private:
  // Warns of the full-width character `c` at q if it stands where the
  // notation reads ASCII, and of the characters typed with it.
  void slip(const unsigned char* q, WideChar c) {
    Typed t{};
    const char* format = nullptr;
    if (c.ascii == '(') {  // （ＫＡ）ｃ８
      t = typed(q, end_, [](unsigned char a, const char*, size_t) {
        return a == '(' || a == ')' || a == '@' || a == '+' || a == '-' || a == '%' || a == '#' ||
               is_capital(a) || is_note_letter(a) || is_length_byte(a);
      });
      size_t n = syllable_size(t.ascii, t.n);
      if (n == 0) return;
      t.end = q;
      for (size_t i = 0; i < n; ++i) t.end += wide_char(t.end, end_).size;
      t.n = n;
      t.ascii[n] = '\0';
      format =
          N_("{1} is typed in full width and copied as text: a syllable is written in ASCII, {2}");
    } else if (c.ascii == 'l') {  // ｌ８
      t = typed(q, end_, [](unsigned char a, const char*, size_t n) {
        return n == 0 ? a == 'l' : is_length_byte(a);
      });
      if (t.n < 2) return;
      format =
          N_("{1} is typed in full width and copied as text: a length command is written in ASCII, "
             "{2}");
    } else if (c.ascii == '#' && q == start_) {  // ＃SYLVO_VSET
      t = typed(q, end_, [](unsigned char a, const char*, size_t n) {
        return n == 0 ? a == '#' : is_capital(a) || (a >= 'a' && a <= 'z') || a == '_';
      });
      char upper[SYLVO_SUGGESTION_SIZE] = {};
      for (size_t i = 1; i < t.n; ++i)
        upper[i - 1] = static_cast<char>(t.ascii[i] >= 'a' ? t.ascii[i] - 'a' + 'A' : t.ascii[i]);
      const char* like = keyword_like(upper, t.n - 1);
      if (!like) return;
      t.n = static_cast<size_t>(std::snprintf(t.ascii, sizeof t.ascii, "#%s", like));
      format =
          N_("{1} is typed in full width and copied as text: a directive is written in ASCII, {2}; "
             "no voice set changes");
    } else if (is_length_byte(c.ascii) && q == length_end_) {  // (KA)c８
      t = typed(q, end_, [](unsigned char a, const char*, size_t) { return is_length_byte(a); });
      format =
          N_("{1} is typed in full width and copied as text: a length is written in ASCII, {2}; "
             "the note before it takes the default length");
    } else {
      return;
    }
    taken_ = t.end;  // nothing it took warns again
    Advice advice;
    advice.explain(format, {Arg(q, static_cast<size_t>(t.end - q)), t.ascii});
    advice.suggest(t.ascii, t.n);
    problems_.add(SYLVO_WARNING, SYLVO_FULL_WIDTH, {run_.line.LINE_NO, q - start_},
                  static_cast<size_t>(t.end - q), advice);
  }

  // A warning on the '#' line at `hash`, `n` bytes after it.
  void inspect(const unsigned char* hash, size_t n, bool in_comment, bool indented) {
    DirectiveWarning w = inspect_directive(hash + 1, n, in_comment, indented);
    if (w.what == SYLVO_NO_WARNING) return;
    const unsigned char* from = w.at == 0 ? hash : hash + 1 + w.at;  // the word with its '#'
    Advice advice;
    advice.words = w.words;
    if (w.instead[0]) advice.suggest(w.instead, std::strlen(w.instead));
    problems_.add(SYLVO_WARNING, w.what, {run_.line.LINE_NO, from - start_},
                  w.size + (w.at == 0 ? 1 : 0), advice);
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

  // The bytes of a syllable from its '(' at `open` to `to`, at most a
  // few: what an explanation shows of it.
  static Arg shown(const unsigned char* open, const unsigned char* to) {
    size_t n = static_cast<size_t>(to - open);
    return Arg(open, n < 24 ? n : 24);
  }

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
    const unsigned char c = *f.from;
    const WideChar wide = f.from < f.end ? wide_char(f.from, f.end) : WideChar{0, false, 0};
    switch (f.wrong) {
      case Wrong::kLineTooLong:
      case Wrong::kCommentTooLong: {
        const void* nl = std::memchr(f.line, '\n', static_cast<size_t>(f.end - f.line));
        bool line = f.wrong == Wrong::kLineTooLong;
        if (nl) {
          Arg bytes(
              static_cast<unsigned long long>(static_cast<const unsigned char*>(nl) + 1 - f.line));
          a.explain(line ? N_("this line is {1} bytes, and a line holds at most {2}")
                         : N_("this line is {1} bytes, and the text after a comment's ';' or "
                              "'/', or a '#', holds at most {2}"),
                    {bytes, kLineMax});
        } else {
          a.explain(line ? N_("this line is longer than the {1} bytes a line holds")
                         : N_("this line is longer than the {1} bytes the text after a "
                              "comment's ';' or '/', or a '#', holds"),
                    {kLineMax});
        }
        return;
      }
      case Wrong::kKeyByte: {
        if (wide.full) {  // (ＫＡ)c: the key's letters in full width
          Typed t = typed(f.from, f.end, [](unsigned char x, const char*, size_t) {
            return is_capital(x) || (x >= 'a' && x <= 'z');
          });
          for (size_t i = 0; i < t.n; ++i)
            if (t.ascii[i] >= 'a') t.ascii[i] = static_cast<char>(t.ascii[i] - 'a' + 'A');
          if (t.n != 0 && t.n <= 3) {
            a.explain("{1} is typed in full width: a key is written in ASCII capitals, {2}",
                      {Arg(f.from, static_cast<size_t>(t.end - f.from)), t.ascii});
            a.suggest(t.ascii, t.n);
            *from = f.from, *to = t.end;
            return;
          }
          if (wide.ascii == ')') {  // (KA）c
            a.explain("{1} is typed in full width: a key ends with the ASCII ')'",
                      {Arg(f.from, wide.size)});
            a.suggest(")", 1);
            *from = f.from, *to = f.from + wide.size;
            return;
          }
        }
        // A key in lower case that is a key in capitals.
        char upper[kKeyLettersMax];
        size_t n = 0;
        bool lower = false, letters = true;
        const unsigned char *first = nullptr, *k = f.open + 1;
        for (; k < f.end && *k != ')'; ++k) {
          if (*k == '@') {
            k += 2;
            continue;
          }
          if (!first) first = k;
          bool small = *k >= 'a' && *k <= 'z';
          if (n == sizeof upper || (!small && !is_capital(*k))) {
            letters = false;
            break;
          }
          lower = lower || small;
          upper[n++] = static_cast<char>(small ? *k - 'a' + 'A' : *k);
        }
        char text[kKeyLettersMax + 1] = {};
        std::memcpy(text, upper, n);
        if (letters && lower && syllable_by_key(upper, n)) {
          a.explain("keys are capitals: {1}", {text});
          a.suggest(upper, n);
          *from = first, *to = k;  // the key's letters
          return;
        }
        const unsigned char* syllable_to = f.ends ? f.ends : f.to;
        if (c == ' ' || c == '\t') {
          a.explain(
              "a space inside {1}: a key is one to three capital letters right after '(', as in "
              "(KA)",
              {shown(f.open, syllable_to)});
        } else if (c == '\n' || c == '\r') {
          a.explain(
              "the line ends inside {1}: a syllable's key ends with ')' on its line, as in "
              "(KA)c",
              {shown(f.open, f.from)});
        } else if (c >= 0x80) {
          a.explain(
              "the character {1} cannot stand in a key: a key is one to three capital "
              "letters, as in (KA)",
              {Arg(f.from, wide.size)});
        } else {
          a.explain("{1} cannot stand in a key: a key is one to three capital letters, as in (KA)",
                    {byte_name(c).text});
        }
        return;
      }
      case Wrong::kFourthLetter:
        a.explain("{1} is not a syllable key: a key has at most three letters",
                  {Arg(key, key_size)});
        near_keys(key, key_size, suggest, &a);
        *from = f.key, *to = f.key + key_size;
        return;
      case Wrong::kUnknownKey:
        a.explain("{1} is not a syllable key", {Arg(key, key_size)});
        near_keys(key, key_size, suggest, &a);
        return;
      case Wrong::kNoNote: {
        // The syllable up to its ')', which is the byte before this one.
        Arg syllable = shown(f.open, f.from);
        char example[32];
        std::snprintf(example, sizeof example, "%.*sc", static_cast<int>(syllable.size),
                      syllable.at);
        if (wide.full && is_note_letter(wide.ascii)) {
          char ascii[2] = {static_cast<char>(wide.ascii), '\0'};
          a.explain("{1} is typed in full width: a note is written in ASCII, {2}",
                    {Arg(f.from, wide.size), ascii});
          a.suggest(ascii, 1);
          *from = f.from, *to = f.from + wide.size;
        } else if (c == '\n' || c == '\r') {
          a.explain(
              "the line ends before the note of {1}: a syllable takes its note right after "
              "its ')', as in {2}",
              {syllable, example});
        } else if (c == ' ' || c == '\t') {
          a.explain(
              "a space stands between {1} and its note: a syllable takes its note right "
              "after its ')', as in {2}",
              {syllable, example});
        } else {
          a.explain("{1} takes a note after its ')': a to g, w or k, not {2}",
                    {syllable, c >= 0x80 ? Arg(f.from, wide.size) : Arg(byte_name(c).text)});
        }
        return;
      }
      case Wrong::kLooseNote:
        if (f.from == f.end || c == '\n' || c == '\r') {
          return a.explain(
              "the line ends after a ')' outside a syllable, which takes a note after it: a to "
              "g, "
              "w or k");
        }
        return a.explain("a ')' outside a syllable takes a note after it: a to g, w or k, not {1}",
                         {c >= 0x80 ? Arg(f.from, wide.size) : Arg(byte_name(c).text)});
      case Wrong::kEndInSyllable:
        return a.explain("the file ends inside {1}", {shown(f.open, f.end)});
      case Wrong::kOverride: {
        // f.from is the '@'; its vowel and digit follow, if the line has them.
        const unsigned char* vowel = f.from + 1;
        const unsigned char* digit = f.from + 2;
        if (vowel >= f.end || (f.kind == SYLVO_SYNTAX && digit >= f.end))
          return a.explain("the file ends inside {1}", {shown(f.open, f.end)});
        if (f.kind == SYLVO_INTERNAL_ERROR) {
          return a.explain(
              "'@' takes a vowel, A, I, U, E or O, and then a digit, as in (@I2KI): {1} is no "
              "vowel",
              {*vowel >= 0x80 ? Arg(vowel, wide_char(vowel, f.end).size)
                              : Arg(byte_name(*vowel).text)});
        }
        return a.explain(
            "'@' takes a vowel, A, I, U, E or O, and then a digit, as in (@I2KI): {1} is no "
            "digit",
            {*digit >= 0x80 ? Arg(digit, wide_char(digit, f.end).size)
                            : Arg(byte_name(*digit).text)});
      }
      case Wrong::kVoiceSet: {
        const unsigned char *from = f.from, *to = f.from;
        while (from > f.line && is_digit(from[-1])) --from;
        while (to < f.end && is_digit(*to) && to - from < 20) ++to;
        return a.explain("voice set {1}: voice sets are 0 to 9",
                         {Arg(from, static_cast<size_t>(to - from))});
      }
    }
  }

  // An ASCII byte as a message names it: 'x', or what it is where it shows
  // no letter.
  struct ByteName {
    char text[16];
  };
  static ByteName byte_name(unsigned char c) {
    ByteName name;
    // Words as arguments: a client translates them as it does the format.
    const char* words = c == '\n' || c == '\r' ? N_("the line's end")
                        : c == ' '             ? N_("a space")
                        : c == '\t'            ? N_("a tab")
                        : c == 0               ? N_("a zero byte")
                                               : nullptr;
    if (words) {
      std::snprintf(name.text, sizeof name.text, "%s", words);
    } else if (c > ' ' && c < 0x7F) {
      std::snprintf(name.text, sizeof name.text, "'%c'", c);
    } else {
      std::snprintf(name.text, sizeof name.text, "byte 0x%02X", c);
    }
    return name;
  }

  // A note after an unknown key: the table's keys one edit from it.
  void note_near_keys(const notation::Fault& f, size_t n, const Advice& advice) {
    char keys[SYLVO_ARGUMENT_SIZE];
    size_t used = 0;
    size_t kept = advice.count < SYLVO_SUGGESTIONS_MAX ? advice.count : SYLVO_SUGGESTIONS_MAX;
    for (size_t i = 0; i < kept && used < sizeof keys; ++i) {
      used += static_cast<size_t>(std::snprintf(keys + used, sizeof keys - used, "%s%s",
                                                i ? ", " : "", advice.suggestions[i]));
    }
    Advice note = advice;  // the keys alone: the error explains
    note.explain("{1} is no key; keys one edit away: {2}", {Arg(f.key, n), keys});
    problems_.add(SYLVO_NOTE, SYLVO_NEAR_KEYS, {run_.line.LINE_NO, f.key - f.line}, n, note);
  }

  // A warning that the syllable with key `row` takes the length an 'l'
  // emptied.
  void warn_emptied(const SyllableRow& row) {
    emptied_.pending = false;
    Advice advice;
    advice.explain(emptied_.in_comment
                       ? N_("'l' sets the default length to nothing: the syllables after it take "
                            "no length, the first ({1}) on line {2}; this 'l' is inside a block "
                            "comment, where 'l' acts too")
                       : N_("'l' sets the default length to nothing: the syllables after it take "
                            "no length, the first ({1}) on line {2}"),
                   {row.key, run_.line.LINE_NO});
    problems_.add(SYLVO_WARNING, SYLVO_EMPTY_LENGTH, {emptied_.line, emptied_.column}, 1, advice);
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
    Advice advice;
    advice.explain(stray_.in_word
                       ? N_("'l{1}' sets the default length to {1}: the syllables after it take "
                            "it, the first ({2}) on line {3}; this 'l' is in the word '{4}', "
                            "where 'l' acts too")
                       : N_("'l{1}' sets the default length to {1}: the syllables after it take "
                            "it, the first ({2}) on line {3}; this 'l' is inside a block "
                            "comment, where 'l' acts too"),
                   {stray_.length, row.key, run_.line.LINE_NO, stray_.word});
    problems_.add(SYLVO_WARNING, SYLVO_STRAY_LENGTH, stray_.at, stray_.size, advice);
  }

  Run& run_;
  Problems& problems_;
  const unsigned char* start_ = nullptr;       // the current line's first byte
  const unsigned char* end_ = nullptr;         // the window's end
  const unsigned char* taken_ = nullptr;       // the characters before this are looked at
  const unsigned char* length_end_ = nullptr;  // after the last syllable or 'l' and its length
  unsigned char length_[kLengthMax] = {};      // the default length as the last 'l' set it
  size_t length_size_ = 0;

  // The stray 'l' that last changed the default length, to warn of when a
  // syllable takes it.
  struct Stray {
    bool pending;
    Place at;
    size_t size;  // the 'l' and its length
    char length[kLengthMax + 1];
    bool in_word;
    char word[kLengthMax + 16];  // the word it stands in
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
