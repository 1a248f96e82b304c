// The state of one conversion run, in plain structs owned by one Run object.
// A fresh (or reset) Run converts one input; tests and the fuzzer make many.
#pragma once

#include <cstddef>
#include <cstring>

#include "core/stream.h"
#include "core/syllable.h"
#include "sylvo.h"

constexpr size_t kLineMax = 2048;  // bytes of one line held in LineBuf
constexpr size_t kLengthMax = 16;  // bytes of a length text
constexpr int kVowels = 5;         // A, I, U, E, O, in that order

/// The current line, echoed after syntax messages, and its 1-based number.
struct Line {
  unsigned char LineBuf[kLineMax + 1];
  size_t pos;  // bytes of the line held
  unsigned long long LINE_NO;
};

/// Voice-set numbers (0-9) per vowel: for the next syllable, and the ones it
/// returns to after every syllable. CurrentVoice equals DefaultVoice but from
/// an override to the end of its syllable.
struct Voices {
  unsigned char CurrentVoice[kVowels];
  unsigned char DefaultVoice[kVowels];
};

/// What the scanner carries from one line to the next.
struct ScanState {
  bool in_block_comment;                        // between "/*" and "*/"
  unsigned char DefaultLength[kLengthMax + 1];  // set by each 'l'; the input's bytes after it
  unsigned default_size;                        // bytes in DefaultLength
};

/// True for the bytes '0' to '9'.
constexpr bool is_digit(int c) { return c >= '0' && c <= '9'; }

/// The size of the line at `p` as the line reader takes it: up to and
/// including its newline, or to `end`, the end of input, if it has none; -1
/// if that is more than 2048 bytes (2048 without a newline, as the limit is
/// tested before each byte, even the end). [p, end) must end on a newline
/// or at the end of input.
inline long line_size(const unsigned char* p, const unsigned char* end) {
  size_t avail = static_cast<size_t>(end - p);
  const void* nl = std::memchr(p, '\n', avail < kLineMax ? avail : kLineMax);
  if (nl) return static_cast<const unsigned char*>(nl) - p + 1;
  return avail < kLineMax ? static_cast<long>(avail) : -1;
}

struct Problems;

struct Run {
  Problems*
      problems;  // a check's, where the header scan and the check put what they find; else null
  Reader in;
  Writer out;
  Line line;
  bool header_seen;
  Voices voices;
  ScanState scan;
};
