// The reference scanner: one byte at a time, in the steps the notation is
// defined by (read and store, directive line, states, length start, length
// body, dispatch), with the run's flags in one byte. Slow on purpose.
#include "oracle.h"

#include <cstring>

#include "core/directive.h"
#include "core/header.h"
#include "core/report.h"
#include "core/run.h"
#include "core/syllable.h"

namespace {

enum Flag : unsigned char {
  AtLineStart = 0x80,
  InNote = 0x40,
  InSyllable = 0x20,
  InLength = 0x10,
  LengthPending = 0x08,
  StarSeen = 0x04,
  InBlockComment = 0x02,
  SlashSeen = 0x01,
};

struct State {
  unsigned char flags;
  unsigned char key[4];
  unsigned j;
  unsigned char note[2];
  unsigned k;
  unsigned char note_length[20];
  unsigned char* target;
  unsigned count;
  unsigned char comment[kLineMax + 1];
};

int note_byte(int c, unsigned k) {
  if (k == 0) return (c >= 'a' && c <= 'g') || c == 'w' || c == 'k' ? 1 : 0;
  if (k == 1) return c == '+' || c == '-' ? 1 : -1;
  return -1;
}

class Oracle {
 public:
  explicit Oracle(Run& run) : run_(run), in_(run.in), out_(run.out), line_(run.line), s_(state_) {}
  void run();

 private:
  // The next byte, or kEnd.
  int get() {
    if (in_.cur == in_.lim && !in_.more()) return kEnd;
    ++col_;
    before_ = last_;
    return last_ = *in_.cur++;
  }
  // Where a failure at the byte being looked at stands.
  Place here() const { return {line_.LINE_NO, at_}; }
  void store(int c) {
    if (line_.pos >= kLineMax) fail(SYLVO_CANT_READ, here());
    line_.LineBuf[line_.pos++] = static_cast<unsigned char>(c);
  }
  void comment_line() {
    long n = read_line(in_, s_.comment);
    if (n == -1) fail(SYLVO_CANT_READ, {line_.LINE_NO, at_ + 1 + static_cast<long long>(kLineMax)});
    out_.write(s_.comment, static_cast<size_t>(n));
    next_line();
  }
  void directive_line() {
    long got = read_line(in_, line_.LineBuf);
    if (got == -1) fail(SYLVO_CANT_READ, {line_.LINE_NO, 1 + static_cast<long long>(kLineMax)});
    size_t size = static_cast<size_t>(got);
    line_.pos = size;  // a failure echoes the line after its '#'
    bool vset = false;
    if (!(s_.flags & InBlockComment)) {
      Directive d = apply_directive(run_.voices, line_.LineBuf, size);
      if (d.failure != SYLVO_COMPLETED)
        fail(d.failure, {line_.LINE_NO, 1 + static_cast<long long>(d.at)});
      vset = d.applied;
    }
    out_.write(vset ? ";#" : "#", vset ? 2 : 1);
    out_.write(line_.LineBuf, size);
    next_line();
  }
  void next_line() {
    ++line_.LINE_NO;
    line_.pos = 0;
    col_ = 0;
    last_ = '\n';
    s_.flags |= AtLineStart;
  }
  bool read_override() {  // false at the end of input
    int letter = get();
    int digit = letter == kEnd || vowel_index(letter) < 0 ? 0 : get();
    if (letter == kEnd || digit == kEnd) return false;
    sylvo_kind failure = apply_override(run_.voices, letter, digit);
    if (failure != SYLVO_COMPLETED) fail(failure, here());
    return true;
  }
  void end_length() {
    s_.flags &= ~InLength;
    if (s_.flags & InSyllable) {
      s_.flags &= ~InSyllable;
      const SyllableRow* row = find_syllable(s_.key, s_.j - 1);
      if (!row) fail(SYLVO_ILLEGAL_TOKEN, here());
      unsigned char text[kExpansionMax];
      out_.write(text,
                 build_expansion(*row, run_.voices, s_.note, s_.k, s_.note_length, s_.count, text));
      std::memcpy(run_.voices.CurrentVoice, run_.voices.DefaultVoice, kVowels);
    } else {
      if (s_.target == run_.scan.DefaultLength) run_.scan.default_size = s_.count;
      out_.write(s_.target, s_.count);
    }
  }
  void end_of_input() {  // a failure stands at the input's last byte
    at_ = col_ - 1;
    if (s_.flags & InLength) {
      end_length();
    } else if (s_.flags & LengthPending) {
      run_.scan.default_size = 0;
    } else if (s_.flags & InNote) {
      if (s_.k == 0) fail(SYLVO_SYNTAX, here());
      if (s_.flags & InSyllable) {
        std::memcpy(s_.note_length, run_.scan.DefaultLength, run_.scan.default_size);
        s_.count = run_.scan.default_size;
        s_.flags |= InLength;
        end_length();
      }
    } else if (s_.flags & InSyllable) {
      fail(SYLVO_SYNTAX, here());
    }
  }

  Run& run_;
  Reader& in_;
  Writer& out_;
  Line& line_;
  State state_{};
  State& s_;
  long long col_ = 0;  // bytes of the current line read, an override's included
  long long at_ = 0;   // the column of the byte looked at
  int last_ = '\n';    // the byte get() gave last, and the one before it in its line
  int before_ = '\n';
};

void Oracle::run() {
  std::memset(&run_.voices, 0, sizeof run_.voices);
  std::memset(&run_.scan, 0, sizeof run_.scan);
  line_.pos = 0;
  s_.flags = AtLineStart;
  s_.target = s_.note_length;
  unsigned char* DefaultLength = run_.scan.DefaultLength;
  for (;;) {
    // A. Read and store.
    int c = get();
    if (c == kEnd) return end_of_input();
    at_ = col_ - 1;
    store(c);

    // B. Directive line.
    if ((s_.flags & AtLineStart) && c == '#') {
      directive_line();
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
        if (!read_override()) fail(SYLVO_SYNTAX, here());
        continue;
      }
      if (!((c >= 'A' && c <= 'Z') || c == ')') || s_.j >= 4) fail(SYLVO_ILLEGAL_TOKEN, here());
      s_.key[s_.j++] = static_cast<unsigned char>(c);
    } else if (s_.flags & InNote) {
      int taken = note_byte(c, s_.k);
      if (taken == 0) fail(SYLVO_SYNTAX, here());
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
        std::memcpy(s_.target, DefaultLength, run_.scan.default_size);
        s_.count = run_.scan.default_size;
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
    switch (c) {
      case ';':
        out_.put(static_cast<unsigned char>(c));
        comment_line();
        break;
      case '/':
        out_.put(static_cast<unsigned char>(c));
        if (!marks_comment) s_.flags |= SlashSeen;
        break;
      case '*':
        out_.put(static_cast<unsigned char>(c));
        if ((s_.flags & InBlockComment) && !marks_comment) s_.flags |= StarSeen;
        break;
      case '(':
        s_.flags |= InSyllable;
        s_.j = 0;
        break;
      case ')':
        s_.flags |= InNote;
        s_.k = 0;
        break;
      case 'l':
        out_.put(static_cast<unsigned char>(c));
        if (before_ >= 0x80) break;  // a byte of text after a character's first bytes
        s_.flags |= LengthPending;
        s_.target = DefaultLength;
        s_.count = 0;
        break;
      case '\n':
        out_.put(static_cast<unsigned char>(c));
        next_line();
        break;
      default:
        if (!(s_.flags & InSyllable)) out_.put(static_cast<unsigned char>(c));
        break;
    }
  }
}

}  // namespace

void oracle_scan(Run& run) { Oracle(run).run(); }

Outcome oracle_convert(const void* data, size_t size) {
  return convert_buffer(data, size, 0, 0, 0, oracle_scan);
}
