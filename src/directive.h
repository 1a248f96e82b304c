// Directive lines, which set voice sets for the rest of the file, and the
// "@" override, which sets one vowel's voice set for one syllable. Neither
// fails the run itself: each says what failed, and the scanner fails it.
#pragma once

#include <cstddef>

#include "sylvo.h"

struct Voices;

/// What a '#' line did to the voices.
struct Directive {
  bool applied;        // a voice-set directive: written back as a ";#" comment
  sylvo_kind failure;  // SYLVO_COMPLETED, or SYLVO_SYNTAX for a voice set above 9
  size_t at;           // with a failure, the byte of the line where it failed
};

/// Applies the '#' line whose bytes after the '#' are `text` (`size` bytes,
/// its newline included): "SYLVO_VSET_ALL n" or "SYLVO_VSET a i u e o". Any
/// other line is not applied, and is copied unchanged.
Directive apply_directive(Voices& voices, const unsigned char* text, size_t size);

/// Sets CurrentVoice for the override "@" `letter` `digit` (either may be
/// kEnd, the end of input). Returns SYLVO_COMPLETED, or the check it fails:
/// SYLVO_INTERNAL_ERROR for a letter that is not a vowel, SYLVO_SYNTAX for
/// the end of input or a byte that is not a digit.
sylvo_kind apply_override(Voices& voices, int letter, int digit);
