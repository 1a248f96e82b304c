// Directive lines, which set voice sets for the rest of the file, and the
// "@" override, which sets one vowel's voice set for one syllable.
#pragma once

#include <cstddef>

struct Run;
struct Voices;

/// Applies the '#' line whose bytes after the '#' are `text` (`size` bytes,
/// its newline included): "SYLVO_VSET_ALL n" or "SYLVO_VSET a i u e o".
/// Returns true for those two, which are written back as ";#" comments,
/// false for any other line, which is copied unchanged. A voice set above 9
/// fails with "Syntax error!" on the directive's line, echoing `text`.
bool apply_directive(Run& run, const unsigned char* text, size_t size);

/// Sets CurrentVoice for the override "@" `letter` `digit` (either may be
/// kEnd, the end of input). Returns 0, or the check kind the override fails
/// with: kNotVowel for a letter that is not a vowel, kSyntax for the end of
/// input or a byte that is not a digit.
int apply_override(Voices& voices, int letter, int digit);
