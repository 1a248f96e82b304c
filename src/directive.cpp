#include "directive.h"

#include <cstring>

#include "run.h"
#include "stream.h"
#include "syllable.h"

namespace {

// The index of the first digit in line[from, size), or `size`.
size_t find_digit(const unsigned char* line, size_t from, size_t size) {
  while (from < size && !is_digit(line[from])) ++from;
  return from;
}

// Reads the decimal number that starts at line[*at] as a voice set, leaving
// *at at the digit that makes it more than 9, if one does; -1 then.
int read_voice_set(const unsigned char* line, size_t* at, size_t size) {
  unsigned value = 0;
  for (size_t i = *at; i < size && is_digit(line[i]); ++i) {
    value = value * 10 + static_cast<unsigned>(line[i] - '0');
    if (value > 9) {
      *at = i;
      return -1;
    }
  }
  return static_cast<int>(value);
}

void set_voice(Voices& voices, int vowel, int set) {
  voices.CurrentVoice[vowel] = voices.DefaultVoice[vowel] = static_cast<unsigned char>(set);
}

}  // namespace

Directive apply_directive(Voices& voices, const unsigned char* text, size_t size) {
  if (size >= 14 && std::memcmp(text, "SYLVO_VSET_ALL", 14) == 0) {
    size_t at = find_digit(text, 0, size);
    if (at < size) {
      int set = read_voice_set(text, &at, size);
      if (set < 0) return {true, SYLVO_SYNTAX, at};
      for (int v = 0; v < kVowels; ++v) set_voice(voices, v, set);
    }
    return {true, SYLVO_COMPLETED, 0};
  }
  if (size >= 10 && std::memcmp(text, "SYLVO_VSET", 10) == 0) {
    size_t at = 10;
    for (int v = 0; v < kVowels; ++v) {
      at = find_digit(text, at, size);
      if (at == size) break;
      int set = read_voice_set(text, &at, size);
      if (set < 0) return {true, SYLVO_SYNTAX, at};
      set_voice(voices, v, set);
      ++at;  // the next number may start right after this one's first digit
    }
    return {true, SYLVO_COMPLETED, 0};
  }
  return {false, SYLVO_COMPLETED, 0};
}

sylvo_kind apply_override(Voices& voices, int letter, int digit) {
  if (letter == kEnd) return SYLVO_SYNTAX;
  int vowel = vowel_index(letter);
  if (vowel < 0) return SYLVO_INTERNAL_ERROR;
  if (!is_digit(digit)) return SYLVO_SYNTAX;
  voices.CurrentVoice[vowel] = static_cast<unsigned char>(digit - '0');
  return SYLVO_COMPLETED;
}
