// The state of one conversion run, in plain structs owned by one Run object.
// A fresh (or reset) Run converts one input; tests and the fuzzer make many.
#pragma once

#include <cstddef>

#include "stream.h"
#include "syllable.h"
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

struct Problems;

struct Run {
  Problems* problems;  // a check's: it goes on after each failure it can pass; else null
  Reader in;
  Writer out;
  Line line;
  bool header_seen;
  Voices voices;
  ScanState scan;
};

/// Converts `in` to `out` in `run` as sylvo_convert() does, reading at most
/// `buffer` bytes at a time and sending the output out in pieces of at most
/// that (0: the stream buffers' size), with `scanner` after the header scan
/// (the fuzzer passes its reference). The one place where a failure becomes
/// a status and its message.
int convert_run(Run& run, Source in, Sink out, const char* input_name, const char* output_name,
                size_t buffer, sylvo_result* result, void (*scanner)(Run&) = nullptr);

/// Checks `in` in `run` as sylvo_check() does, reading at most `buffer`
/// bytes at a time, the problems going to `problems`.
int check_run(Run& run, Source in, size_t buffer, Problems& problems);
