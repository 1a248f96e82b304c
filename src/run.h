// The state of one conversion run, in plain structs owned by one Run object.
// A fresh (or reset) Run converts one input; tests and the fuzzer make many.
#pragma once

#include <cstddef>

#include "stream.h"

constexpr size_t kNameMax = 255;    // bytes in a file name
constexpr size_t kLineMax = 2048;   // bytes of one line held in LineBuf
constexpr size_t kLengthMax = 16;   // bytes of a length text
constexpr int kVowels = 5;          // A, I, U, E, O, in that order

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
  size_t pos;                   // bytes of the line held
  unsigned long long LINE_NO;
};

/// Voice-set numbers (0-9) per vowel: for the next syllable, and the ones it
/// returns to after every syllable.
struct Voices {
  unsigned char CurrentVoice[kVowels];
  unsigned char DefaultVoice[kVowels];
};

/// The scanner's flags (one byte) and the items it collects.
struct ScanState {
  unsigned char flags;
  unsigned char key[4];               // up to 3 letters and the closing ')'
  unsigned j;                         // key bytes taken
  unsigned char note[2];              // note letter and an optional + or -
  unsigned k;                         // note bytes taken
  unsigned char note_length[20];      // a syllable's length text
  unsigned char DefaultLength[kLengthMax + 1];
  unsigned default_size;              // bytes in DefaultLength
  unsigned char* target;              // note_length, or DefaultLength after 'l'
  unsigned count;                     // bytes in the length text being read
  unsigned char comment[kLineMax + 1];  // the rest of a comment line
};

struct Run {
  Reader in;
  Writer out;
  Line line;
  bool header_seen;
  Voices voices;
  ScanState scan;
};
