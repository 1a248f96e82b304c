// Entry points for tests, fuzzers and benchmarks: a whole conversion in
// memory, and a look at the scanner's byte classes. Not used by sylvo.
#pragma once

#include <cstddef>
#include <string>

/// What an in-memory conversion gave: exit status, output bytes, and the
/// text the program would print.
struct Outcome {
  int status;
  std::string output;
  std::string message;
};

/// Converts `size` bytes in memory, the input handed over `chunk` bytes at a
/// time (0: as they fit; with `vary` non-zero, between 1 and `chunk` bytes
/// each time), read at most `buffer` bytes at a time (0: the default).
/// Not reentrant.
Outcome convert_buffer(const void* data, size_t size, size_t chunk = 0, size_t buffer = 0,
                       unsigned vary = 0);

/// The class of a byte in the scanner: its own class number for the bytes
/// the scanner acts on, -1 for any other.
int byte_class(unsigned char c);
