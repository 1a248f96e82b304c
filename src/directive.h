// Directive lines, which set voice sets for the rest of the file, and the
// "@" override, which sets one vowel's voice set for one syllable.
#pragma once

struct Run;

/// Handles a line whose first byte '#' has just been read and stored: reads
/// the rest of the line, applies "SYLVO_VSET_ALL n" or "SYLVO_VSET a i u e o"
/// and writes the line back as a ";#" comment, or writes any other '#' line
/// unchanged; inside a block comment every '#' line is written unchanged.
/// Counts the line. A voice set above 9 fails with "Syntax error!".
void directive_line(Run& run, bool in_block_comment);

/// Reads the vowel letter and the digit after an '@' inside a syllable's
/// parentheses and sets that vowel's CurrentVoice. Returns false if the
/// input ended first. A letter that is not a vowel fails with "Internal
/// Error!", a byte that is not a digit with "Syntax error!".
bool read_override(Run& run);
