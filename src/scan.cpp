#include "scan.h"

#include <cstdio>
#include <cstring>

#include "directive.h"
#include "header.h"
#include "report.h"
#include "run.h"
#include "syllable.h"

#if defined(__SSE2__) && !defined(SYLVO_PORTABLE)
#include <emmintrin.h>
#define SYLVO_SSE2 1
#endif

namespace {

// What a byte starts outside a syllable. Every other byte is copied as it is.
enum Construct : unsigned char {
  kCopied,         // any byte not in kActing
  kNewline,        // the next line begins
  kComment,        // ';': the rest of the line is copied unconverted
  kSlash,          // '/': a block comment before '*', else a line comment
  kStar,           // '*': closes a block comment before '/', inside one
  kSyllable,       // '(': a syllable
  kLooseNote,      // ')': a note and length copied without their ')'
  kLengthCommand,  // 'l': a new default length
};

struct Acting {
  unsigned char byte;
  Construct construct;
};

// The bytes the scanner acts on. The class table, the bytes that stop a run
// of copied text, and the vector search for them are all made from it.
constexpr Acting kActing[] = {
    {'\n', kNewline}, {';', kComment},   {'/', kSlash},         {'*', kStar},
    {'(', kSyllable}, {')', kLooseNote}, {'l', kLengthCommand},
};

// What a byte may be in a note and its length.
enum NotePart : unsigned char {
  kNoteLetter = 1,  // 'a' to 'g', 'w', 'k': a note's first byte
  kSign = 2,        // '+', '-': its second
  kLengthLead = 4,  // '%', '#', '0' to '9': a length text's first byte
  kLengthByte = 8,  // '.', '0' to '9': any byte after it
};

// Every byte maps to its construct and its note parts through 256-entry
// tables: a load instead of a search of the list or a chain of compares.
// `stop` marks, outside and inside a block comment, the bytes that end a
// run of copied text, which is skipped at once.
struct ByteTables {
  Construct of[256];
  bool stop[2][256];
  unsigned char part[256];
};

constexpr ByteTables build_tables() {
  ByteTables t{};
  for (const Acting& a : kActing) t.of[a.byte] = a.construct;
  for (int c = 0; c < 256; ++c) {
    for (int in_comment = 0; in_comment < 2; ++in_comment)  // '*' only where it may close one
      t.stop[in_comment][c] = t.of[c] != kCopied && (t.of[c] != kStar || in_comment);
    bool note = (c >= 'a' && c <= 'g') || c == 'w' || c == 'k', sign = c == '+' || c == '-';
    t.part[c] = static_cast<unsigned char>((note ? kNoteLetter : 0) | (sign ? kSign : 0) |
                                           (c == '%' || c == '#' || is_digit(c) ? kLengthLead : 0) |
                                           (c == '.' || is_digit(c) ? kLengthByte : 0));
  }
  return t;
}

constexpr ByteTables kTables = build_tables();

constexpr bool is(unsigned char c, NotePart part) { return (kTables.part[c] & part) != 0; }

// Finds the next stop byte: sixteen bytes at a time where SSE2 is there, a
// table loop elsewhere; both stop at the bytes of kActing. The vector loads
// may reach past `stop` into the input buffer's slack, never past it.
struct StopFinder {
#ifdef SYLVO_SSE2
  // The bytes that stop a run everywhere: all but '*', which stops it only
  // in a block comment (outside one, a second newline that changes nothing).
  // Two bytes that differ only in the low bit, '(' and ')', share a compare
  // of the byte with that bit cleared.
  __m128i masks[sizeof kActing / sizeof kActing[0] - 1], bytes[sizeof masks / sizeof masks[0]];
  int compares = 0;
  __m128i star = _mm_set1_epi8('*'), newline = _mm_set1_epi8('\n');

  StopFinder() {
    for (const Acting& a : kActing) {
      if (a.construct == kStar) continue;
      bool pair = kTables.of[a.byte ^ 1] != kCopied && kTables.of[a.byte ^ 1] != kStar;
      if (pair && (a.byte & 1)) continue;  // its even twin compares for both
      masks[compares] = _mm_set1_epi8(static_cast<char>(pair ? ~1 : ~0));
      bytes[compares++] = _mm_set1_epi8(static_cast<char>(a.byte));
    }
  }

  // The first stop byte in [q, stop), or `stop`.
  const unsigned char* operator()(const unsigned char* q, const unsigned char* stop,
                                  bool in_comment) const {
    const __m128i maybe = in_comment ? star : newline;
    for (; q < stop; q += 16) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
      __m128i hit = _mm_cmpeq_epi8(v, maybe);
      for (int i = 0; i < compares; ++i) {
        hit = _mm_or_si128(hit, _mm_cmpeq_epi8(_mm_and_si128(v, masks[i]), bytes[i]));
      }
      if (int mask = _mm_movemask_epi8(hit)) {
        q += __builtin_ctz(static_cast<unsigned>(mask));
        return q < stop ? q : stop;
      }
    }
    return stop;
  }
#else
  const unsigned char* operator()(const unsigned char* q, const unsigned char* stop,
                                  bool in_comment) const {
    const bool* stops = kTables.stop[in_comment];
    while (q < stop && !stops[*q]) ++q;
    return q;
  }
#endif
};

// Converts the whole lines the reader holds, one window at a time. Every
// construct is taken by one function from its first byte, with the rest of
// its line in view; nothing is pending at a window's end but what lasts
// from line to line (a block comment, the default length, the voices). The
// scanner may read 16 bytes from any byte of a window: the reader's zeros
// follow the input.
//
// A line stores at most kLineMax bytes: every byte looked at, but the two
// after an override's '@' and the rest of a comment or '#' line (which have
// a limit of their own). LineBuf gets the line only when a message echoes
// it, and at each override, whose bytes it leaves out.
class Scanner {
 public:
  explicit Scanner(Run& run)
      : run_(run), in_(run.in), out_(run.out), line_(run.line), s_(run.scan) {}

  // Converts to the end of input. A check goes on after each failure the
  // scanner can pass, as the failing site says, and counts it.
  void run() {
    const unsigned char* q = nullptr;  // where to go on in the window; null: a new one
    for (;;) {
      try {
        windows(q);
        return;
      } catch (const Failure& failure) {
        if (!run_.problems || !fault_.from) throw;
        q = go_on(failure);
      }
    }
  }

 private:
  void windows(const unsigned char* q) {
    // Made here, not passed in: as a local no store to the output can
    // change it, and its masks stay in registers.
    const StopFinder find_stop;
    if (q && fault_.new_line) {  // on after a '#' line that failed
      fault_ = {};
      q = begin_line(q, 1);
    }
    for (;;) {
      if (!q) {
        end_ = in_.lines();
        q = in_.cur;
        if (q == end_) return;  // the end of input
        copied_ = q;
        q = begin_line(q, 0);
      }
      for (;;) {
        q = find_stop(q, stop_, s_.in_block_comment);
        if (q == end_) break;
        if (q == stop_) too_long(q);
        switch (kTables.of[*q]) {
          case kNewline: q = begin_line(q + 1, 1); break;
          case kComment: q = comment(q + 1); break;
          case kSlash: q = slash(q); break;
          case kStar: q = star(q); break;
          case kSyllable:  // back to back, or one copied byte between: the next with no search
            for (;;) {     // (*end_ is no '(': a syllable ends before a newline or the zero)
              q = syllable(q);
              if (*q == '(') continue;
              if (q + 1 >= stop_ || q[1] != '(' || kTables.stop[s_.in_block_comment][*q]) break;
              ++q;
            }
            break;
          case kLooseNote: q = loose_note(q); break;
          case kLengthCommand: q = length_command(q); break;
          case kCopied: ++q; break;  // never: only acting bytes stop
        }
      }
      copy_through(end_);
      in_.cur = end_;
      q = nullptr;
    }
  }

  Run& run_;
  Reader& in_;
  Writer& out_;
  Line& line_;
  ScanState& s_;
  const unsigned char* end_ = nullptr;     // the window's end: after a newline, or the end of input
  const unsigned char* start_ = nullptr;   // the current line's first byte
  const unsigned char* echoed_ = nullptr;  // the line's bytes before this are in LineBuf
  const unsigned char* copied_ = nullptr;  // the input before this is written or replaced
  size_t room_ = kLineMax;                 // too far from start_ to store; 2 more an override
  const unsigned char* stop_ = nullptr;    // start_ + room_, or end_ if that comes first

  // Where the last failure stands, for a check to go on: the bytes at fault,
  // and where the scan goes on (null: at the next line).
  struct Fault {
    const unsigned char* from;
    const unsigned char* to;
    const unsigned char* resume;
    bool new_line;             // `resume` begins the next line
    const unsigned char* key;  // an unknown key's first letter, or null
  } fault_{};

  // Counts the failure the scan has just thrown, and returns where it goes
  // on in the window, or null after skipping the rest of the line.
  const unsigned char* go_on(const Failure& failure) {
    Fault f = fault_;
    fault_ = {nullptr, nullptr, nullptr, f.new_line, nullptr};
    run_.problems->add(SYLVO_ERROR, failure.kind, failure.where, f.from - start_,
                       static_cast<size_t>(f.to - f.from), line_);
    if (f.key) note_near_keys(f.key);
    if (f.resume) return copied_ = f.resume;
    in_.cur = f.from;
    if (in_.skip_line()) ++line_.LINE_NO;
    return nullptr;
  }

  void set_room(size_t room) {
    room_ = room;
    stop_ = static_cast<size_t>(end_ - start_) > room ? start_ + room : end_;
  }

  // The one place where lines are counted: the line that starts at q becomes
  // the current one after `ended` lines (0 or 1) were finished; '#' lines at
  // its start are taken whole, each counted when done.
  const unsigned char* begin_line(const unsigned char* q, int ended) {
    line_.LINE_NO += static_cast<unsigned>(ended);
    for (;;) {
      start_ = echoed_ = q;
      set_room(kLineMax);
      line_.pos = 0;
      if (q == end_ || *q != '#') {
        if (run_.problems && (*q == ' ' || *q == '\t')) inspect_indented(q);
        return q;
      }
      q = directive(q);
      ++line_.LINE_NO;
    }
  }

  // A '#' line: a voice-set directive becomes a ";#" comment; any other, or
  // any inside a block comment, is copied as it is. Returns the line's end. A
  // failure echoes the line after its '#'.
  const unsigned char* directive(const unsigned char* q) {
    long n = line_size(q + 1, end_);
    if (n < 0) too_long(q + 1 + kLineMax);
    if (s_.in_block_comment) {
      if (run_.problems) inspect(q, static_cast<size_t>(n), true, false);
      return q + 1 + n;
    }
    Directive d = apply_directive(run_.voices, q + 1, static_cast<size_t>(n));
    if (d.failure != SYLVO_COMPLETED) {
      echoed_ = q + 1;
      echo_through(q + n);
      const unsigned char* at = q + 1 + d.at;
      fault_ = {at, at + 1, q + 1 + n, true, nullptr};  // on at the next line
      fail(d.failure, {line_.LINE_NO, at - start_});
    }
    if (run_.problems) inspect(q, static_cast<size_t>(n), false, false);
    if (d.applied) {
      copy_through(q);
      out_.put(';');
    }
    return q + 1 + n;
  }

  // A check's warning on the '#' line at `hash`, `n` bytes after it.
  void inspect(const unsigned char* hash, size_t n, bool in_comment, bool indented) {
    DirectiveWarning w = inspect_directive(hash + 1, n, in_comment, indented);
    if (w.what == SYLVO_NO_WARNING) return;
    const unsigned char* from = w.at == 0 ? hash : hash + 1 + w.at;  // the word with its '#'
    run_.problems->add(SYLVO_WARNING, w.what, {line_.LINE_NO, from - start_},
                       w.size + (w.at == 0 ? 1 : 0), w.message);
  }

  // A check's warning on a line whose first '#' has only blanks before it.
  void inspect_indented(const unsigned char* q) {
    while (q < end_ && (*q == ' ' || *q == '\t')) ++q;
    if (q == end_ || *q != '#') return;
    const void* nl = std::memchr(q, '\n', static_cast<size_t>(end_ - q));
    const unsigned char* line_end = nl ? static_cast<const unsigned char*>(nl) : end_;
    inspect(q, static_cast<size_t>(line_end - q - 1), false, true);
  }

  // The rest of a line after ';' or a comment's '/' and its next byte, from
  // q, copied unconverted.
  const unsigned char* comment(const unsigned char* q) {
    long n = line_size(q, end_);
    if (n < 0) too_long(q + kLineMax);
    return begin_line(q + n, 1);
  }

  // '/' opens a block comment before '*', and makes the rest of the line a
  // comment before any byte but a newline.
  const unsigned char* slash(const unsigned char* q) {
    const unsigned char* next = q + 1;
    if (next == end_) return next;
    check_room(next);
    if (*next == '*') {  // this '*' closes nothing
      s_.in_block_comment = true;
      return next + 1;
    }
    return *next == '\n' ? next : comment(next + 1);
  }

  // '*' inside a block comment closes it before '/'; that '/' begins nothing.
  const unsigned char* star(const unsigned char* q) {
    const unsigned char* next = q + 1;
    if (next == end_ || *next != '/') return next;
    check_room(next);
    s_.in_block_comment = false;
    return next + 1;
  }

  // 'l' and the length text after it, which becomes the default length; both
  // are copied as they are.
  const unsigned char* length_command(const unsigned char* q) {
    const unsigned char *from = q + 1, *r = from;
    if (is(*r, kLengthLead)) ++r;  // the buffer's 0 after the input stops these
    while (static_cast<size_t>(r - from) < kLengthMax && is(*r, kLengthByte)) ++r;
    if (r != from) check_room(r - 1);
    s_.default_size = static_cast<unsigned>(r - from);
    std::memcpy(s_.DefaultLength, from, kLengthMax);  // a fixed size, no call
    if (run_.problems) {
      bool lead =
          q > start_ && ((q[-1] >= 0x81 && q[-1] <= 0x9F) || (q[-1] >= 0xE0 && q[-1] <= 0xFC));
      emptied_ = {r == from, s_.in_block_comment, lead, line_.LINE_NO, q - start_};
    }
    return r;
  }

  // A check's note after an unknown key, the capitals from `key` on: the
  // table's keys one edit from it.
  void note_near_keys(const unsigned char* key) {
    char letters[8];
    size_t n = 0;
    while (n < sizeof letters && key + n < end_ && key[n] >= 'A' && key[n] <= 'Z') {
      letters[n] = static_cast<char>(key[n]);
      ++n;
    }
    char keys[200], text[260];
    if (n == 0 || near_keys(letters, n, keys, sizeof keys) == 0) return;
    std::snprintf(text, sizeof text, "%.*s is no key; keys one edit away: %s", static_cast<int>(n),
                  letters, keys);
    run_.problems->add(SYLVO_NOTE, SYLVO_NEAR_KEYS, {line_.LINE_NO, key - start_}, n, text);
  }

  // The 'l' that last emptied the default length, for a check to warn of
  // when a syllable takes it.
  struct Emptied {
    bool pending;  // no 'l' with a length, nor a syllable that took it, since
    bool in_comment;
    bool after_lead;  // after a byte that can lead a Shift-JIS character
    unsigned long long line;
    long long column;
  } emptied_{};

  // A check's warning that the syllable at q, key `row`, takes the length an
  // 'l' emptied.
  void warn_emptied(const SyllableRow& row) {
    emptied_.pending = false;
    char text[300];
    std::snprintf(text, sizeof text,
                  "'l' sets the default length to nothing: the syllables after it take no "
                  "length, the first (%s) on line %llu%s",
                  row.key, line_.LINE_NO,
                  emptied_.in_comment ? "; this 'l' is inside a block comment, where 'l' acts too"
                  : emptied_.after_lead
                      ? "; this 'l' may be the second byte of a Shift-JIS character, and acts "
                        "all the same"
                      : "");
    run_.problems->add(SYLVO_WARNING, SYLVO_EMPTY_LENGTH, {emptied_.line, emptied_.column}, 1,
                       text);
  }

  // ')' outside a syllable must be followed by a note; the ')' is dropped, the
  // note and its length are copied as they are.
  const unsigned char* loose_note(const unsigned char* q) {
    const unsigned char* note = q + 1;
    if (note == end_) refuse(SYLVO_SYNTAX, q, note);
    check_room(note);
    if (!is(*note, kNoteLetter)) refuse(SYLVO_SYNTAX, note, note + 1);
    copy_through(q);
    copied_ = note;
    return note;
  }

  // The two bytes after an override's '@' at q, neither stored nor counted.
  const unsigned char* voice_override(const unsigned char* q) {
    int letter = q + 1 < end_ ? q[1] : kEnd, digit = q + 2 < end_ ? q[2] : kEnd;
    sylvo_kind failure = apply_override(run_.voices, letter, digit);
    if (failure != SYLVO_COMPLETED) refuse(failure, q, q + 1);
    check_room(q);
    echo_through(q);
    echoed_ = q + 3;
    set_room(room_ + 2);
    return q + 3;
  }

  // A syllable's key from r, after its '(', byte by byte: letters and
  // overrides up to ')'. Returns the byte after the ')', with the key's code.
  const unsigned char* key(const unsigned char* r, unsigned* code) {
    size_t j = 0;  // key letters taken: a fourth is refused at the next byte
    for (;;) {
      if (r == end_) refuse(SYLVO_SYNTAX, r - 1, r);
      unsigned letter = static_cast<unsigned>(*r - 'A');
      if (letter < 26 && j < 4) {
        *code = *code * 27 + letter + 1;  // past three letters no lookup is made
        ++j, ++r;
      } else if (*r == ')' && j < 4) {
        return r + 1;
      } else if (*r == '@') {
        r = voice_override(r);
      } else {
        if (j == 4 && (letter < 26 || *r == ')')) {  // a fourth letter: name the keys near it
          const unsigned char* first = r;
          while (first[-1] >= 'A' && first[-1] <= 'Z') --first;
          fault_.key = first;
        }
        refuse(SYLVO_ILLEGAL_TOKEN, r, syllable_end(r));
      }
    }
  }

  // Where a check goes on after a syllable whose key byte at r is refused:
  // after its ')', or at a '(' or newline before any ')'. The note and
  // length after the ')' are bytes the scan copies and does not act on.
  const unsigned char* syllable_end(const unsigned char* r) const {
    while (r < end_ && *r != ')' && *r != '(' && *r != '\n') ++r;
    return r < end_ && *r == ')' ? r + 1 : r;
  }

  // A syllable from its '(' at q: a key, a note, a length text; expanded in
  // place of all of it. Returns the byte that ended it, which is looked at
  // again as any byte. At the end of input a syllable with its note letter is
  // expanded, an unfinished one refused.
  const unsigned char* syllable(const unsigned char* q) {
    // The common key, one to three capitals and ')', is taken straight; a byte
    // is looked at only after a capital, so never past the window's end.
    const unsigned char* r = q + 1;
    auto capital = [](unsigned char c) { return static_cast<unsigned>(c - 'A') < 26; };
    auto letter = [](unsigned char c) { return c - 'A' + 1u; };
    unsigned code = 0;
    if (capital(r[0]) && r[1] == ')') {
      code = letter(r[0]), r += 2;
    } else if (capital(r[0]) && capital(r[1]) && r[2] == ')') {
      code = letter(r[0]) * 27 + letter(r[1]), r += 3;
    } else if (capital(r[0]) && capital(r[1]) && capital(r[2]) && r[3] == ')') {
      code = (letter(r[0]) * 27 + letter(r[1])) * 27 + letter(r[2]), r += 4;
    } else {
      r = key(r, &code);
    }

    if (r == end_) refuse(SYLVO_SYNTAX, r - 1, r);
    if (!is(*r, kNoteLetter)) refuse(SYLVO_SYNTAX, r, r + 1);
    const unsigned char* note = r++;
    if (is(*r, kSign)) ++r;
    size_t note_size = static_cast<size_t>(r - note);

    // The length: its own, or the default one and any digits and dots after.
    const unsigned char* from = r;
    bool own = is(*r, kLengthLead);
    size_t held = own ? 0 : s_.default_size;
    if (own) ++r, ++held;
    while (held < kLengthMax && is(*r, kLengthByte)) ++r, ++held;
    const unsigned char* last = r == end_ ? r - 1 : r;  // the byte that ended it
    check_room(last);
    unsigned char joined[kLengthMax];  // the default length, then any digits and dots after
    const unsigned char* length = own ? from : r == from ? s_.DefaultLength : joined;
    if (length == joined) {
      std::memcpy(joined, s_.DefaultLength, s_.default_size);
      std::memcpy(joined + s_.default_size, from, static_cast<size_t>(r - from));
    }

    const SyllableRow* row = syllable_by_code(code);
    if (!row) {
      fault_.key = q + 1;                          // a check names the keys one edit away
      refuse(SYLVO_ILLEGAL_TOKEN, last, r, q, r);  // the whole syllable at fault
    }
    if (!own && s_.default_size == 0 && emptied_.pending) warn_emptied(*row);
    copy_through(q);
    copied_ = r;
    // Made in the output buffer where it has the room: copying a text just
    // made would stall on its many small stores.
    unsigned char local[kExpansionMax];
    unsigned char* to = out_.room(kExpansionMax);
    size_t n = make_expansion(run_.voices, *row, note, note_size, length, held, to ? to : local);
    to ? out_.commit(n) : out_.write(local, n);
    return r;
  }

  // Fails the run if the line may not store the byte at q (before end_), at
  // the first byte it could not store.
  void check_room(const unsigned char* q) {
    if (q >= stop_) too_long(start_ + room_);
  }

  // Fails with "Can't read file": the line is too long at q.
  [[noreturn]] void too_long(const unsigned char* q) {
    fault_ = {q, q + (q < end_ ? 1 : 0), nullptr, false, nullptr};
    fail(SYLVO_CANT_READ, {line_.LINE_NO, q - start_});
  }

  // Fails with `kind`, echoing the line up to `last`, the offending byte,
  // unless storing that byte had already failed. A check goes on at
  // `resume`, with [from, to) at fault (null: `last` alone).
  [[noreturn]] void refuse(sylvo_kind kind, const unsigned char* last, const unsigned char* resume,
                           const unsigned char* from = nullptr, const unsigned char* to = nullptr) {
    check_room(last);
    echo_through(last);
    fault_ = {from ? from : last, to ? to : last + (last < end_ ? 1 : 0), resume, false,
              fault_.key};
    fail(kind, {line_.LINE_NO, last - start_});
  }

  // Adds the line's bytes from echoed_ through `last` to LineBuf.
  void echo_through(const unsigned char* last) {
    size_t n = static_cast<size_t>(last + 1 - echoed_);
    std::memcpy(line_.LineBuf + line_.pos, echoed_, n);
    line_.pos += n;
    echoed_ = last + 1;
  }

  // Writes the input up to `to` that is still to be written as it is; a few
  // bytes, as between syllables, in one 16-byte copy.
  void copy_through(const unsigned char* to) {
    size_t n = static_cast<size_t>(to - copied_);
    if (n > 16) {
      out_.write(copied_, n);
    } else if (n != 0) {
      out_.write_padded<16>(copied_, n);
    }
    copied_ = to;
  }
};

}  // namespace

void scan(Run& run) {
  run.voices = Voices{};  // every set 0
  std::memset(&run.scan, 0, sizeof run.scan);
  run.line.pos = 0;
  Scanner(run).run();
}
