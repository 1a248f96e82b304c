#include "scan.h"

#include <cstring>

#include "directive.h"
#include "header.h"
#include "report.h"
#include "run.h"
#include "syllable.h"

namespace {

struct ClassRow {
  int cls;
  unsigned char c;
};

constexpr ClassRow kClassRows[] = {
    {1, ';'}, {2, '/'}, {3, '*'},  {4, '('},  {5, ')'},  {6, 'l'},  {7, '%'},
    {8, '#'}, {9, '+'}, {10, '-'}, {11, '.'}, {12, '@'}, {13, '\n'},
};

enum Class {
  kOther = -1, kSemicolon = 1, kSlash = 2, kStar = 3, kOpen = 4, kClose = 5, kLengthCommand = 6,
  kPercent = 7, kAt = 12, kNewline = 13,
};

// Every byte maps to its class through one 256-entry table: a load instead of
// a search of the class rows for each byte. `plain` marks the bytes that,
// with no syllable, note, length or comment mark pending, are only copied
// (classes 7 to 12 have no action of their own there); the strides copy runs
// of them at once.
struct ByteTables {
  signed char cls[256];
  bool plain[256];
};

constexpr ByteTables build_tables() {
  ByteTables t{};
  for (int c = 0; c < 256; ++c) t.cls[c] = kOther;
  for (const ClassRow& row : kClassRows) t.cls[row.c] = static_cast<signed char>(row.cls);
  for (int c = 0; c < 256; ++c) t.plain[c] = t.cls[c] == kOther || (t.cls[c] >= kPercent && t.cls[c] <= kAt);
  return t;
}

constexpr ByteTables kTables = build_tables();

// The bytes that are not plain, as a string for strcspn.
struct SpecialBytes {
  char bytes[sizeof kClassRows / sizeof kClassRows[0] + 1];
};

constexpr SpecialBytes build_special() {
  SpecialBytes s{};
  int n = 0;
  for (const ClassRow& row : kClassRows) {
    if (!kTables.plain[row.c]) s.bytes[n++] = static_cast<char>(row.c);
  }
  return s;
}

constexpr SpecialBytes kSpecial = build_special();

// The first byte in [q, stop) that is not plain, or `stop`. Short runs are
// looked up byte by byte; a long one is left to strcspn, which libraries
// make fast but which costs more to start. The input buffer ends in a zero
// byte, where strcspn stops, as it does at any zero byte inside: that one is
// plain and stepped over.
const unsigned char* skip_plain(const unsigned char* q, const unsigned char* stop) {
  for (int n = 0; n < 16; ++n, ++q) {
    if (q == stop || !kTables.plain[*q]) return q;
  }
  for (;;) {
    q += std::strcspn(reinterpret_cast<const char*>(q), kSpecial.bytes);
    if (q >= stop) return stop;
    if (*q != 0) return q;
    ++q;
  }
}

bool is_digit(int c) { return c >= '0' && c <= '9'; }

// Whether c belongs to a note of which k bytes are taken: 1 it does, -1 the
// note ended before c, 0 c cannot begin a note.
int note_byte(int c, unsigned k) {
  if (k == 0) return (c >= 'a' && c <= 'g') || c == 'w' || c == 'k' ? 1 : 0;
  if (k == 1) return c == '+' || c == '-' ? 1 : -1;
  return -1;
}

class Scanner {
 public:
  explicit Scanner(Run& run) : run_(run), in_(run.in), out_(run.out), line_(run.line), s_(run.scan) {}

  void run();

 private:
  void stride();
  void copy_plain_run();
  bool take_length_command();
  bool take_syllable();
  const unsigned char* view_end() const;
  void store(int c);
  void comment_line();
  void end_length();
  void end_of_input();
  [[noreturn]] void unfinished() { fail_at(kSyntax, line_); }

  Run& run_;
  Reader& in_;
  Writer& out_;
  Line& line_;
  ScanState& s_;
};

// Step A's store: every byte of a converted line is kept for the echo.
void Scanner::store(int c) {
  check(line_.pos < kLineMax, kCantRead, in_.name);
  line_.LineBuf[line_.pos++] = static_cast<unsigned char>(c);
}

// The end of what a stride may take: the buffered bytes, but no more than
// the current line still holds, so that the byte ending a stride fits too.
const unsigned char* Scanner::view_end() const {
  size_t room = kLineMax - line_.pos;
  return static_cast<size_t>(in_.lim - in_.cur) > room ? in_.cur + room : in_.lim;
}

// Strides over plain text, ';' comments, 'l' commands and syllables, doing
// for each what the byte loop does one byte at a time. Returns when the next
// byte needs the byte loop. Called with no flag set but InBlockComment and
// AtLineStart.
void Scanner::stride() {
  for (;;) {
    copy_plain_run();
    if (in_.cur == in_.lim || line_.pos == kLineMax) return;
    int c = *in_.cur;
    if (c == '#' && (s_.flags & AtLineStart)) return;  // a directive line
    if (c != ';' && c != 'l' && c != '(') return;
    if (c == 'l') {
      if (!take_length_command()) return;
      continue;
    }
    s_.flags &= ~AtLineStart;
    line_.LineBuf[line_.pos++] = *in_.cur++;
    if (c == ';') {
      out_.put(';');
      comment_line();
    } else {
      s_.flags |= InSyllable;
      s_.j = 0;
      if (!take_syllable()) return;
    }
  }
}

// Step F's 'l' and the length text after it, when the byte that ends the
// length is in view; writes both as they came and sets DefaultLength.
bool Scanner::take_length_command() {
  const unsigned char* p = in_.cur;  // at the 'l'
  const unsigned char* end = view_end();
  const unsigned char* q = p + 1;
  if (q == end) return false;
  size_t count = 0;
  if (*q == '%' || *q == '#' || is_digit(*q)) ++q, ++count;
  while (q != end && (is_digit(*q) || *q == '.') && count < kLengthMax) ++q, ++count;
  if (q == end) return false;
  size_t n = static_cast<size_t>(q - p);
  std::memcpy(line_.LineBuf + line_.pos, p, n);
  line_.pos += n;
  out_.write(p, n);
  std::memcpy(s_.DefaultLength, p + 1, count);
  s_.default_size = static_cast<unsigned>(count);
  s_.flags &= ~AtLineStart;
  in_.cur = q;
  return true;
}

// Copies the run of plain bytes and newlines up to the next special byte,
// '#' at a line start, full line or the end of the buffer: counts its lines,
// keeps the last line's bytes for the echo, and writes the run at once.
void Scanner::copy_plain_run() {
  const unsigned char* p = in_.cur;
  const unsigned char* lim = in_.lim;
  if (p == lim || !kTables.plain[*p] || ((s_.flags & AtLineStart) && *p == '#')) return;
  s_.flags &= ~AtLineStart;
  const unsigned char* line = p;  // where the current line's bytes start
  size_t held = line_.pos;        // bytes of it already in LineBuf
  const unsigned char* q = p;
  for (;;) {
    // A line holds at most kLineMax bytes, its newline included.
    size_t room = kLineMax - held - static_cast<size_t>(q - line);
    const unsigned char* stop = static_cast<size_t>(lim - q) > room ? q + room : lim;
    q = skip_plain(q, stop);
    if (q == stop || *q != '\n') break;
    ++q;  // the newline ends the line
    ++line_.LINE_NO;
    line = q;
    held = 0;
    if (q == lim || *q == '#' || !kTables.plain[*q]) {
      s_.flags |= AtLineStart;
      break;
    }
  }
  std::memcpy(line_.LineBuf + held, line, static_cast<size_t>(q - line));
  line_.pos = held + static_cast<size_t>(q - line);
  out_.write(p, static_cast<size_t>(q - p));
  in_.cur = q;
}

// The same steps as the byte loop for a whole syllable right after its '(',
// when it lies in the buffer and has the usual shape: key letters and "@"
// overrides, ')', a note, a length, and then the byte that ends the length.
// Anything else (a bad byte, a key not in the table, the buffer's or the
// line's end) returns false having changed nothing the byte loop would not
// change again, and the byte loop takes the syllable as always.
bool Scanner::take_syllable() {
  const unsigned char* p = in_.cur;
  const unsigned char* end = view_end();
  unsigned char* stored = line_.LineBuf + line_.pos;
  unsigned char key[3];
  size_t j = 0;
  for (;;) {
    if (p == end) return false;
    int c = *p;
    if (c >= 'A' && c <= 'Z') {
      if (j == 3) return false;
      key[j++] = *stored++ = *p++;
    } else if (c == '@') {  // only the '@' of an override is kept for the echo
      if (end - p < 3 || vowel_index(p[1]) < 0 || !is_digit(p[2])) return false;
      run_.voices.CurrentVoice[vowel_index(p[1])] = static_cast<unsigned char>(p[2] - '0');
      *stored++ = *p;
      p += 3;
    } else if (c == ')') {
      *stored++ = *p++;
      break;
    } else {
      return false;
    }
  }
  const SyllableRow* row = find_syllable(key, j);
  if (!row || p == end || note_byte(*p, 0) != 1) return false;
  const unsigned char* note = p;
  size_t k = 1;
  *stored++ = *p++;
  if (p != end && note_byte(*p, 1) == 1) {
    k = 2;
    *stored++ = *p++;
  }
  if (p == end) return false;
  unsigned char* length = s_.note_length;
  size_t count = 0;
  if (*p == '%' || *p == '#' || is_digit(*p)) {
    length[count++] = *stored++ = *p++;
  } else {
    std::memcpy(length, s_.DefaultLength, s_.default_size);
    count = s_.default_size;
  }
  while (p != end && (is_digit(*p) || *p == '.') && count < kLengthMax) length[count++] = *stored++ = *p++;
  if (p == end) return false;

  line_.pos = static_cast<size_t>(stored - line_.LineBuf);
  in_.cur = p;
  s_.flags &= ~InSyllable;
  write_expansion(run_, *row, note, k, length, count);
  return true;
}

// The rest of a line after ';' or a line-comment '/' is copied unconverted.
// It is written straight from the input buffer when its end is in view.
void Scanner::comment_line() {
  size_t avail = static_cast<size_t>(in_.lim - in_.cur);
  const void* nl = std::memchr(in_.cur, '\n', avail < kLineMax ? avail : kLineMax);
  if (nl) {
    size_t n = static_cast<size_t>(static_cast<const unsigned char*>(nl) - in_.cur) + 1;
    out_.write(in_.cur, n);
    in_.cur += n;
  } else {
    long n = read_line(in_, s_.comment);
    check(n != -1, kCantRead, in_.name);
    out_.write(s_.comment, static_cast<size_t>(n));
  }
  ++line_.LINE_NO;
  line_.pos = 0;
  s_.flags |= AtLineStart;
}

// A length text is complete: expand its syllable, or write it as it came.
void Scanner::end_length() {
  s_.flags &= ~InLength;
  if (s_.flags & InSyllable) {
    s_.flags &= ~InSyllable;
    // The key ends where its ')' was stored.
    expand_syllable(run_, s_.key, s_.j - 1, s_.note, s_.k, s_.note_length, s_.count);
  } else {
    if (s_.target == s_.DefaultLength) s_.default_size = s_.count;
    out_.write(s_.target, s_.count);
  }
}

// What is pending when the input ends is finished as if one more byte, not
// part of any of it, had come; an unfinished syllable or a ')' with no note
// is refused.
void Scanner::end_of_input() {
  if (s_.flags & InLength) {
    end_length();
  } else if (s_.flags & LengthPending) {  // right after 'l'
    s_.default_size = 0;
  } else if (s_.flags & InNote) {
    if (s_.k == 0) unfinished();
    if (s_.flags & InSyllable) {
      std::memcpy(s_.note_length, s_.DefaultLength, s_.default_size);
      s_.count = s_.default_size;
      s_.flags |= InLength;
      end_length();
    }
  } else if (s_.flags & InSyllable) {
    unfinished();
  }
}

void Scanner::run() {
  for (;;) {
    if ((s_.flags & ~(InBlockComment | AtLineStart)) == 0) stride();

    // A. Read and store.
    int c = in_.get();
    if (c == kEnd) return end_of_input();
    store(c);

    // B. Directive line.
    if ((s_.flags & AtLineStart) && c == '#') {
      directive_line(run_, (s_.flags & InBlockComment) != 0);
      continue;
    }
    s_.flags &= ~AtLineStart;

    // C. States. `marks_comment`: this byte opened or closed a block comment
    // and so is not looked at again as the start of another.
    bool marks_comment = false;
    if (s_.flags & StarSeen) {
      s_.flags &= ~StarSeen;
      if (c == '/') {
        s_.flags &= ~InBlockComment;
        marks_comment = true;
      }
    } else if (s_.flags & SlashSeen) {
      s_.flags &= ~SlashSeen;
      if (c == '*') {
        s_.flags |= InBlockComment;
        marks_comment = true;
      } else if (c != '\n') {  // '/' before a newline is no comment
        out_.put(static_cast<unsigned char>(c));
        comment_line();
        continue;
      }
    } else if ((s_.flags & (InSyllable | InNote | InLength)) == InSyllable) {
      if (c == '@') {
        if (!read_override(run_)) unfinished();
        continue;
      }
      if (!((c >= 'A' && c <= 'Z') || c == ')') || s_.j >= 4) fail_at(kIllegalToken, line_);
      s_.key[s_.j++] = static_cast<unsigned char>(c);
    } else if (s_.flags & InNote) {
      int taken = note_byte(c, s_.k);
      if (taken == 0) fail_at(kSyntax, line_);
      if (taken == 1) {
        s_.note[s_.k++] = static_cast<unsigned char>(c);
      } else {
        s_.flags = static_cast<unsigned char>((s_.flags & ~InNote) | LengthPending);
        s_.target = s_.note_length;
      }
    }

    // D. Length start.
    if (s_.flags & LengthPending) {
      s_.flags = static_cast<unsigned char>((s_.flags & ~LengthPending) | InLength);
      s_.count = 0;
      if (c == '%' || c == '#' || is_digit(c)) {
        s_.target[0] = static_cast<unsigned char>(c);
        s_.count = 1;
        continue;
      }
      if (s_.flags & InSyllable) {
        std::memcpy(s_.target, s_.DefaultLength, s_.default_size);
        s_.count = s_.default_size;
      }
    }

    // E. Length body.
    if (s_.flags & InLength) {
      if ((is_digit(c) || c == '.') && s_.count < kLengthMax) {
        s_.target[s_.count++] = static_cast<unsigned char>(c);
        continue;
      }
      end_length();
    }

    // F. Dispatch.
    switch (kTables.cls[c]) {
      case kSemicolon:
        out_.put(static_cast<unsigned char>(c));
        comment_line();
        break;
      case kSlash:
        out_.put(static_cast<unsigned char>(c));
        if (!marks_comment) s_.flags |= SlashSeen;
        break;
      case kStar:
        out_.put(static_cast<unsigned char>(c));
        if ((s_.flags & InBlockComment) && !marks_comment) s_.flags |= StarSeen;
        break;
      case kOpen:
        s_.flags |= InSyllable;
        s_.j = 0;
        break;
      case kClose:
        s_.flags |= InNote;
        s_.k = 0;
        break;
      case kLengthCommand:
        out_.put(static_cast<unsigned char>(c));
        s_.flags |= LengthPending;
        s_.target = s_.DefaultLength;
        s_.count = 0;
        break;
      case kNewline:
        out_.put(static_cast<unsigned char>(c));
        ++line_.LINE_NO;
        line_.pos = 0;
        s_.flags |= AtLineStart;
        break;
      default:
        if (!(s_.flags & InSyllable)) out_.put(static_cast<unsigned char>(c));
        break;
    }
  }
}

}  // namespace

int byte_class(unsigned char c) { return kTables.cls[c]; }

void scan(Run& run) {
  std::memset(&run.voices, 0, sizeof run.voices);
  std::memset(&run.scan, 0, sizeof run.scan);
  run.scan.flags = AtLineStart;
  run.scan.target = run.scan.note_length;
  run.line.pos = 0;
  Scanner(run).run();
}
