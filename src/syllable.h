// The syllable table, the voice sets that choose the five vowel instruments,
// and the expansion of one syllable into its instrument run.
#pragma once

#include <cstddef>

struct Voices;

constexpr int kSyllables = 203;
constexpr size_t kTemplateMax = 48;                 // bytes of the longest template, with room
constexpr size_t kExpansionMax = 64;                // bytes of the longest expansion, with room
constexpr size_t kNoteScratch = kExpansionMax - 2;  // written, never part of an expansion

/// Where a template's placeholders stand once the note is known to be one or
/// two bytes long: the template's text with each "%s" made that long, the
/// offsets of the note's places, and of the vowel codes with their vowels.
struct Layout {
  char text[kTemplateMax];
  unsigned char size;
  unsigned char note_at[3];  // the note's places; kNoteScratch where there are fewer
  unsigned char vowels;
  unsigned char vowel_at[3];
  unsigned char vowel_of[3];  // 0-4: A, I, U, E, O
};

/// One row of the syllable table, with its expansion work done in advance.
struct SyllableRow {
  char key[4];               // one to three upper-case letters, zero-terminated
  unsigned char frames;      // the sum of the counts after the template's '#'s
  char templ[kTemplateMax];  // "%s" for the note, "AA".."OO" for vowel codes
  unsigned char templ_size;
  Layout layout[2];  // for a note of one byte, and of two
  char suffix[4];    // "~#" and the frames, or nothing for frames 0
  unsigned char suffix_size;
};

/// The index of vowel letter `c` in the order A, I, U, E, O, or -1.
constexpr int vowel_index(int c) {
  switch (c) {
    case 'A': return 0;
    case 'I': return 1;
    case 'U': return 2;
    case 'E': return 3;
    case 'O': return 4;
    default: return -1;
  }
}

/// Row `i` of the table, in the order of its families.
const SyllableRow& syllable_row(int i);

/// The row of the key whose letters, A=1 to Z=26, are the digits of `code`
/// in base 27 (a key of at most three letters: below 27 * 27 * 27), or null.
const SyllableRow* syllable_by_code(unsigned code);

/// Writes `row`'s text for a note of 1 or 2 bytes and a length text of at
/// most 16 bytes to `text` (kExpansionMax bytes), using the voices'
/// CurrentVoice, and returns its size. 16 bytes at `length` are read,
/// whatever its size.
size_t build_expansion(const SyllableRow& row, const Voices& voices, const unsigned char* note,
                       size_t note_size, const unsigned char* length, size_t length_size,
                       unsigned char* text);

/// Makes `row`'s text in `text` as build_expansion() does, then resets
/// CurrentVoice to DefaultVoice, as after every syllable.
size_t make_expansion(Voices& voices, const SyllableRow& row, const unsigned char* note,
                      size_t note_size, const unsigned char* length, size_t length_size,
                      unsigned char* text);
