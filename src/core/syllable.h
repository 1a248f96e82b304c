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

/// The table by family. Every key after a family's first takes the first
// key's template with its last vowel pair replaced by the key's own last
// vowel written twice; keys that end in no vowel (T, N) take it unchanged.
struct Family {
  const char* keys;
  unsigned char frames;
  const char* templ;
};

inline constexpr Family kFamilies[] = {
    {"A I U E O", 0, "@@AA%s"},
    {"YE", 3, "@@II%s#3@@EEw"},
    {"WI WHI WE WHE WO WHO", 3, "@@UU%s#3@@IIw"},
    {"VA VI VE VO", 5, "<@@28%s#2@@29w#2>@@UU%s#1@@AAw"},
    {"VU", 4, "<@@28%s#2@@29w#2>@@UU%s"},
    {"VYU VYO BYA BYU BYO", 5, "<@@28%s#2@@29w#1>@@19%s#2@@UUw"},
    {"KA KI KU KE KO", 3, "@@5%s#1@@6w#1@@7w#1@@AAw"},
    {"GA GI GU GE GO", 3, "<@@22%s#1@@23w#1@@7w#1>@@AA%s"},
    {"KYA KYU KYE KYO", 5, "@@5%s#1@@6w#1@@7w#1@@19w#2@@AAw"},
    {"KUA QA KUI QI KUE QE KUO QO KWA", 5, "@@5%s#1@@6w#1@@7w#1@@UUw#2@@AAw"},
    {"GYA GYU GYO", 5, "<@@22%s#1@@23w#1@@7w#1>@@19%s#2@@AAw"},
    {"GUA GWI GWE GWO GWA", 5, "<@@22%s#1@@23w#1@@7w#1>@@UU%s#2@@AAw"},
    {"SA SI SHI SU SE SO", 5, "@@8%s#2@@9w#2@@10w#1@@AAw"},
    {"ZA ZI JI ZU ZE ZO", 4, "<<@@24%s#1@@25w#1>@@10%s#2>@@AA%s"},
    {"SYA SHA SYU SHU SYE SHE SYO SHO", 5, "@@8%s#2@@9w#1@@19w#2@@AAw"},
    {"ZYA JA JYA ZYU JU JYU ZYE JE JYE ZYO JO JYO", 5, "<<@@24%s#1@@25w#1>@@10%s#1@@19w#2>@@AA%s"},
    {"TA TI CHI TU TSU TE TO", 3, "@@11%s#1@@12w#1@@13w#1@@AAw"},
    {"T XTU", 5, "<<@@12%s#1>@@25%s#2>@@UU%s#2k"},
    {"DA DI DJI DU DZU DE DO", 3, "<<@@26%s#1>@@27%s#1>@@13%s#1@@AAw"},
    {"CHA CYA CHU CYU CHE CYE CHO CYO THI TYI THU TYU", 5, "@@11%s#1@@12w#1@@13w#1@@19w#2@@AAw"},
    {"TSA TWA TSI TWI TSE TWE TSO TWO", 4, "@@11%s#1@@12w#1@@UUw#2@@AAw"},
    {"TWU", 5, "@@11%s#1@@12w#1@@13w#1@@OOw#2@@UUw"},
    {"DJA DJU DJO", 5, "<<@@26%s#1>@@27%s#1>@@13%s#1@@19w#2@@AAw"},
    {"DHI DYI DHU DYU", 4, "<<@@26%s#1>@@27%s#1>@@19%s#2@@IIw"},
    {"DWU", 5, "<<@@26%s#1>@@27%s#1>@@12%s#1@@OOw#2@@UUw"},
    {"NA NI NU NE NO", 2, "@@14%s#2@@AAw"},
    {"NYA NYU NYE NYO", 5, "@@14%s#2@@19w#3@@AAw"},
    {"HA HI HU FU HE HO", 5, "@@15%s#2@@16w#2@@17w#1@@AAw"},
    {"BA BI BU BE BO PA PI PU PE PO", 5, "@@28%s#2@@29w#2@@17w#1@@AAw"},
    {"HYA HYU HYE HYO FYU FYO", 5, "@@15%s#2@@16w#1@@19w#2@@AAw"},
    {"FA HWA FI HWI FE HWE FO HWO", 5, "@@15%s#2@@16w#1@@UUw#2@@AAw"},
    {"PYA PYU PYO", 5, "@@28%s#2@@29w#1@@19w#2@@AAw"},
    {"MA MI MU ME MO", 4, "@@14%s#2@@18w#2@@AAw"},
    {"MYA MYU MYO", 5, "@@14%s#1@@18w#2@@19w#2@@AAw"},
    {"YA YU YO", 2, "@@19%s#2@@AAw"},
    {"RA LA RI LI RU LU RE LE RO LO", 4, "@@20%s#2@@UUw#2@@AAw"},
    {"RYA LYA RYU LYU RYO LYO", 5, "@@20%s#2@@UUw#1@@19w#2@@AAw"},
    {"WA WYI WYE", 4, "@@21%s#2@@UUw#2@@AAw"},
    {"N", 0, "@@14%s"},
};

/// Whether `key` (upper case, zero-terminated) is a key of the table; for
/// checks made when compiling.
constexpr bool is_syllable_key(const char* key) {
  for (const Family& family : kFamilies) {
    for (const char* k = family.keys; *k;) {
      size_t n = 0;
      while (k[n] && k[n] != ' ' && k[n] == key[n]) ++n;
      if ((k[n] == ' ' || !k[n]) && !key[n]) return true;
      while (*k && *k != ' ') ++k;
      while (*k == ' ') ++k;
    }
  }
  return false;
}

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

/// Whether `a` (`n` bytes) and `b` (zero-terminated) differ by at most one
/// byte put in, left out or changed.
bool one_edit(const char* a, size_t n, const char* b);

/// Calls `each` with each of the table's keys one edit from the `n`
/// letters at `key` (but that key itself), in the table's order; returns
/// how many there are.
int near_keys(const char* key, size_t n, void (*each)(void* context, const char* key),
              void* context);

/// The row of the key whose letters, A=1 to Z=26, are the digits of `code`
/// in base 27 (a key of at most three letters: below 27 * 27 * 27), or null.
const SyllableRow* syllable_by_code(unsigned code);

/// The row whose key is exactly the `n` bytes at `key`, or null.
const SyllableRow* syllable_by_key(const char* key, size_t n);

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
