// The conversion scanner: reads everything after the header line, copies
// text and comments, and hands syllables, directive lines and "@" overrides
// to their modules.
#pragma once

struct Run;

/// Converts from the byte after the header line to the end of the input,
/// starting with every voice set at 0 and no default length. Returns at the
/// end of input with everything written to run.out (not yet flushed).
void scan(Run& run);
