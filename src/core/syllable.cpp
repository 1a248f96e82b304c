#include "core/syllable.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "core/report.h"
#include "core/run.h"

namespace {

// Voice set number -> base of its five vowel codes.
constexpr unsigned char kVoiceBase[10] = {0, 30, 35, 40, 45, 50, 55, 60, 65, 70};

constexpr unsigned code_of(unsigned set, int vowel) { return kVoiceBase[set] + vowel; }

// The two digits of every vowel's code in every voice set, ready to copy.
struct CodeDigits {
  char digits[10][kVowels][2];
};

constexpr CodeDigits build_code_digits() {
  CodeDigits t{};
  for (unsigned set = 0; set < 10; ++set) {
    for (int v = 0; v < kVowels; ++v) {
      unsigned code = code_of(set, v);
      t.digits[set][v][0] = static_cast<char>('0' + code / 10);
      t.digits[set][v][1] = static_cast<char>('0' + code % 10);
    }
  }
  return t;
}

constexpr CodeDigits kCodeDigits = build_code_digits();

constexpr Layout make_layout(const char* templ, size_t size, size_t note_size) {
  Layout l{};
  for (unsigned char& at : l.note_at) at = kNoteScratch;
  unsigned notes = 0;
  size_t n = 0;
  for (size_t i = 0; i < size;) {
    if (templ[i] == '%' || vowel_index(templ[i]) >= 0) {
      bool note = templ[i] == '%';
      if (note) {
        l.note_at[notes++] = static_cast<unsigned char>(n);
      } else {
        l.vowel_at[l.vowels] = static_cast<unsigned char>(n);
        l.vowel_of[l.vowels++] = static_cast<unsigned char>(vowel_index(templ[i]));
      }
      size_t width = note ? note_size : 2;
      for (size_t w = 0; w < width; ++w) l.text[n++] = templ[i];
      i += 2;
    } else {
      l.text[n++] = templ[i++];
    }
  }
  l.size = static_cast<unsigned char>(n);
  return l;
}

constexpr std::array<SyllableRow, kSyllables> build_rows() {
  std::array<SyllableRow, kSyllables> rows{};
  int n = 0;
  for (const Family& family : kFamilies) {
    for (const char* k = family.keys; *k;) {
      SyllableRow& row = rows[n++];
      size_t key_size = 0;
      while (*k && *k != ' ') row.key[key_size++] = *k++;
      while (*k == ' ') ++k;
      row.frames = family.frames;
      while (family.templ[row.templ_size]) {
        row.templ[row.templ_size] = family.templ[row.templ_size];
        ++row.templ_size;
      }
      char last = row.key[key_size - 1];
      if (vowel_index(last) >= 0) {
        size_t p = row.templ_size;
        while (p > 0 && vowel_index(row.templ[p - 1]) < 0) --p;
        if (p >= 2) row.templ[p - 2] = row.templ[p - 1] = last;
      }
      row.layout[0] = make_layout(row.templ, row.templ_size, 1);
      row.layout[1] = make_layout(row.templ, row.templ_size, 2);
      if (row.frames != 0) {
        row.suffix[row.suffix_size++] = '~';
        row.suffix[row.suffix_size++] = '#';
        if (row.frames >= 10)
          row.suffix[row.suffix_size++] = static_cast<char>('0' + row.frames / 10);
        row.suffix[row.suffix_size++] = static_cast<char>('0' + row.frames % 10);
      }
    }
  }
  return rows;
}

constexpr std::array<SyllableRow, kSyllables> kRows = build_rows();

// Every expansion fits kExpansionMax bytes with the fixed-size copies that
// make it (the template, 16 bytes of length, 4 of suffix), and the note's
// scratch places lie past every template's text.
constexpr bool expansions_fit() {
  for (const SyllableRow& row : kRows) {
    for (const Layout& layout : row.layout) {
      if (layout.size > kNoteScratch) return false;
      if (layout.size + kLengthMax + sizeof row.suffix > kExpansionMax) return false;
    }
  }
  return kTemplateMax <= kExpansionMax;
}
static_assert(expansions_fit(), "an expansion may not fit kExpansionMax");

// A key of up to three letters read as a base-27 number (A=1 .. Z=26) is a
// direct index: one table load finds a row, with no string compares.
constexpr size_t kKeyCodes = size_t{27} * 27 * 27;

constexpr size_t key_code(const char* key, size_t size) {
  size_t code = 0;
  for (size_t i = 0; i < size; ++i) code = code * 27 + static_cast<size_t>(key[i] - 'A' + 1);
  return code;
}

constexpr std::array<unsigned char, kKeyCodes> build_index() {
  std::array<unsigned char, kKeyCodes> index{};
  for (int i = 0; i < kSyllables; ++i) {
    size_t size = 0;
    while (kRows[i].key[size]) ++size;
    index[key_code(kRows[i].key, size)] = static_cast<unsigned char>(i + 1);
  }
  return index;
}

constexpr std::array<unsigned char, kKeyCodes> kIndex = build_index();

}  // namespace

const SyllableRow& syllable_row(int i) { return kRows[i]; }

const SyllableRow* syllable_by_code(unsigned code) {
  unsigned char row = kIndex[code];
  return row ? &kRows[row - 1] : nullptr;
}

namespace {

// The layout's text with each vowel's code in the voice set `sets` gives it.
void fill_vowels(const Layout& layout, const unsigned char* sets, unsigned char* text) {
  std::memcpy(text, layout.text, kTemplateMax);
  for (unsigned i = 0; i < layout.vowels; ++i) {
    unsigned vowel = layout.vowel_of[i];
    std::memcpy(text + layout.vowel_at[i], kCodeDigits.digits[sets[vowel]][vowel], 2);
  }
}

// Puts the note, the length and the frames into a text whose vowels are in.
size_t finish(const SyllableRow& row, const Layout& layout, const unsigned char* note,
              size_t note_size, const unsigned char* length, size_t length_size,
              unsigned char* text) {
  for (unsigned i = 0; i < 3; ++i) {  // always three: the rest go to the scratch bytes
    unsigned char* at = text + layout.note_at[i];
    at[0] = note[0];
    at[note_size - 1] = note[note_size - 1];  // the same byte again for a one-byte note
  }
  size_t n = layout.size;
  std::memcpy(text + n, length, kLengthMax);  // a fixed size: no call to memcpy
  n += length_size;
  std::memcpy(text + n, row.suffix, sizeof row.suffix);
  return n + row.suffix_size;
}

}  // namespace

size_t build_expansion(const SyllableRow& row, const Voices& voices, const unsigned char* note,
                       size_t note_size, const unsigned char* length, size_t length_size,
                       unsigned char* text) {
  const Layout& layout = row.layout[note_size - 1];
  fill_vowels(layout, voices.CurrentVoice, text);
  return finish(row, layout, note, note_size, length, length_size, text);
}

size_t make_expansion(Voices& voices, const SyllableRow& row, const unsigned char* note,
                      size_t note_size, const unsigned char* length, size_t length_size,
                      unsigned char* text) {
  size_t n = build_expansion(row, voices, note, note_size, length, length_size, text);
  std::memcpy(voices.CurrentVoice, voices.DefaultVoice, kVowels);
  return n;
}

bool one_edit(const char* a, size_t n, const char* b) {
  // What is left between the common start and the common end is at most
  // one byte in each.
  size_t m = std::strlen(b), i = 0;
  while (i < n && i < m && a[i] == b[i]) ++i;
  size_t j = n, k = m;
  while (j > i && k > i && a[j - 1] == b[k - 1]) --j, --k;
  return j - i <= 1 && k - i <= 1;
}

int near_keys(const char* key, size_t n, void (*each)(void* context, const char* key),
              void* context) {
  int found = 0;
  for (int i = 0; i < kSyllables; ++i) {
    const char* k = syllable_row(i).key;
    if (!one_edit(key, n, k) || (std::strlen(k) == n && std::memcmp(k, key, n) == 0)) continue;
    each(context, k);
    ++found;
  }
  return found;
}

const SyllableRow* syllable_by_key(const char* key, size_t n) {
  if (n > 3) return nullptr;
  unsigned code = 0;
  for (size_t i = 0; i < n; ++i) {
    if (key[i] < 'A' || key[i] > 'Z') return nullptr;
    code = code * 27 + static_cast<unsigned>(key[i] - 'A' + 1);
  }
  return syllable_by_code(code);
}
