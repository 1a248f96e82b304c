#include "core/directive.h"

#include <cstdio>
#include <cstring>

#include "core/fullwidth.h"
#include "core/run.h"
#include "core/syllable.h"

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
  constexpr const char* kUsages[] = {N_("voice set n for every vowel"), N_("voice sets a i u e o")};
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

DirectiveWarning warning(sylvo_warning what, size_t at, size_t size, const char* format,
                         std::initializer_list<Arg> args, const char* instead = nullptr) {
  DirectiveWarning w{what, at, size, {}, {}};
  w.words.say(format, args);
  if (instead) std::snprintf(w.instead, sizeof w.instead, "#%s", instead);
  return w;
}

// The bytes of `text` from `from` to `to` with each full-width character
// as its ASCII, in `out` (cut to fit).
void as_ascii(const unsigned char* text, size_t from, size_t to, char* out, size_t size) {
  size_t n = 0;
  for (size_t i = from; i < to && n + 1 < size;) {
    WideChar c = wide_char(text + i, text + to);
    out[n++] = static_cast<char>(c.full ? c.ascii : text[i]);
    if (!c.full) c.size = 1;
    i += c.size;
  }
  out[n] = '\0';
}

}  // namespace

const char* keyword_like(const char* word, size_t n) {
  for (const char* k : kKeywords) {
    size_t kn = std::strlen(k);
    if ((n >= kn && std::memcmp(word, k, kn) == 0) || one_edit(word, n, k) ||
        one_swap(word, n, k)) {
      return k;
    }
  }
  return nullptr;
}

DirectiveWarning inspect_directive(const unsigned char* text, size_t size, bool in_comment,
                                   bool indented) {
  // The word after the '#', its letters in either width: `n` letters in
  // `bytes` bytes, `upper` in ASCII capitals.
  constexpr size_t kWordMax = 32;
  char upper[kWordMax + 1] = {};
  size_t n = 0, bytes = 0;
  bool full = false;
  while (bytes < size && n < kWordMax) {
    WideChar c = wide_char(text + bytes, text + size);
    unsigned char a = c.ascii;
    if (!((a >= 'A' && a <= 'Z') || (a >= 'a' && a <= 'z') || a == '_') || (!c.full && a >= 0x80))
      break;
    upper[n++] = static_cast<char>(a >= 'a' ? a - 'a' + 'A' : a);
    full = full || c.full;
    bytes += c.size;
  }
  Arg word(text, bytes);
  const char* read_as = keyword_of(text, size);  // the keyword the line is applied as
  if (indented) {
    const char* like = keyword_like(upper, n);
    if (!like) return {};
    return warning(SYLVO_DIRECTIVE_LOOKALIKE, 0, n,
                   "'#{1}' is copied as text, as blanks stand before its '#': a directive's '#' "
                   "must be its line's first byte; no voice set changes",
                   {word}, like);
  }
  if (in_comment) {
    if (!read_as) return {};
    return warning(SYLVO_DIRECTIVE_IN_COMMENT, 0, n,
                   "'#{1}' inside a block comment is copied as text: no voice set changes", {word});
  }
  if (full) {
    const char* like = keyword_like(upper, n);
    if (!like) return {};
    return warning(SYLVO_FULL_WIDTH, 0, bytes,
                   "'#{1}' is typed in full width and copied as text: a directive is written in "
                   "ASCII, #{2}; no voice set changes",
                   {word, like}, like);
  }
  if (!read_as) {
    const char* like = keyword_like(upper, n);
    if (!like || n == 0) return {};
    return warning(SYLVO_DIRECTIVE_LOOKALIKE, 0, n,
                   "'#{1}' is copied as text, not read as {2}: no voice set changes", {word, like},
                   like);
  }
  size_t kn = std::strlen(read_as);
  if (n > kn) {  // letters added to a keyword, or dropped from the longer one
    const char* like = read_as;
    for (const char* k : kKeywords) {
      if (one_edit(upper, n, k) || one_swap(upper, n, k)) {
        like = k;
        break;
      }
    }
    return warning(SYLVO_DIRECTIVE_LOOKALIKE, 0, n,
                   read_as == kVset
                       ? N_("'#{1}' is read as {2}: its numbers set A, I, U, E and O one by one")
                       : N_("'#{1}' is read as {2}: its number sets every vowel"),
                   {word, read_as}, like);
  }
  // Numbers typed in full width, which are no numbers to the directive.
  size_t first = size, last = 0;
  for (size_t i = kn; i < size;) {
    WideChar c = wide_char(text + i, text + size);
    if (c.full && is_digit(c.ascii)) {
      if (first == size) first = i;
      last = i + c.size;
    }
    i += c.size;
  }
  if (first != size) {
    char ascii[SYLVO_SUGGESTION_SIZE];
    as_ascii(text, first, last, ascii, sizeof ascii);
    DirectiveWarning w = warning(SYLVO_FULL_WIDTH, first, last - first,
                                 "'{1}' is typed in full width and is no number to {2}: write "
                                 "{3}",
                                 {Arg(text + first, last - first), read_as, ascii});
    std::snprintf(w.instead, sizeof w.instead, "%s", ascii);
    return w;
  }
  bool all = read_as == kVsetAll;
  size_t at = find_digit(text, all ? 0 : kn, size);
  if (at == size) {
    return warning(SYLVO_DIRECTIVE_NUMBER, 0, n, "'#{1}' has no number: no voice set changes",
                   {word});
  }
  for (int v = 0; v < (all ? 1 : kVowels) && at < size; ++v) {
    if (at > 0 && (text[at - 1] == '-' || text[at - 1] == '+')) {
      return warning(SYLVO_DIRECTIVE_NUMBER, at - 1, 2,
                     "the sign of '{1}' is not read: it sets {2}",
                     {Arg(text + at - 1, 2), Arg(text + at, 1)});
    }
    if (!all && at + 1 < size && is_digit(text[at + 1])) {
      size_t end = at;
      while (end < size && is_digit(text[end])) ++end;
      return warning(SYLVO_DIRECTIVE_NUMBER, at, end - at,
                     "'{1}' in SYLVO_VSET is read as a number and again from its second digit "
                     "for the next vowel: write one digit a vowel",
                     {Arg(text + at, end - at < 7 ? end - at : 7)});
    }
    at = find_digit(text, at + 1, size);
  }
  return {};
}
