// The entry routine: arguments, the four file names, opening and closing the
// files, and the clean-up after a failure.
#pragma once

#include <cstddef>
#include <string>

struct Names;
struct Run;

/// Forms InFileName, OutFilePath, OutFileName and OutFile from the arguments
/// (argv[1] the input, argv[2] the optional output), failing on a missing
/// input argument, a path over 255 bytes or an output equal to the input.
void form_names(int argc, const char* const* argv, Names& names);

/// Converts the input of `run` to its output: the header scan, then the
/// scanner, then sends out what is buffered. Throws Failure.
void convert(Run& run);

/// The whole program: returns the exit status (0 after a complete
/// conversion, 1 after any failure, its message printed on standard output).
int sylvo_main(int argc, const char* const* argv);

/// What an in-memory conversion gave: exit status, output bytes, and the
/// text the program would print.
struct Outcome {
  int status;
  std::string output;
  std::string message;
};

/// Converts `size` bytes in memory, the input handed over `chunk` bytes at a
/// time (0: as they fit), through stream buffers of `buffer` bytes (0: the
/// default). For tests, fuzzers and benchmarks.
Outcome convert_buffer(const void* data, size_t size, size_t chunk = 0, size_t buffer = 0);
