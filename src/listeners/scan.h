// The conversion: the reader of the notation (notation.h) with a listener
// that writes every byte after the header line, each syllable as its
// expansion, each directive line as a ";#" comment.
#pragma once

struct Run;

/// Converts from the byte after the header line to the end of the input,
/// starting with every voice set at 0 and no default length. Returns at the
/// end of input with everything written to run.out (not yet flushed).
void scan(Run& run);

/// Sets what lasts from line to line as it is at the header: every voice
/// set 0, no default length, no block comment.
void start_scan(Run& run);
