#include "directive.h"

#include <cstring>

#include "header.h"
#include "report.h"
#include "run.h"
#include "syllable.h"

namespace {

bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }

// The index of the first digit in line[from, size), or `size`.
size_t find_digit(const unsigned char* line, size_t from, size_t size) {
  while (from < size && !is_digit(line[from])) ++from;
  return from;
}

// The voice set whose decimal number starts at line[at]. Any number above 9
// is refused, however many digits it has.
unsigned char read_voice_set(const Run& run, const unsigned char* line, size_t at, size_t size) {
  unsigned value = 0;
  for (; at < size && is_digit(line[at]); ++at) {
    value = value * 10 + (line[at] - '0');
    if (value > 9) fail_at(kSyntax, run.line);
  }
  return static_cast<unsigned char>(value);
}

void set_voice(Voices& voices, int vowel, unsigned char set) {
  voices.CurrentVoice[vowel] = voices.DefaultVoice[vowel] = set;
}

}  // namespace

void directive_line(Run& run, bool in_block_comment) {
  Line& line = run.line;
  const unsigned char* text = line.LineBuf;
  long got = read_line(run.in, line.LineBuf);
  check(got != -1, kCantRead, run.in.name);
  size_t size = static_cast<size_t>(got);
  line.pos = size;  // the echo of a refused directive shows the line after '#'

  const char* prefix = "#";
  if (in_block_comment) {
    // copied unchanged
  } else if (size >= 14 && std::memcmp(text, "SYLVO_VSET_ALL", 14) == 0) {
    size_t at = find_digit(text, 0, size);
    if (at < size) {
      unsigned char set = read_voice_set(run, text, at, size);
      for (int v = 0; v < kVowels; ++v) set_voice(run.voices, v, set);
    }
    prefix = ";#";
  } else if (size >= 10 && std::memcmp(text, "SYLVO_VSET", 10) == 0) {
    size_t at = 10;
    for (int v = 0; v < kVowels; ++v) {
      at = find_digit(text, at, size);
      if (at == size) break;
      set_voice(run.voices, v, read_voice_set(run, text, at, size));
      ++at;  // the next number may start right after this one's first digit
    }
    prefix = ";#";
  }
  run.out.write(prefix, std::strlen(prefix));
  run.out.write(text, size);
  ++line.LINE_NO;
  line.pos = 0;
}

bool read_override(Run& run) {
  int letter = run.in.get();
  if (letter == kEnd) return false;
  int vowel = vowel_index(letter);
  if (vowel < 0) fail_at(kNotVowel, run.line);
  int digit = run.in.get();
  if (digit == kEnd) return false;
  if (!is_digit(static_cast<unsigned char>(digit))) fail_at(kSyntax, run.line);
  run.voices.CurrentVoice[vowel] = static_cast<unsigned char>(digit - '0');
  return true;
}
