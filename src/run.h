// The state of one conversion run, in plain structs owned by one Run object.
// A fresh (or reset) Run converts one input; tests and the fuzzer make many.
#pragma once

#include <cstddef>

#include "stream.h"

constexpr size_t kNameMax = 255;   // bytes in a file name
constexpr size_t kLineMax = 2048;  // bytes of one line held in LineBuf
constexpr size_t kLengthMax = 16;  // bytes of a length text
constexpr int kVowels = 5;         // A, I, U, E, O, in that order

/// The four file names, each at most kNameMax bytes and zero-terminated.
struct Names {
  char InFileName[kNameMax + 1];   // base name of the input argument
  char OutFilePath[kNameMax + 1];  // the output's directory, with its separator
  char OutFileName[kNameMax + 1];  // the output's base name
  char OutFile[kNameMax + 1];      // OutFilePath followed by OutFileName
};

/// The current line, echoed after syntax messages, and its 1-based number.
struct Line {
  unsigned char LineBuf[kLineMax + 1];
  size_t pos;  // bytes of the line held
  unsigned long long LINE_NO;
};

/// Voice-set numbers (0-9) per vowel: for the next syllable, and the ones it
/// returns to after every syllable.
struct Voices {
  unsigned char CurrentVoice[kVowels];
  unsigned char DefaultVoice[kVowels];
};

/// What the scanner carries from one line to the next.
struct ScanState {
  bool in_block_comment;                        // between "/*" and "*/"
  unsigned char DefaultLength[kLengthMax + 1];  // set by each 'l'
  unsigned default_size;                        // bytes in DefaultLength
};

/// True for the bytes '0' to '9'.
constexpr bool is_digit(int c) { return c >= '0' && c <= '9'; }

struct Run {
  Reader in;
  Writer out;
  Line line;
  bool header_seen;
  Voices voices;
  ScanState scan;
};
