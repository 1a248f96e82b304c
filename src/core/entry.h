// The library's one door, as sylvo.cpp opens it to its own calls and to the
// tests, the fuzzer and the benchmarks: a conversion or a check of a source
// in a Run, with a buffer size of the caller's.
#pragma once

#include <cstddef>

#include "core/run.h"
#include "sylvo.h"

struct Problems;

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

/// Bytes in memory handed over as an input, and how many are left.
struct Memory {
  const unsigned char* data;
  size_t size;
};

/// A source that reads `memory` (which it moves on).
Source memory_source(Memory& memory);

/// A sink that drops all it is given: a check's, an editor's.
Sink nowhere();

/// Readies `run` to read `memory` as a conversion does, writing nothing:
/// the reading an editor's questions make. The header scan comes next.
void open_reading(Run& run, Memory& memory);
