// The conversion scanner: reads everything after the header line, copies
// text and comments, and hands syllables, directive lines and "@" overrides
// to their modules.
#pragma once

struct Run;

/// Scan flags, one bit each in ScanState::flags.
enum ScanFlag : unsigned char {
  AtLineStart = 0x80,     // the next byte is the first of a line
  InNote = 0x40,          // collecting a note after any ')'
  InSyllable = 0x20,      // inside a syllable, from '(' until its expansion
  InLength = 0x10,        // collecting a length text
  LengthPending = 0x08,   // the current byte may begin a length text
  StarSeen = 0x04,        // inside a block comment, the previous byte was '*'
  InBlockComment = 0x02,  // between "/*" and "*/"
  SlashSeen = 0x01,       // the previous byte was '/'
};

/// The class of a byte: its own class number for the bytes the scanner
/// acts on, -1 for any other.
int byte_class(unsigned char c);

/// Converts from the byte after the header line to the end of the input,
/// starting with every voice set at 0 and no default length. Returns at the
/// end of input with everything written to run.out (not yet flushed).
void scan(Run& run);
