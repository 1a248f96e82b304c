#include "syllable.h"

#include <array>
#include <cstring>

#include "report.h"
#include "run.h"

namespace {

// The table by family. Every key after a family's first takes the first
// key's template with its last vowel pair replaced by the key's own last
// vowel written twice; keys that end in no vowel (T, N) take it unchanged.
struct Family {
  const char* keys;
  unsigned char frames;
  const char* templ;
};

constexpr Family kFamilies[] = {
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
