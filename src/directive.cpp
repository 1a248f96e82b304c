#include "directive.h"

#include <cstring>

#include "report.h"
#include "run.h"
#include "stream.h"
#include "syllable.h"

namespace {

// The index of the first digit in line[from, size), or `size`.
size_t find_digit(const unsigned char* line, size_t from, size_t size) {
  while (from < size && !is_digit(line[from])) ++from;
  return from;
}

// The voice set whose decimal number starts at line[at]. Any number above 9
// is refused, however many digits it has, echoing the directive's text.
unsigned char read_voice_set(Run& run, const unsigned char* line, size_t at, size_t size) {
  unsigned value = 0;
  for (; at < size && is_digit(line[at]); ++at) {
    value = value * 10 + static_cast<unsigned>(line[at] - '0');
    if (value > 9) {
      std::memcpy(run.line.LineBuf, line, size);
      run.line.pos = size;
      fail_at(kSyntax, run.line, static_cast<long long>(at) + 1);  // after the '#'
    }
  }
  return static_cast<unsigned char>(value);
}

void set_voice(Voices& voices, int vowel, unsigned char set) {
  voices.CurrentVoice[vowel] = voices.DefaultVoice[vowel] = set;
}

}  // namespace

bool apply_directive(Run& run, const unsigned char* text, size_t size) {
  if (size >= 14 && std::memcmp(text, "SYLVO_VSET_ALL", 14) == 0) {
    size_t at = find_digit(text, 0, size);
    if (at < size) {
      unsigned char set = read_voice_set(run, text, at, size);
      for (int v = 0; v < kVowels; ++v) set_voice(run.voices, v, set);
    }
    return true;
  }
  if (size >= 10 && std::memcmp(text, "SYLVO_VSET", 10) == 0) {
    size_t at = 10;
    for (int v = 0; v < kVowels; ++v) {
      at = find_digit(text, at, size);
      if (at == size) break;
      set_voice(run.voices, v, read_voice_set(run, text, at, size));
      ++at;  // the next number may start right after this one's first digit
    }
    return true;
  }
  return false;
}

int apply_override(Voices& voices, int letter, int digit) {
  if (letter == kEnd) return kSyntax;
  int vowel = vowel_index(letter);
  if (vowel < 0) return kNotVowel;
  if (!is_digit(digit)) return kSyntax;
  voices.CurrentVoice[vowel] = static_cast<unsigned char>(digit - '0');
  return 0;
}
