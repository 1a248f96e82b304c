// The bounded line reader and the header scan: everything before the
// "#SYLVO" header line is copied, the header becomes a comment.
#pragma once

struct Reader;
struct Run;

/// Reads bytes into `area` until a newline has been stored or the input ends,
/// then stores a terminating zero. Returns the count (newline included; 0 at
/// the end of input), or -1 once 2048 bytes are stored and another byte would
/// be looked for. `area` holds 2049 bytes.
long read_line(Reader& in, unsigned char* area);

/// Copies the lines before the header line, writes the header as ";" and the
/// line, and leaves LINE_NO at the number of the line after it. Fails with
/// "NOT SyLvO file" if the input ends first, "Can't read file" on a line over
/// 2048 bytes.
void scan_header(Run& run);
