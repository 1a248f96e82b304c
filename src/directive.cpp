#include "directive.h"

#include <cstdio>
#include <cstring>

#include "run.h"
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

constexpr const char* kVsetAll = "SYLVO_VSET_ALL";
constexpr const char* kVset = "SYLVO_VSET";
constexpr const char* kKeywords[] = {kVsetAll, kVset};  // in the order tried

// The keyword the line after its '#' begins with, as it is applied, or null.
const char* keyword_of(const unsigned char* text, size_t size) {
  for (const char* k : kKeywords) {
    size_t kn = std::strlen(k);
    if (size >= kn && std::memcmp(text, k, kn) == 0) return k;
  }
  return nullptr;
}

}  // namespace

Directive apply_directive(Voices& voices, const unsigned char* text, size_t size) {
  const char* keyword = keyword_of(text, size);
  if (keyword == kVsetAll) {
    size_t at = find_digit(text, 0, size);
    if (at < size) {
      int set = read_voice_set(text, &at, size);
      if (set < 0) return {true, SYLVO_SYNTAX, at};
      for (int v = 0; v < kVowels; ++v) set_voice(voices, v, set);
    }
    return {true, SYLVO_COMPLETED, 0};
  }
  if (keyword == kVset) {
    size_t at = std::strlen(kVset);
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

const char* sylvo_directive_keyword(int index) {
  constexpr int n = sizeof kKeywords / sizeof kKeywords[0];
  return index >= 0 && index < n ? kKeywords[index] : nullptr;
}

const char* sylvo_directive_usage(int index) {
  constexpr const char* kUsages[] = {"voice set n for every vowel", "voice sets a i u e o"};
  static_assert(sizeof kUsages == sizeof kKeywords, "a usage a keyword");
  return sylvo_directive_keyword(index) ? kUsages[index] : nullptr;
}

namespace {

// Whether `word` (`n` bytes) is `k` with two bytes side by side swapped.
bool one_swap(const char* word, size_t n, const char* k) {
  if (std::strlen(k) != n) return false;
  size_t i = 0;
  while (i < n && word[i] == k[i]) ++i;
  return i + 1 < n && word[i] == k[i + 1] && word[i + 1] == k[i] &&
         std::memcmp(word + i + 2, k + i + 2, n - i - 2) == 0;
}

// The keyword the upper-cased `word` looks like, or null.
const char* looks_like(const char* word, size_t n) {
  for (const char* k : kKeywords) {
    size_t kn = std::strlen(k);
    if ((n >= kn && std::memcmp(word, k, kn) == 0) || one_edit(word, n, k) ||
        one_swap(word, n, k)) {
      return k;
    }
  }
  return nullptr;
}

DirectiveWarning warning(sylvo_warning what, size_t at, size_t size, const char* format,
                         const char* a = "", const char* b = "") {
  DirectiveWarning w{what, at, size, {}, nullptr};
  std::snprintf(w.message, sizeof w.message, format, a, b);
  return w;
}

}  // namespace

DirectiveWarning inspect_directive(const unsigned char* text, size_t size, bool in_comment,
                                   bool indented) {
  constexpr size_t kWordMax = 32;
  char word[kWordMax + 1] = {}, upper[kWordMax + 1] = {};
  size_t n = 0;
  while (n < size && n < kWordMax &&
         ((text[n] >= 'A' && text[n] <= 'Z') || (text[n] >= 'a' && text[n] <= 'z') ||
          text[n] == '_')) {
    word[n] = static_cast<char>(text[n]);
    upper[n] = static_cast<char>(text[n] >= 'a' ? text[n] - 'a' + 'A' : text[n]);
    ++n;
  }
  const char* read_as = keyword_of(text, size);  // the keyword the line is applied as
  if (indented) {
    const char* like = looks_like(upper, n);
    if (!like) return {};
    DirectiveWarning w =
        warning(SYLVO_DIRECTIVE_LOOKALIKE, 0, n,
                "'#%s' is copied as text, as blanks stand before its '#': a directive's '#' "
                "must be its line's first byte; no voice set changes",
                word);
    w.like = like;
    return w;
  }
  if (in_comment) {
    if (!read_as) return {};
    return warning(SYLVO_DIRECTIVE_IN_COMMENT, 0, n,
                   "'#%s' inside a block comment is copied as text: no voice set changes", word);
  }
  if (!read_as) {
    const char* like = looks_like(upper, n);
    if (!like || n == 0) return {};
    DirectiveWarning w =
        warning(SYLVO_DIRECTIVE_LOOKALIKE, 0, n,
                "'#%s' is copied as text, not read as %s: no voice set changes", word, like);
    w.like = like;
    return w;
  }
  size_t kn = std::strlen(read_as);
  if (n > kn) {  // letters added to a keyword, or dropped from the longer one
    DirectiveWarning w = warning(
        SYLVO_DIRECTIVE_LOOKALIKE, 0, n,
        read_as == kVset ? "'#%s' is read as %s: its numbers set A, I, U, E and O one by one"
                         : "'#%s' is read as %s: its number sets every vowel",
        word, read_as);
    w.like = read_as;
    for (const char* k : kKeywords) {
      if (one_edit(upper, n, k) || one_swap(upper, n, k)) {
        w.like = k;
        break;
      }
    }
    return w;
  }
  bool all = read_as == kVsetAll;
  size_t at = find_digit(text, all ? 0 : kn, size);
  if (at == size) {
    return warning(SYLVO_DIRECTIVE_NUMBER, 0, n, "'#%s' has no number: no voice set changes", word);
  }
  for (int v = 0; v < (all ? 1 : kVowels) && at < size; ++v) {
    if (at > 0 && (text[at - 1] == '-' || text[at - 1] == '+')) {
      char number[3] = {static_cast<char>(text[at - 1]), static_cast<char>(text[at]), '\0'};
      return warning(SYLVO_DIRECTIVE_NUMBER, at - 1, 2, "the sign of '%s' is not read: it sets %s",
                     number, number + 1);
    }
    if (!all && at + 1 < size && is_digit(text[at + 1])) {
      size_t end = at;
      while (end < size && is_digit(text[end])) ++end;
      char number[8] = {};
      std::memcpy(number, text + at, end - at < 7 ? end - at : 7);
      return warning(SYLVO_DIRECTIVE_NUMBER, at, end - at,
                     "'%s' in SYLVO_VSET is read as a number and again from its second digit "
                     "for the next vowel: write one digit a vowel",
                     number);
    }
    at = find_digit(text, at + 1, size);
  }
  return {};
}
