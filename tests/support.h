// For the tests, the fuzzer and the benchmarks: whole conversions in memory
// through the library's entry, the input handed over in pieces of any size.
#pragma once

#include <cstddef>
#include <string>

#include "sylvo.h"

struct Run;
struct SyllableRow;

/// What an in-memory conversion gave: exit status, output bytes, the text
/// the program would print, and the kind and place of the result.
struct Outcome {
  int status;
  std::string output;
  std::string message;
  sylvo_kind kind;
  unsigned long long line;
  long long column;
};

/// Converts `size` bytes in memory, the input handed over `chunk` bytes at a
/// time (0: as they fit; with `vary` non-zero, between 1 and `chunk` bytes
/// each time), read and written at most `buffer` bytes at a time (0: the
/// default), with `scanner` after the header (null: the program's). Not
/// reentrant.
Outcome convert_buffer(const void* data, size_t size, size_t chunk = 0, size_t buffer = 0,
                       unsigned vary = 0, void (*scanner)(Run&) = nullptr);

/// Whether two outcomes agree: status, kind, place and message, and the
/// output when the conversion completed (a failed run's output is dropped).
bool same_outcome(const Outcome& a, const Outcome& b);

/// What a check in memory found: the summary and the problems it kept.
struct Checked {
  sylvo_check_result result;
  const sylvo_problem* problems;  // result.count of them, valid until the next check
};

/// Checks `size` bytes in memory as sylvo_check() does, handed over as
/// convert_buffer() hands them, keeping at most `max` (up to 256) problems.
/// Not reentrant.
Checked check_buffer(const void* data, size_t size, size_t chunk = 0, size_t buffer = 0,
                     unsigned vary = 0, size_t max = 256);

/// Whether a check agrees with the conversion of the same bytes: its first
/// error is the conversion's failure (kind, line, column and message), and
/// it has no error exactly when the conversion completed.
bool check_agrees(const Checked& check, const Outcome& conversion);

/// Every problem in its place: for a song whose lines do not act on one
/// another (no "/*" after its header), each line's first error in the check
/// of the whole song is where sylvo stops on that line alone, behind the
/// header and empty lines that keep its number (kind, line, column and
/// message), and a line alone that converts has no error in the whole check.
/// Lines past the problems kept are not looked at. Returns false, with what
/// differs in `why`, when they disagree; true for a song it does not apply to.
bool lines_agree(const std::string& song, std::string* why);

/// Memory handed over by read_chunks(): at most `chunk` bytes a read (0: as
/// many as asked), between 1 and `chunk` with a non-zero `vary`, the state
/// of a small generator.
struct ChunkedInput {
  const unsigned char* data;
  size_t size;
  size_t chunk;
  unsigned vary;
};
size_t read_chunks(void* input, unsigned char* buffer, size_t capacity, int* failed);

/// A sink appending to the std::string `out`.
int append_to(void* out, const unsigned char* bytes, size_t size);

/// The row whose key is exactly these `size` bytes, or null.
const SyllableRow* find_syllable(const unsigned char* key, size_t size);
