// Generated inputs shared by the benchmarks, the generator and the stress
// test: each starts with a few lines and the header, then repeats a block of
// its kind up to about `size` bytes, or draws seeded random pieces ("mix",
// "densemix").
#pragma once

#include <cstring>
#include <random>
#include <string>

#include "sylvo.h"

// A seeded random mix of the notation's pieces, not a repeated block, so
// that no branch is learnt by heart: `pieces` are drawn with the weights
// given, a line ends after `per_line` pieces on average.
inline std::string generate_mix(const char* const* pieces, const unsigned* weights, size_t count,
                                unsigned per_line, size_t size) {
  std::string text = "#TITLE generated\nt120\n#SYLVO\n";
  std::mt19937 random(20261209);
  std::discrete_distribution<size_t> pick(weights, weights + count);
  while (text.size() < size) {
    text += pieces[pick(random)];
    if (random() % per_line == 0) text += random() % 4 ? "\n" : "\r\n";
  }
  return text;
}

// Lyrics as real songs vary: lines of 8 to 24 tokens drawn from 600
// different lines; four tokens in five a syllable, its key from a common
// set or any of the table's, one in four with a '+' or '-', three in four
// with a length of its own, one in twelve with one to three overrides;
// rests, ties, commands and plain notes between; comments and directive
// lines between lines.
inline std::string generate_varied(size_t size) {
  std::mt19937 random(20261210);
  auto below = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
  const char* const common[] = {"A",  "I",  "U",  "E",  "O",  "KA", "SHI", "TSU", "N",  "NO",
                                "TO", "RA", "MA", "WA", "YO", "TA", "NA",  "HA",  "KI", "KO"};
  const char* const lengths[] = {"8", "4", "16", "8.", "2", "4."};
  const char* const others[] = {"r4 ", "r8 ", "c8&", "d4^8 ", "o4 ",   "@@12 ", "v12 ",
                                "q7 ", ">",   "<",   "e8 ",   "g+16 ", "l8 "};
  std::string lines[600];
  for (std::string& line : lines) {
    line = std::string(1, static_cast<char>('A' + below(8))) + " ";
    for (unsigned t = 0, n = 8 + below(17); t < n; ++t) {
      if (below(5) == 4) {
        line += others[below(sizeof others / sizeof others[0])];
        continue;
      }
      std::string k =
          below(2) ? common[below(20)] : sylvo_syllable_key(static_cast<int>(below(203)));
      if (below(12) == 0) {
        for (unsigned o = 0, m = 1 + below(3); o < m; ++o) {
          std::string ov{'@', "AIUEO"[below(5)], static_cast<char>('0' + below(10))};
          k = below(2) ? ov + k : k + ov;
        }
      }
      line += "(" + k + ")" + "cdefgab"[below(7)];
      if (below(4) == 0) line += below(2) ? "+" : "-";
      if (below(4) != 0) line += lengths[below(6)];
      line += " ";
    }
    line += "\n";
  }
  std::string text = "#TITLE varied\nt120\n#SYLVO\n";
  while (text.size() < size) {
    text += lines[below(600)];
    switch (below(16)) {
      case 0: text += "; verse \x83\x6c\x83\x52\n"; break;
      case 1: text += "/* bridge */\n"; break;
      case 2: text += "#SYLVO_VSET_ALL " + std::to_string(below(10)) + "\n"; break;
      case 3: text += "#SYLVO_VSET 1 2 3 4 5\n"; break;
      default: break;
    }
  }
  return text;
}

inline std::string generate_input(const char* kind, size_t size) {
  const char* head = "#TITLE generated\nt120\n#SYLVO\n#SYLVO_VSET_ALL 1\n";
  const char* block = nullptr;
  if (std::strcmp(kind, "varied") == 0) return generate_varied(size);
  if (std::strcmp(kind, "plain") == 0) {
    block =
        "A o4 c d e f g a b >c< r4 c+ d- e8. f16 g4 a2 b1 @@12 v12 q7\n"
        "B o3 c4 e4 g4 >c4< c4 e4 g4 >c4< ; bass line, no syllables here\r\n"
        "C o5 l16 cdefgab>c<bagfedc l8 r2 (KA)c (N)d4\r\n"
        "D @@30 o4 v10 c8 c8 r8 c8 c8 r8 c8 r8 c4 c4 c4 c4 c4 c4 c4 r4\n"
        "// a comment line with (KA)c8 in it, copied as it is\n"
        "E o4 c2 e2 g2 >c2< /* inline */ c1 r1 c1 r1 c1 r1 c1 r1 c1 r1\n";
  } else if (std::strcmp(kind, "notes") == 0) {
    block = "A o4 c d e f g a b >c< r4 c+ d- e8. f16 g4 a2 b1 @@12 v12 q7\r\n";
  } else if (std::strcmp(kind, "dense") == 0) {
    block =
        "(KYA)d+8.(@I2KI)c4(N)f2.(KA)c8 (SHI)d4(TSU)e16(A)c(GA)g-4.\n"
        "(MI)c(TI)d(WO)e(@U3YU)f(KU)g4(N)g4(RYO)a8(XTU)c(SA)d(HI)e\n";
  } else if (std::strcmp(kind, "comment") == 0) {
    block =
        "; a comment line with syllables (KA)c8 (SHI)d4 that stay as they are\n"
        "// another comment (KYA)d+8. (N)f2.\n"
        "A o4 c d e f ; and a trailing comment\n"
        "/* a block comment over a line, where (KA)c8 is converted */\n";
  } else if (std::strcmp(kind, "mix") == 0) {
    // Plain MML with comments, 'l' commands and a syllable every line or two.
    // clang-format off: the pieces and their weights are tables
    static const char* const pieces[] = {"c8 ",
                                         "d4 ",
                                         "e ",
                                         "f+16 ",
                                         "g-8. ",
                                         "a2 ",
                                         "b ",
                                         "r4 ",
                                         ">c< ",
                                         "o4 ",
                                         "v12 ",
                                         "q7 ",
                                         "@@12 ",
                                         "t120 ",
                                         "cdefgab ",
                                         "l8 ",
                                         "l16 ",
                                         "(KA)c ",
                                         "(SHI)d4 ",
                                         "(N)f2. ",
                                         "; a comment (KA)c8\n",
                                         "// more comment\n",
                                         "/* inline */ "};
    static const unsigned weights[] = {30, 30, 20, 10, 10, 10, 10, 10, 8, 8, 5, 5,
                                       4,  2,  6,  4,  2,  3,  3,  2,  2, 1, 1};
    // clang-format on
    return generate_mix(pieces, weights, sizeof weights / sizeof weights[0], 12, size);
  } else if (std::strcmp(kind, "densemix") == 0) {
    // Keys, notes, lengths, overrides and directive lines, all mixed.
    // clang-format off
    static const char* const pieces[] = {
        "(KA)c8", "(KYA)d+8.", "(@I2KI)c4", "(N)f2.", "(SHI)d4", "(TSU)e16", "(A)c", "(GA)g-4.",
        "(MI)c", "(WO)e", "(@U3YU)f", "(RYO)a8", "(XTU)c", "(DJA)b%12", "(HWE)c#3", " ", "l8 ",
        "\n#SYLVO_VSET_ALL 3\n", "\n#SYLVO_VSET 1 2 3 4 5\n", "(@A1@O9NYO)k16.."};
    static const unsigned weights[] = {10, 6, 4, 6, 6, 4, 6, 4, 4, 4, 3, 3, 2, 2, 2, 6, 2, 1, 1, 1};
    // clang-format on
    return generate_mix(pieces, weights, sizeof weights / sizeof weights[0], 10, size);
  } else if (std::strcmp(kind, "tiny") == 0) {
    block = "A l8 o4 (KA)c (SHI)d4 (@O2KO)e ; la\n";
    size = 0;
  } else {
    return {};
  }
  std::string text = head;
  size_t n = std::strlen(block);
  do text += block;
  while (text.size() + n <= size);
  return text;
}
