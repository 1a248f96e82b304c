// Directive lines, which set voice sets for the rest of the file, and the
// "@" override, which sets one vowel's voice set for one syllable. Neither
// fails the run itself: each says what failed, and the scanner fails it.
#pragma once

#include <cstddef>

#include "core/problems.h"
#include "sylvo.h"

struct Voices;

/// The end of input where an override's letter or digit would be: a value
/// outside 0-255, so every byte value is ordinary.
constexpr int kEnd = -1;

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

/// What a check says of a '#' line that converts but likely not as meant.
struct DirectiveWarning {
  sylvo_warning what;  // SYLVO_NO_WARNING: nothing to say
  size_t at;           // the first byte at fault in `text`
  size_t size;         // its bytes
  Words words;
  char instead[SYLVO_SUGGESTION_SIZE];  // what could stand at those bytes, '#' and all; or ""
};

/// The directive keyword that the capitals and '_' `word` (`n` bytes) are
/// likely meant to be: the same with more after it, or one letter or two
/// side by side off; null if none.
const char* keyword_like(const char* word, size_t n);

/// Looks at the '#' line whose bytes after the '#' are `text` (`size`
/// bytes) as a check does: a word that differs from a directive keyword
/// only in case, by one edit, by letters after it, or in being typed in
/// full width; a directive with no number, a signed number, a number of
/// more than one digit in SYLVO_VSET, or numbers in full width; a
/// directive inside a block comment (`in_comment`). With `indented` the '#'
/// follows blanks, so the line is no directive at all.
DirectiveWarning inspect_directive(const unsigned char* text, size_t size, bool in_comment,
                                   bool indented);

/// Sets CurrentVoice for the override "@" `letter` `digit` (either may be
/// kEnd, the end of input). Returns SYLVO_COMPLETED, or the check it fails:
/// SYLVO_INTERNAL_ERROR for a letter that is not a vowel, SYLVO_SYNTAX for
/// the end of input or a byte that is not a digit.
sylvo_kind apply_override(Voices& voices, int letter, int digit);
