// Prints the syllable list from the program's own table: every key with its
// kana from the kana chart, what (KEY)c becomes with every voice set 0 and
// no length, and its frames, grouped by family; and the vowel codes of
// every voice set.
//   sylvo_syllables md    the list in Markdown (docs/syllables.md)
//   sylvo_syllables man   the manual page's SYLLABLES section (docs/syllables.man)
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/run.h"
#include "core/syllable.h"
#include "sylvo.h"

namespace {

const char kVowelLetters[] = "AIUEO";

std::string expansion(const SyllableRow& row, const Voices& voices = Voices{}) {
  unsigned char text[kExpansionMax];
  const unsigned char note[] = {'c'};
  const unsigned char no_length[kLengthMax] = {};
  size_t size = build_expansion(row, voices, note, 1, no_length, 0, text);
  return std::string(reinterpret_cast<const char*>(text), size);
}

// The two digits of `vowel`'s instrument in voice set `set`: what the
// vowel's own syllable ("A" to "O", the table's first rows) expands to.
std::string vowel_code(unsigned set, int vowel) {
  Voices voices{};
  for (int v = 0; v < kVowels; ++v) voices.CurrentVoice[v] = static_cast<unsigned char>(set);
  return expansion(syllable_row(vowel), voices).substr(2, 2);  // "@@" code "c"
}

// A family's rows share the template but for its last vowel pair.
std::string family_shape(const SyllableRow& row) {
  std::string t(row.templ, row.templ_size);
  for (size_t i = t.size(); i-- > 1;) {
    if (t[i] == t[i - 1] && std::strchr(kVowelLetters, t[i])) {
      t.replace(i - 1, 2, "**");
      break;
    }
  }
  return t + "/" + std::to_string(row.frames);
}

std::vector<std::vector<int>> families() {
  std::vector<std::vector<int>> all;
  for (int i = 0; i < kSyllables; ++i) {
    if (i == 0 || family_shape(syllable_row(i)) != family_shape(syllable_row(i - 1)))
      all.emplace_back();
    all.back().push_back(i);
  }
  return all;
}

std::string keys_of(const std::vector<int>& family) {
  std::string keys;
  for (int i : family) keys += (keys.empty() ? "" : " ") + std::string(syllable_row(i).key);
  return keys;
}

void markdown() {
  std::printf(
      "# The syllables\n\n"
      "<!-- Made by `cmake --build build --target syllables` from the program's own table;\n"
      "     CI fails when it differs. Do not edit by hand. -->\n\n"
      "A syllable is a key from this list in parentheses, a note and an optional length:\n"
      "`(KA)c8`. It becomes the run of instrument selections (`@@` and a number),\n"
      "sub-notes, waits (`w`, `k`) and octave marks (`<`, `>`) shown here, then the\n"
      "length, then `~#` and the syllable's frames (the sum of the run's `#` counts)\n"
      "unless they are 0. Keys are upper case and matched exactly: `(ka)c` and `(KX)c`\n"
      "fail with \"Illegal token!\".\n\n"
      "## Vowel instruments\n\n"
      "An `@@` code of two digits is a vowel instrument: the base of the vowel's voice\n"
      "set plus the vowel's place (A 0, I 1, U 2, E 3, O 4). Voice sets are chosen with\n"
      "`#SYLVO_VSET_ALL n`, `#SYLVO_VSET a i u e o` and, for one syllable, `@` with a\n"
      "vowel and a digit inside the parentheses: `(@I2KI)c8` gives KI's I the code\n"
      "%s. Every voice set starts at 0. The list below uses voice set 0.\n\n"
      "| voice set | A | I | U | E | O |\n|---|---|---|---|---|---|\n",
      vowel_code(2, 1).c_str());
  for (unsigned set = 0; set < 10; ++set) {
    std::printf("| %u |", set);
    for (int v = 0; v < kVowels; ++v) std::printf(" %s |", vowel_code(set, v).c_str());
    std::printf("\n");
  }
  std::printf(
      "\n## The keys, by family\n\n%d keys. Each row: the key, its kana (in hiragana where there "
      "is one;\n\xe2\x80\x94 where it has none), and what `(KEY)c` becomes, with no length. To "
      "find "
      "a\nsyllable by its kana, search this page for it: \xe3\x81\x97\xe3\x82\x83 is SHA (SYA "
      "is\nsung the same).\n",
      kSyllables);
  for (const std::vector<int>& family : families()) {
    std::printf("\n### %s\n\n| key | kana | `(KEY)c` becomes | frames |\n|---|---|---|---|\n",
                keys_of(family).c_str());
    for (int i : family) {
      const SyllableRow& row = syllable_row(i);
      const char* kana = sylvo_syllable_kana(row.key);
      std::printf("| %s | %s | `%s` | %u |\n", row.key, *kana ? kana : "\xe2\x80\x94",
                  expansion(row).c_str(), row.frames);
    }
  }
}

// roff: a backslash is written "\e" and a minus "\-".
std::string roff(const std::string& text) {
  std::string out;
  for (char c : text)
    out += c == '\\' ? std::string("\\e") : c == '-' ? std::string("\\-") : std::string(1, c);
  return out;
}

void man() {
  std::printf(
      ".\\\" Made by `cmake --build build --target syllables` from the program's own table.\n"
      "Each family of keys is listed with what its first key becomes as\n"
      ".B (KEY)c\n"
      "with every voice set 0 and no length, and its frames; the other keys of the\n"
      "family end on their own vowel.\n"
      "A vowel instrument's code is its voice set's base (0, 30, 35, ... 70 for sets\n"
      "0 to 9) plus the vowel's place (A 0, I 1, U 2, E 3, O 4).\n");
  for (const std::vector<int>& family : families()) {
    const SyllableRow& first = syllable_row(family.front());
    std::printf(".TP\n.B %s\n%s \\(em %u frames\n", keys_of(family).c_str(),
                roff(expansion(first)).c_str(), first.frames);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "md") == 0) {
    markdown();
  } else if (argc == 2 && std::strcmp(argv[1], "man") == 0) {
    man();
  } else {
    std::fprintf(stderr, "usage: sylvo_syllables md|man\n");
    return 2;
  }
  return 0;
}
