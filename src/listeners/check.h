// The check: the reader of the notation (notation.h) with a listener that
// records every fault where it stands, and warns of what converts but likely
// not as meant. It writes nothing.
#pragma once

struct Run;

/// Reads from the byte after the header line to the end of the input as
/// scan() does, putting every problem in run.problems.
void check_scan(Run& run);
