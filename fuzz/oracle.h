// A literal, byte-at-a-time reference of the conversion, kept beside the
// fuzzer to check the program's scanner against. Not part of sylvo.
#pragma once

#include <cstddef>

#include "support.h"

struct Run;

/// The reference scanner, to pass to convert_run().
void oracle_scan(Run& run);

/// Converts `size` bytes in memory as convert_buffer() does, with the
/// reference scanner in place of the program's.
Outcome oracle_convert(const void* data, size_t size);
