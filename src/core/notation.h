// The one reader of the notation after the header: it recognises each
// construct (a syllable with its key, overrides, note and length; 'l' with
// its length; a ')' before a note; comments; '#' lines), keeps the state
// that lasts from line to line (a block comment, the default length, the
// voice sets, the line and its number), and hands each construct with its
// bytes, and each fault with where the reading goes on, to a listener. It
// writes nothing and decides nothing: converting, checking, fitting lyrics,
// colouring and answering an editor are listeners.
//
// A listener is a type with these members, each called with pointers into
// the current window of the input:
//   static constexpr bool kNotes;  // also hand over notes, rests, ties and
//                                  // letters outside syllables (slower)
//   static constexpr bool kWide;   // also hand over each byte 0x80-0xFF
//                                  // outside all else and block comments
//   void line(const unsigned char* start, const unsigned char* end);
//                                  // a line begins ('#' lines too), in a
//                                  // window that ends at `end`
//   void directive(const DirectiveLine&);
//   void comment(const unsigned char* from, const unsigned char* to);
//   void block(const unsigned char* at, bool opens);  // "/*" or "*/"
//   void length_command(const LengthCommand&);
//   void loose_note(const unsigned char* paren);  // ')' before a note
//   void syllable(const Syllable&);
//   void note(const unsigned char* at);  // with kNotes: a letter or '&'
//                                        // outside all else
//   const unsigned char* wide(const unsigned char* at);  // with kWide: such
//                                  // a byte; returns the end of the
//                                  // characters it took (past `at`)
//   void begin_window(const unsigned char* at);  // the reading goes on at
//                                                // `at`, in a new window
//   void end_window(const unsigned char* end);   // all before `end` is read
//   void fault(const Fault&);  // may throw to end the reading; if it
//                              // returns, the reading goes on where the
//                              // fault says the construct ends
// The listener is a template argument, so that a conversion pays for no
// call it does not make: empty members cost nothing. The reader holds the
// listener by value, as its own state; a reference type as L leaves it the
// caller's, to read after the reading.
#pragma once

#include <cstring>
#include <type_traits>

#include "core/directive.h"
#include "core/report.h"
#include "core/run.h"
#include "core/syllable.h"

#if defined(__SSE2__) && !defined(SYLVO_PORTABLE)
#include <emmintrin.h>
#define SYLVO_SSE2 1
#endif

namespace notation {

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

// The bytes the reader acts on. The class table, the bytes that stop a run
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
// run of copied text, which is skipped at once; `stop_notes` adds the
// letters and '&' for a listener that wants notes, `stop_wide` the bytes
// 0x80-0xFF outside a block comment for one that wants those.
struct ByteTables {
  Construct of[256];
  bool stop[2][256];
  bool stop_notes[2][256];
  bool stop_wide[2][256];
  unsigned char part[256];
};

constexpr ByteTables build_tables() {
  ByteTables t{};
  for (const Acting& a : kActing) t.of[a.byte] = a.construct;
  for (int c = 0; c < 256; ++c) {
    for (int in_comment = 0; in_comment < 2; ++in_comment) {  // '*' only where it may close one
      t.stop[in_comment][c] = t.of[c] != kCopied && (t.of[c] != kStar || in_comment);
      t.stop_notes[in_comment][c] =
          t.stop[in_comment][c] || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '&';
      t.stop_wide[in_comment][c] = t.stop[in_comment][c] || (c >= 0x80 && !in_comment);
    }
    bool note = (c >= 'a' && c <= 'g') || c == 'w' || c == 'k', sign = c == '+' || c == '-';
    t.part[c] = static_cast<unsigned char>((note ? kNoteLetter : 0) | (sign ? kSign : 0) |
                                           (c == '%' || c == '#' || is_digit(c) ? kLengthLead : 0) |
                                           (c == '.' || is_digit(c) ? kLengthByte : 0));
  }
  return t;
}

constexpr ByteTables kTables = build_tables();

constexpr bool is(unsigned char c, NotePart part) { return (kTables.part[c] & part) != 0; }

// Whether `c` and the byte that differs from it in the low bit both act.
constexpr bool pairs(unsigned char c) {
  return kTables.of[c] != kCopied && kTables.of[c ^ 1] != kCopied && kTables.of[c ^ 1] != kStar;
}

// How many compares of a 16-byte load the stop finder makes: a number the
// compiler knows, so that it unrolls the loop.
constexpr int count_compares() {
  int n = 0;
  for (const Acting& a : kActing) n += a.construct != kStar && !(pairs(a.byte) && (a.byte & 1));
  return n;
}

constexpr int kCompares = count_compares();

// The masks and bytes of the stop finder's compares, as constant data: each
// compare takes them from memory as an operand, and no register holds them
// (in a reader whose listener leaves few registers free they would be
// spilled and reloaded at every load of the input).
struct Compares {
  alignas(16) unsigned char mask[kCompares][16];
  alignas(16) unsigned char byte[kCompares][16];
};
constexpr Compares build_compares() {
  Compares c{};
  int i = 0;
  for (const Acting& a : kActing) {
    if (a.construct == kStar || (pairs(a.byte) && (a.byte & 1))) continue;  // its even twin
    for (int k = 0; k < 16; ++k) {                                          // compares for both
      c.mask[i][k] = static_cast<unsigned char>(pairs(a.byte) ? 0xFE : 0xFF);
      c.byte[i][k] = a.byte;
    }
    ++i;
  }
  return c;
}
inline constexpr Compares kCompared = build_compares();

// Finds the next stop byte: sixteen bytes at a time where SSE2 is there, a
// table loop elsewhere; both stop at the bytes of kActing. The vector loads
// may reach past `stop` into the input buffer's slack, never past it.
struct StopFinder {
#ifdef SYLVO_SSE2
  // The bytes that stop a run everywhere: all but '*', which stops it only
  // in a block comment (outside one, a second newline that changes nothing).
  // Two bytes that differ only in the low bit, '(' and ')', share a compare
  // of the byte with that bit cleared.
  __m128i star = _mm_set1_epi8('*'), newline = _mm_set1_epi8('\n');

  // The first stop byte in [q, stop), or `stop`; with `kWide` a byte
  // 0x80-0xFF stops too.
  template <bool kWide = false>
  const unsigned char* find(const unsigned char* q, const unsigned char* stop,
                            bool in_comment) const {
    const __m128i maybe = in_comment ? star : newline;
    for (; q < stop; q += 16) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
      __m128i hit = _mm_cmpeq_epi8(v, maybe);
      for (int i = 0; i < kCompares; ++i) {
        const __m128i mask = _mm_load_si128(reinterpret_cast<const __m128i*>(kCompared.mask[i]));
        const __m128i byte = _mm_load_si128(reinterpret_cast<const __m128i*>(kCompared.byte[i]));
        hit = _mm_or_si128(hit, _mm_cmpeq_epi8(_mm_and_si128(v, mask), byte));
      }
      // A listener of wide characters is handed none in a block comment.
      if (kWide && !in_comment) hit = _mm_or_si128(hit, v);  // movemask reads the top bits
      if (int mask = _mm_movemask_epi8(hit)) {
        q += __builtin_ctz(static_cast<unsigned>(mask));
        return q < stop ? q : stop;
      }
    }
    return stop;
  }
#else
  template <bool kWide = false>
  const unsigned char* find(const unsigned char* q, const unsigned char* stop,
                            bool in_comment) const {
    const bool* stops = (kWide ? kTables.stop_wide : kTables.stop)[in_comment];
    while (q < stop && !stops[*q]) ++q;
    return q;
  }
#endif
};

/// A syllable from its '(' to the byte after its note and length.
struct Syllable {
  const unsigned char* open;   // its '('
  const unsigned char* key;    // the first byte after '(' (an override, or the key)
  const unsigned char* close;  // its ')'
  const unsigned char* note;   // the note, `note_size` bytes: a letter and any sign
  size_t note_size;
  const unsigned char* own;     // its own length text, or null: the default length
  const unsigned char* length;  // the length text, `held` bytes (the default one, perhaps
  size_t held;                  // with digits and dots after the note joined to it)
  const unsigned char* end;     // the byte after it, which is read again as any
  const SyllableRow* row;       // null for a key not in the table (after its fault)
  bool in_comment;              // inside a block comment, where it is converted all the same
};

/// An 'l' and the length text after it, from `from` to `end`.
struct LengthCommand {
  const unsigned char* at;  // the 'l'
  const unsigned char* from;
  const unsigned char* end;
  bool in_comment;
};

/// A line that begins with '#': the header's later kin, a directive, or any
/// other; `size` bytes after the '#', its newline included.
struct DirectiveLine {
  const unsigned char* hash;
  size_t size;
  Directive result;  // what it did to the voices (nothing inside a block comment)
  bool in_comment;
};

/// What the reader found wrong at a fault, for a check to explain.
enum class Wrong : unsigned char {
  kLineTooLong,     // a line over its limit
  kCommentTooLong,  // the rest of a line after ';', '/' or '#' over its own limit
  kKeyByte,         // a byte that cannot stand in a key
  kFourthLetter,    // a key of more than three letters
  kUnknownKey,      // a key not in the table
  kNoNote,          // a syllable without its note
  kLooseNote,       // a ')' outside a syllable without a note after it
  kEndInSyllable,   // the end of input inside a syllable
  kOverride,        // an '@' without a vowel and a digit after it
  kVoiceSet,        // a directive's voice set above 9
};

/// Where the reading cannot go on as the conversion does, and where it goes
/// on all the same.
struct Fault {
  sylvo_kind kind;
  Wrong wrong;
  Place where;                // the failing byte's line and column
  const unsigned char* from;  // the bytes at fault
  const unsigned char* to;
  const unsigned char* key;   // an unknown key's first letter (its keys one edit away), or null
  const unsigned char* line;  // the line's first byte
  const unsigned char* end;   // the window's end
  const unsigned char* open;  // the '(' of the syllable at fault, or null
  const unsigned char* ends;  // where the construct at fault ends, or null if not in this line
};

// Reads the whole lines the input holds, one window at a time. Every
// construct is taken by one function from its first byte, with the rest of
// its line in view; nothing is pending at a window's end but what lasts
// from line to line (a block comment, the default length, the voices). The
// reader may read 16 bytes from any byte of a window: the input buffer's
// zeros follow the input.
//
// A line stores at most kLineMax bytes: every byte looked at, but the two
// after an override's '@' and the rest of a comment or '#' line (which have
// a limit of their own). LineBuf gets the line only when a fault echoes it,
// and at each override, whose bytes it leaves out.
//
// After a fault the reading goes on where the construct at fault ends: a
// syllable with a bad key byte after its ')' (or at the '(' or newline
// before one); a missing note at the byte that is no note; a key not in the
// table after the syllable's length; a line too long, and a '#' line that
// fails, at the next line.
template <typename L>
class Reader {
 public:
  Reader(Run& run, const L& listener)
      : in_(run.in), line_(run.line), voices_(run.voices), s_(run.scan), l_(listener) {}

  /// Reads to the end of input.
  void read() {
    // Made here, not passed in: as a local no store to the output can
    // change it, and its masks stay in registers.
    const StopFinder find_stop;
    const unsigned char* q = nullptr;  // where to go on in the window; null: a new one
    for (;;) {
      if (!q) {
        end_ = in_.lines();
        q = in_.cur;
        if (q == end_) return;  // the end of input
        l_.begin_window(q);
        q = begin_line(q, 0);
      }
      while (q) {
        q = Listener::kNotes
                ? find_note(q)
                : find_stop.template find<Listener::kWide>(q, stop_, s_.in_block_comment);
        if (q == end_) break;
        if (q == stop_) {
          q = too_long(q);
          break;
        }
        switch (kTables.of[*q]) {
          case kNewline: q = begin_line(q + 1, 1); break;
          case kComment: q = comment(q, q + 1); break;
          case kSlash: q = slash(q); break;
          case kStar: q = star(q); break;
          case kSyllable:  // back to back, or one copied byte between: the next with no search
            for (;;) {     // (*end_ is no '(': a syllable ends before a newline or the zero)
              q = syllable(q);
              if (!q) break;  // on at the next line
              if (*q == '(') continue;
              if (q + 1 >= stop_ || q[1] != '(' || stops(*q)) break;
              ++q;
            }
            break;
          case kLooseNote: q = loose_note(q); break;
          case kLengthCommand: q = length_command(q); break;
          case kCopied: q = *q >= 0x80 ? wide(q) : note(q); break;  // a listener that wants them
        }
      }
      if (q) {
        l_.end_window(end_);
        in_.cur = end_;
      } else {  // on at the next line, which may be past this window
        in_.cur = skip_from_;
        if (in_.skip_line()) ++line_.LINE_NO;
      }
      q = nullptr;
    }
  }

 private:
  using Listener = std::remove_reference_t<L>;

  bool stops(unsigned char c) const {
    return (Listener::kNotes  ? kTables.stop_notes
            : Listener::kWide ? kTables.stop_wide
                              : kTables.stop)[s_.in_block_comment][c];
  }

  // For a listener of notes: the next stop byte or letter, one at a time.
  const unsigned char* find_note(const unsigned char* q) const {
    while (q < stop_ && !stops(*q)) ++q;
    return q;
  }

  // A letter or '&' outside all else, for a listener of notes.
  const unsigned char* note(const unsigned char* q) {
    l_.note(q);
    return q + 1;
  }

  // A byte 0x80-0xFF outside all else, for a listener that wants those: it
  // takes the characters from there and says where they end (never past
  // the window, nor a byte that acts), and a line's limit still holds.
  const unsigned char* wide(const unsigned char* q) {
    const unsigned char* next = l_.wide(q);
    return next < stop_ ? next : stop_;
  }

  void set_room(size_t room) {
    room_ = room;
    stop_ = static_cast<size_t>(end_ - start_) > room ? start_ + room : end_;
  }

  // Whether the line may store the byte at q (before end_).
  bool fits(const unsigned char* q) const { return q < stop_; }

  // The one place where lines are counted: the line that starts at q becomes
  // the current one after `ended` lines (0 or 1) were finished; '#' lines at
  // its start are taken whole, each counted when done.
  const unsigned char* begin_line(const unsigned char* q, int ended) {
    line_.LINE_NO += static_cast<unsigned>(ended);
    for (;;) {
      start_ = echoed_ = q;
      set_room(kLineMax);
      line_.pos = 0;
      l_.line(q, end_);
      if (q == end_ || *q != '#') return q;
      q = directive(q);
      if (!q) return q;
      ++line_.LINE_NO;
    }
  }

  // A '#' line: a voice-set directive changes the voices; inside a block
  // comment none does. Returns the line's end. A failure echoes the line
  // after its '#', and the reading goes on at the next line.
  const unsigned char* directive(const unsigned char* q) {
    long n = line_size(q + 1, end_);
    if (n < 0) return too_long(q + 1 + kLineMax, Wrong::kCommentTooLong);
    DirectiveLine d{q, static_cast<size_t>(n), {false, SYLVO_COMPLETED, 0}, s_.in_block_comment};
    if (!d.in_comment) {
      d.result = apply_directive(voices_, q + 1, d.size);
      if (d.result.failure != SYLVO_COMPLETED) {
        echoed_ = q + 1;
        echo_through(q + n);
        const unsigned char* at = q + 1 + d.result.at;
        l_.fault({d.result.failure,
                  Wrong::kVoiceSet,
                  {line_.LINE_NO, at - start_},
                  at,
                  at + 1,
                  nullptr,
                  start_,
                  end_,
                  nullptr,
                  q + 1 + n});
        return q + 1 + n;
      }
    }
    l_.directive(d);
    return q + 1 + n;
  }

  // The rest of a line after ';' at `at`, or after a comment's '/' at `at`
  // and its next byte, from q: copied unconverted.
  const unsigned char* comment(const unsigned char* at, const unsigned char* q) {
    long n = line_size(q, end_);
    if (n < 0) return too_long(q + kLineMax, Wrong::kCommentTooLong);
    l_.comment(at, q + n);
    return begin_line(q + n, 1);
  }

  // '/' opens a block comment before '*', and makes the rest of the line a
  // comment before any byte but a newline.
  const unsigned char* slash(const unsigned char* q) {
    const unsigned char* next = q + 1;
    if (next == end_) return next;
    if (!fits(next)) return too_long(start_ + room_);
    if (*next == '*') {  // this '*' closes nothing
      s_.in_block_comment = true;
      l_.block(q, true);
      return next + 1;
    }
    return *next == '\n' ? next : comment(q, next + 1);
  }

  // '*' inside a block comment closes it before '/'; that '/' begins nothing.
  const unsigned char* star(const unsigned char* q) {
    const unsigned char* next = q + 1;
    if (next == end_ || *next != '/') return next;
    if (!fits(next)) return too_long(start_ + room_);
    s_.in_block_comment = false;
    l_.block(q, false);
    return next + 1;
  }

  // 'l' and the length text after it, which becomes the default length.
  // Right after a byte 0x80-0xFF it is a byte of text: no command is glued
  // to a character of more than one byte, and many a Shift-JIS character
  // (四 人 ネ) ends in the byte 'l'.
  const unsigned char* length_command(const unsigned char* q) {
    if (q > start_ && q[-1] >= 0x80) return note(q);  // a letter like any other
    const unsigned char *from = q + 1, *r = from;
    if (is(*r, kLengthLead)) ++r;  // the buffer's 0 after the input stops these
    while (static_cast<size_t>(r - from) < kLengthMax && is(*r, kLengthByte)) ++r;
    if (r != from && !fits(r - 1)) return too_long(start_ + room_);
    s_.default_size = static_cast<unsigned>(r - from);
    std::memcpy(s_.DefaultLength, from, kLengthMax);  // a fixed size, no call
    l_.length_command({q, from, r, s_.in_block_comment});
    return r;
  }

  // ')' outside a syllable must be followed by a note; the note and its
  // length are read as any bytes.
  const unsigned char* loose_note(const unsigned char* q) {
    const unsigned char* note = q + 1;
    if (note == end_) return refuse(SYLVO_SYNTAX, Wrong::kLooseNote, q, note);
    if (!fits(note)) return too_long(start_ + room_);
    if (!is(*note, kNoteLetter)) return refuse(SYLVO_SYNTAX, Wrong::kLooseNote, note, note);
    l_.loose_note(q);
    return note;
  }

  // Where a syllable whose key byte at r is refused ends: after its ')', or
  // at a '(' or newline before any ')'.
  const unsigned char* syllable_end(const unsigned char* r) const {
    while (r < end_ && *r != ')' && *r != '(' && *r != '\n') ++r;
    return r < end_ && *r == ')' ? r + 1 : r;
  }

  // A syllable's key from r, after its '(', byte by byte: letters and
  // overrides up to ')'. Returns the byte after the ')', with the key's
  // code; after a fault clears `read` and returns where to go on.
  const unsigned char* key(const unsigned char* q, unsigned* code, bool* read) {
    const unsigned char* r = q + 1;
    size_t j = 0;  // key letters taken: a fourth is refused at the next byte
    for (;;) {
      if (r == end_) return *read = false, refuse(SYLVO_SYNTAX, Wrong::kEndInSyllable, r - 1, r, q);
      unsigned letter = static_cast<unsigned>(*r - 'A');
      if (letter < 26 && j < 4) {
        *code = *code * 27 + letter + 1;  // past three letters no lookup is made
        ++j, ++r;
      } else if (*r == ')' && j < 4) {
        return r + 1;
      } else if (*r == '@') {  // its two bytes neither stored nor counted
        int vowel = r + 1 < end_ ? r[1] : kEnd, digit = r + 2 < end_ ? r[2] : kEnd;
        sylvo_kind failure = apply_override(voices_, vowel, digit);
        if (failure != SYLVO_COMPLETED) {
          return *read = false, refuse(failure, Wrong::kOverride, r, syllable_end(r + 1), q);
        }
        if (!fits(r)) return *read = false, too_long(start_ + room_);
        echo_through(r);
        echoed_ = r + 3;
        set_room(room_ + 2);
        r += 3;
      } else {
        const unsigned char* first = nullptr;
        if (j == 4 && (letter < 26 || *r == ')')) {  // a fourth letter: name the keys near it
          first = r;
          while (first[-1] >= 'A' && first[-1] <= 'Z') --first;
        }
        *read = false;
        return refuse(SYLVO_ILLEGAL_TOKEN, first ? Wrong::kFourthLetter : Wrong::kKeyByte, r,
                      syllable_end(r), q, nullptr, nullptr, first);
      }
    }
  }

  // A syllable from its '(' at q: a key, a note, a length text. Returns the
  // byte that ended it, which is read again as any byte. At the end of input
  // a syllable with its note letter is whole, an unfinished one refused.
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
      bool read = true;
      r = key(q, &code, &read);
      if (!read) return r;
    }

    Syllable s;
    s.open = q;
    s.key = q + 1;
    s.close = r - 1;
    if (r == end_) return refuse(SYLVO_SYNTAX, Wrong::kEndInSyllable, r - 1, r, q);
    if (!is(*r, kNoteLetter)) return refuse(SYLVO_SYNTAX, Wrong::kNoNote, r, r, q);  // on there
    s.note = r++;
    if (is(*r, kSign)) ++r;
    s.note_size = static_cast<size_t>(r - s.note);

    // The length: its own, or the default one and any digits and dots after.
    const unsigned char* from = r;
    bool own = is(*r, kLengthLead);
    size_t held = own ? 0 : s_.default_size;
    if (own) ++r, ++held;
    while (held < kLengthMax && is(*r, kLengthByte)) ++r, ++held;
    const unsigned char* last = r == end_ ? r - 1 : r;  // the byte that ended it
    if (!fits(last)) return too_long(start_ + room_);
    unsigned char joined[kLengthMax];  // the default length, then any digits and dots after
    s.own = own ? from : nullptr;
    s.length = own ? from : r == from ? s_.DefaultLength : joined;
    if (s.length == joined) {
      std::memcpy(joined, s_.DefaultLength, s_.default_size);
      std::memcpy(joined + s_.default_size, from, static_cast<size_t>(r - from));
    }
    s.held = held;
    s.end = r;
    s.in_comment = s_.in_block_comment;
    s.row = syllable_by_code(code);
    if (!s.row) {  // its letters at fault, without the overrides before them
      const unsigned char* k = q + 1;
      while (*k == '@') k += 3;
      refuse(SYLVO_ILLEGAL_TOKEN, Wrong::kUnknownKey, last, r, q, k, s.close, k);
    }
    l_.syllable(s);
    return r;
  }

  // Faults "Can't read file": the line is too long at q. Returns null: the
  // reading goes on at the next line, which may be past the window.
  const unsigned char* too_long(const unsigned char* q, Wrong wrong = Wrong::kLineTooLong) {
    l_.fault({SYLVO_CANT_READ,
              wrong,
              {line_.LINE_NO, q - start_},
              q,
              q + (q < end_ ? 1 : 0),
              nullptr,
              start_,
              end_,
              nullptr,
              nullptr});
    std::memcpy(voices_.CurrentVoice, voices_.DefaultVoice, kVowels);  // as after a syllable
    skip_from_ = q;
    return nullptr;
  }

  // Faults with `kind` at `last`, the offending byte, echoing the line up to
  // it, unless storing that byte had already failed; [from, to) is at fault
  // (null: `last` alone), in the syllable at `open` if any. Returns
  // `resume`, where the reading goes on.
  const unsigned char* refuse(sylvo_kind kind, Wrong wrong, const unsigned char* last,
                              const unsigned char* resume, const unsigned char* open = nullptr,
                              const unsigned char* from = nullptr,
                              const unsigned char* to = nullptr,
                              const unsigned char* key = nullptr) {
    if (!fits(last)) return too_long(start_ + room_);
    echo_through(last);
    l_.fault({kind,
              wrong,
              {line_.LINE_NO, last - start_},
              from ? from : last,
              to ? to : last + (last < end_ ? 1 : 0),
              key,
              start_,
              end_,
              open,
              resume});
    // A syllable at fault is sung by no one: its overrides end with it.
    if (open) std::memcpy(voices_.CurrentVoice, voices_.DefaultVoice, kVowels);
    return resume;
  }

  // Adds the line's bytes from echoed_ through `last` to LineBuf.
  void echo_through(const unsigned char* last) {
    size_t n = static_cast<size_t>(last + 1 - echoed_);
    std::memcpy(line_.LineBuf + line_.pos, echoed_, n);
    line_.pos += n;
    echoed_ = last + 1;
  }

  ::Reader& in_;
  Line& line_;
  Voices& voices_;
  ScanState& s_;
  L l_;  // held here, not referred to: its state is the reader's own to the compiler
  const unsigned char* end_ = nullptr;     // the window's end: after a newline, or the end of input
  const unsigned char* start_ = nullptr;   // the current line's first byte
  const unsigned char* echoed_ = nullptr;  // the line's bytes before this are in LineBuf
  size_t room_ = kLineMax;                 // too far from start_ to store; 2 more an override
  const unsigned char* stop_ = nullptr;    // start_ + room_, or end_ if that comes first
  const unsigned char* skip_from_ = nullptr;  // after a line too long: where to skip its rest
};

}  // namespace notation
