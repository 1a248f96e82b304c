// The entry routine: arguments, the four file names, opening and closing the
// files, and the clean-up after a failure.
#pragma once

#include <cstddef>

#include "stream.h"

struct Names;
struct Run;

/// Forms InFileName, OutFilePath, OutFileName and OutFile from the arguments
/// (argv[1] the input, argv[2] the optional output), failing on a missing
/// input argument, a path over 255 bytes or an output equal to the input.
void form_names(int argc, const char* const* argv, Names& names);

/// Makes `run` fresh for converting `in` to `out`, reading at most `buffer`
/// bytes at a time (0: the default); the names are those messages print.
void start_run(Run& run, Source in, const char* in_name, Sink out, const char* out_name,
               size_t buffer = 0);

/// Converts the input of `run` to its output: the header scan, then the
/// scanner, then sends out what is buffered. Throws Failure.
void convert(Run& run);

/// The whole program: returns the exit status (0 after a complete
/// conversion, 1 after any failure, its message printed on standard output).
int sylvo_main(int argc, const char* const* argv);
