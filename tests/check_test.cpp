// Checks: every problem of an input at once, each where the conversion
// would stop if it were the first, at every buffer size.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "convert_util.h"

namespace {

using std::string;

// The problems in a line each: "LINE:COLUMN START+LENGTH KIND", then the
// counts when more were found than kept.
string problems_of(const string& text, size_t buffer = 0, size_t max = 256) {
  Checked c = check_buffer(text.data(), text.size(), buffer, buffer, 0, max);
  string out;
  for (size_t i = 0; i < c.result.count; ++i) {
    const sylvo_problem& p = c.problems[i];
    out += std::to_string(p.line) + ":" + std::to_string(p.column) + " " + std::to_string(p.start) +
           "+" + std::to_string(p.length) + " " + p.name + "\n";
  }
  size_t all = c.result.errors + c.result.warnings + c.result.notes;
  if (all != c.result.count) out += std::to_string(all) + " in all\n";
  return out;
}

struct Row {
  string text;
  string problems;
};

TEST(Check, FindsEveryProblem) {
  const string long_line = repeat(2100, 'x');
  const Row rows[] = {
      {"#SYLVO\n(KA)c8 ; fine\n", ""},
      {"x\n", "0:-1 -1+0 not-sylvo\n"},
      // Each kind, and where the check goes on after it.
      {"#SYLVO\n(ka)c8 (KA)c8\n", "2:1 1+2 illegal-token\n"},  // the key, for its capitals
      {"#SYLVO\n(KAAA)c8 (ka\n", "2:5 1+4 illegal-token\n2:10 10+1 illegal-token\n"},
      {"#SYLVO\n(K(KX)c8\n", "2:2 2+1 illegal-token\n2:8 3+2 illegal-token\n2:3 3+2 near-keys\n"},
      {"#SYLVO\n(KX)c8 (QQ)d\n",
       "2:6 1+2 illegal-token\n2:1 1+2 near-keys\n2:12 8+2 illegal-token\n2:8 8+2 near-keys\n"},
      {"#SYLVO\n(KA)x8 (KA)(KI)c8\n", "2:4 4+1 syntax\n2:11 11+1 syntax\n"},
      {"#SYLVO\n(KA)xl (KA)c\n", "2:4 4+1 syntax\n2:5 5+1 empty-length\n"},  // on at the 'l'
      // A comment that would open past the limit opens none: no warning after.
      {"#SYLVO\n" + repeat(2047, 'x') + "/*\n#SYLVO_VSET 1\n", "2:2048 2048+1 cant-read\n"},
      {"#SYLVO\nv) (@Z1KA)c (@A)c\n", "2:2 2+1 syntax\n2:4 4+1 internal-error\n2:13 13+1 syntax\n"},
      {"#SYLVO\n#SYLVO_VSET 12\n#SYLVO_VSET_ALL 10\n(KX)c\n",
       "2:13 13+1 syntax\n3:17 17+1 syntax\n4:5 1+2 illegal-token\n4:1 1+2 near-keys\n"},
      {"#SYLVO\n(KA", "2:2 2+1 syntax\n"},
      {"#SYLVO\n(KX)c", "2:4 1+2 illegal-token\n2:1 1+2 near-keys\n"},
      // A line over the limit: on at the next line, before the header too.
      {"#SYLVO\n" + long_line + "\n(ka)\n", "2:2048 2048+1 cant-read\n3:1 1+2 illegal-token\n"},
      {"#SYLVO\n; " + long_line + "\n/* " + long_line + "\n(ka)",
       "2:2049 2049+1 cant-read\n3:2048 2048+1 cant-read\n4:1 1+2 illegal-token\n"},
      {"#SYLVO\n#" + long_line + "\n(ka)", "2:2049 2049+1 cant-read\n3:1 1+2 illegal-token\n"},
      {long_line + "\n#SYLVO\n(ka)", "1:2048 2048+1 cant-read\n3:1 1+2 illegal-token\n"},
      {"#SYLVO" + long_line + "\n(ka)", "1:2048 2048+1 cant-read\n2:1 1+2 illegal-token\n"},
      {long_line, "1:2048 2048+1 cant-read\n0:-1 -1+0 not-sylvo\n"},
  };
  for (const Row& r : rows) {
    for (size_t buffer : kBufferSizes) {
      EXPECT_EQ(problems_of(r.text, buffer), r.problems) << r.text.substr(0, 80) << " " << buffer;
    }
  }
  // A line too long says how long it is, its newline counted.
  const std::string song = "#SYLVO\n" + repeat(3000, 'a') + "\n";
  sylvo_problem problem;
  sylvo_check_result result;
  sylvo_check_memory(song.data(), song.size(), "", &problem, 1, &result);
  EXPECT_STREQ(problem.explanation, "this line is 3001 bytes, and a line holds at most 2048");
}

// Warnings: what converts, but likely not as the composer meant. Each row
// is a body behind the header; each warning's message is checked whole once.
TEST(Check, Warnings) {
  const string sjis_l = "\x83\x6c";  // a Shift-JIS character whose second byte is 'l'
  const Row rows[] = {
      {"/* slow */ (KA)c\n", "2:4 4+1 empty-length\n"},
      {"l8 l (KA)c (KI)c\n", "2:3 3+1 empty-length\n"},
      {"l8 vol (KA)c\nl8 (KA)c\n", "2:5 5+1 empty-length\n"},
      {"l (KA)c.\n", "2:0 0+1 empty-length\n"},
      {"(KA)c l\n(KA)c (KI)c\n", "2:6 6+1 empty-length\n"},
      {"#SYLVO_VSETALL 2\n", "2:0 0+14 directive-lookalike\n"},
      {"#sylvo_vset_all 2\n#Sylvo_Vset 1\n#SYLVO_VSE 1\n#SYLVO_VSET_ALLL 1\n",
       "2:0 0+15 directive-lookalike\n3:0 0+11 directive-lookalike\n4:0 0+10 "
       "directive-lookalike\n5:0 0+16 directive-lookalike\n"},
      {" #SYLVO_VSET_ALL 2\n\t #SYLVO_VSET 1\n",
       "2:1 1+15 directive-lookalike\n3:2 2+11 directive-lookalike\n"},
      {"#SYLVO_VSET_ALL\n#SYLVO_VSET\n", "2:0 0+15 directive-number\n3:0 0+11 directive-number\n"},
      {"#SYLVO_VSET_ALL -1\n#SYLVO_VSET 1 +2\n",
       "2:16 16+2 directive-number\n3:14 14+2 directive-number\n"},
      {"#SYLVO_VSET 05 1\n", "2:12 12+2 directive-number\n"},
      {"/*\n#SYLVO_VSET 1\n*/\n", "3:0 0+11 directive-in-comment\n"},
      {"#SYLVO_VEST_ALL 2\n#SYLOV_VSET 1\n",
       "2:0 0+15 directive-lookalike\n3:0 0+11 directive-lookalike\n"},
      // An 'l' that is no length command and changes the length a syllable takes.
      {"A l8 (KA)c /* old tempo: l4 */ (KI)d\n", "2:25 25+2 stray-length\n"},
      {"A vol12 (KU)e\n", "2:4 4+3 stray-length\n"},
      // A kanji or kana that ends in the byte of 'l', or has one glued to it, is text.
      {"l8\n" + sjis_l + " (KU)c\n" + sjis_l + "4 (KA)c \xe3\x81\x82l (KI)c\n", ""},
      {"l8 /* l4 */\n(KA)c8 l8 (KI)c\n", ""},  // a length command before any syllable takes it
      {"l8 (KA)c /* l8 */ (KI)d\nl8 vol8 (KU)e\n", ""},  // the same length
      {"l8 (KA)el4 (KI)c cdel16 (KU)d\n", ""},           // a length command right after a note
      // Silence: ordinary songs.
      {"l8 o4 (KA)c (SHI)d4 ; l (KA)c\n// l\n(KA)c8\n", ""},
      {"TitleName Volume l8 (KA)c8 (KI)d4\nl (KA)c8\n", ""},
      {"/* syllable */\nl8 (KA)c\n", ""},
      {"l\nl4 (KA)c\n", ""},
      {"#SYLVO_VSET 1 2 3 4 5\n#SYLVO_VSET_ALL 9\n#TITLE x\n#SYLVO\n#OCTAVE-REV\n", ""},
      // Words as long as a keyword are no lookalikes for it.
      {"#INSTRUMENT_NAME piano\n#ABCDEFGHIJKLMN 1\n#ABCDEFGHIJ 2\n#SYLVO_VSET_ALL 1\n", ""},
      {"#AYLOV_VSET 1\n#SYLVO_VSTE_ALX 1\n", ""},  // a swap and another change
  };
  for (const Row& r : rows) {
    for (size_t buffer : kBufferSizes) {
      EXPECT_EQ(problems_of("#SYLVO\n" + r.text, buffer), r.problems) << r.text << " " << buffer;
    }
    // Warnings change nothing the conversion does.
    Outcome o = convert_body(r.text);
    EXPECT_EQ(o.status, 0) << r.text;
  }
  std::ifstream example(SYLVO_EXAMPLE, std::ios::binary);
  string song((std::istreambuf_iterator<char>(example)), std::istreambuf_iterator<char>());
  ASSERT_GT(song.size(), 100u);
  EXPECT_EQ(problems_of(song), "");

  sylvo_problem p[2];
  sylvo_check_result r;
  const string both = "#SYLVO\n/* l */ (KA)c\n#SYLVO_VSET_ALL -1\n";
  EXPECT_EQ(sylvo_check_memory(both.data(), both.size(), "song.mml", p, 2, &r), 0);
  EXPECT_EQ(r.warnings, 2u);
  EXPECT_EQ(string(p[0].message),
            "'l' sets the default length to nothing: the syllables after it take no length, the "
            "first (KA) on line 2; this 'l' is inside a block comment, where 'l' acts too");
  EXPECT_EQ(string(p[1].message), "the sign of '-1' is not read: it sets 1");
}

// What a problem suggests could stand at its bytes, a quick fix in an
// editor: "LINE:START+LENGTH NAME -> SUGGESTIONS" for each problem that has
// any, a body behind the header each.
TEST(Check, Suggestions) {
  const Row rows[] = {
      {"(ka)c8\n", "2:1+2 illegal-token -> KA\n"},
      {"(KY)c8\n",
       "2:1+2 illegal-token -> KA KI KU KE KO KYA KYU KYE KYO\n"
       "2:1+2 near-keys -> KA KI KU KE KO KYA KYU KYE KYO\n"},
      {"(KYAA)c8\n", "2:1+4 illegal-token -> KYA\n2:1+4 near-keys -> KYA\n"},
      {"(SHIX)c8\n", "2:1+4 illegal-token -> SHI\n2:1+4 near-keys -> SHI\n"},
      // A keyword with letters dropped or added: the one likely meant.
      {"#SYLVO_VSETALL 3\n", "2:0+14 directive-lookalike -> #SYLVO_VSET_ALL\n"},
      {"#SYLVO_VSET_AL 2\n", "2:0+14 directive-lookalike -> #SYLVO_VSET_ALL\n"},
      {"#SYLVO_VSET_ALLL 2\n", "2:0+16 directive-lookalike -> #SYLVO_VSET_ALL\n"},
      {"#SYLVO_VSETS 1\n", "2:0+12 directive-lookalike -> #SYLVO_VSET\n"},
      {"#SYLVO_VSETTINGS 1\n", "2:0+16 directive-lookalike -> #SYLVO_VSET\n"},
      {"#sylvo_vset_all 2\n", "2:0+15 directive-lookalike -> #SYLVO_VSET_ALL\n"},
      // What an input method typed in full width, in UTF-8 and in Shift-JIS.
      {"（ＫＡ）c8 (KI)c\n", "2:0+14 full-width -> (KA)c8\n"},
      {"\x81\x69\x82\x6a\x82\x60\x81\x6a\x82\x83\x82\x57 \n", "2:0+12 full-width -> (KA)c8\n"},
      {"(KA)c８ \n", "2:5+3 full-width -> 8\n"},
      {"l8 (KA)c\x82\x57\x81\x44 \n", "2:8+4 full-width -> 8.\n"},
      {"ｌ８ (KA)c\n", "2:0+6 full-width -> l8\n"},
      {"\x82\x8c"
       "8 (KA)c\n",
       "2:0+3 full-width -> l8\n"},
      {"＃SYLVO_VSET 1\n", "2:0+13 full-width -> #SYLVO_VSET\n"},
      {"\x81\x94sylvo_vset_all 1\n", "2:0+16 full-width -> #SYLVO_VSET_ALL\n"},
      {"#ＳＹＬＶＯ_VSET_ALL 1\n", "2:0+25 full-width -> #SYLVO_VSET_ALL\n"},
      {"#SYLVO_VSET １ ２\n", "2:12+7 full-width -> 1 2\n"},
      {"#SYLVO_VSET_ALL \x82\x52\n", "2:16+2 full-width -> 3\n"},
      {"(ＫＡ)c8\n", "2:1+6 illegal-token -> KA\n"},
      {"(\x82\x6a\x82\x60)c8\n", "2:1+4 illegal-token -> KA\n"},
      {"(KA)ｃ8\n", "2:4+3 syntax -> c\n"},
      {"(KA）c8\n", "2:3+3 illegal-token -> )\n"},
      // Full width where the notation reads none, or in a comment: text.
      {"ＡＢＣ ｌ ＃ \x82\x60 （笑） ８ /* （ＫＡ）c ｌ８ */ ; ＃SYLVO_VSET 1\n", ""},
      {"\x83\x82\x60 (KA)c\n", ""},                       // モ then '`', not Ａ
      {"（ＫＡＡＡ）c （）c （ＫＡ） （ＫＡ）ｘ\n", ""},  // no syllable's shape
      // A first byte of Shift-JIS with no second byte is a character alone.
      {"\x90(ka)c \x82(ka)c\n", "2:2+2 illegal-token -> KA\n2:9+2 illegal-token -> KA\n"},
  };
  for (const Row& r : rows) {
    const string song = "#SYLVO\n" + r.text;
    Checked c = check_buffer(song.data(), song.size(), 0, 0, 0, 16);
    string out;
    for (size_t i = 0; i < c.result.count; ++i) {
      const sylvo_problem& p = c.problems[i];
      if (p.suggestion_count == 0) continue;
      out += std::to_string(p.line) + ":" + std::to_string(p.start) + "+" +
             std::to_string(p.length) + " " + p.name + " ->";
      for (size_t k = 0; k < p.suggestion_count && k < SYLVO_SUGGESTIONS_MAX; ++k)
        out += " " + string(p.suggestions[k]);
      out += "\n";
    }
    EXPECT_EQ(out, r.problems) << r.text;
  }
}

// What each error says to a musician, and how far its echo runs: "EXPLANATION
// | ECHO", a body behind the header each, its first problem.
TEST(Check, ExplanationsSayWhatHappened) {
  const Row rows[] = {
      {"A l8 (RA)\r\n",
       "the line ends before the note of (RA): a syllable takes its note right after its ')', "
       "as in (RA)c | A l8 (RA)"},
      {"(RA) c\n",
       "a space stands between (RA) and its note: a syllable takes its note right after its "
       "')', as in (RA)c | (RA) "},
      {"(KA )c\n",
       "a space inside (KA ): a key is one to three capital letters right after '(', as in (KA) "
       "| (KA )"},
      {"(KA\n",
       "the line ends inside (KA: a syllable's key ends with ')' on its line, as in (KA)c | (KA"},
      {"A (hx)c8 x\n",
       "'h' cannot stand in a key: a key is one to three capital letters, as in (KA) | A (hx)"},
      {"(K\tA)c\n",
       "a space inside (K\tA): a key is one to three capital letters right after '(', as in "
       "(KA) | (K\tA)"},
      {"(\x82\xa9)c\n",
       "the character \x82\xa9 cannot stand in a key: a key is one to three capital letters, as "
       "in (KA) | (\x82\xa9)"},
      {"(KA)\xe3\x81\x8b\n",
       "(KA) takes a note after its ')': a to g, w or k, not \xe3\x81\x8b | (KA)\xe3"},
      {"(KA)x8\n", "(KA) takes a note after its ')': a to g, w or k, not 'x' | (KA)x"},
      {"(@X1KA)c\n",
       "'@' takes a vowel, A, I, U, E or O, and then a digit, as in (@I2KI): 'X' is no vowel | "
       "(@X1KA)"},
      {"(@IXKA)c\n",
       "'@' takes a vowel, A, I, U, E or O, and then a digit, as in (@I2KI): 'X' is no digit | "
       "(@IXKA)"},
      {"(@I", "the file ends inside (@I | (@I"},
      {"(KA", "the file ends inside (KA | (KA"},
      {"v)\r\n",
       "the line ends after a ')' outside a syllable, which takes a note after it: a to g, w or "
       "k | v)"},
      {"v) \n",
       "a ')' outside a syllable takes a note after it: a to g, w or k, not a space | v) "},
      {"(KAAA)c8\n", "KAAA is not a syllable key: a key has at most three letters | (KAAA)"},
      {"(KX)c8 x\n", "KX is not a syllable key | (KX)c8"},
      {"(ka)c\n", "keys are capitals: KA | (ka)"},
      {"#SYLVO_VSET 1 12\n", "voice set 12: voice sets are 0 to 9 | SYLVO_VSET 1 12"},
  };
  for (const Row& r : rows) {
    const string song = "#SYLVO\n" + r.text;
    sylvo_problem p;
    sylvo_check_result result;
    sylvo_check_memory(song.data(), song.size(), "", &p, 1, &result);
    ASSERT_EQ(result.count, 1u) << r.text;
    // The line from the echo's start, as a client with the bytes shows it.
    size_t line_start = 0;
    for (unsigned long long l = 1; l < p.line; ++l) line_start = song.find('\n', line_start) + 1;
    bool directive = song[line_start] == '#';  // echoed after its '#'
    string echo = song.substr(line_start + directive, p.construct_end - directive);
    EXPECT_EQ(string(p.explanation) + " | " + echo, r.problems) << r.text;
    // The words are the format with the arguments put in.
    const char* args[SYLVO_ARGUMENTS_MAX];
    for (size_t i = 0; i < p.argument_count; ++i) args[i] = p.arguments[i];
    char filled[SYLVO_MESSAGE_MAX + 1];
    sylvo_fill(p.format, args, p.argument_count, filled, sizeof filled);
    EXPECT_STREQ(filled, p.explanation) << r.text;
  }
}

TEST(Check, KeepsTheFirstAndCountsTheRest) {
  string song = "#SYLVO\n";
  for (int i = 0; i < 300; ++i) song += "(XXX)c (ka)c\n";  // no key is near XXX
  Checked c = check_buffer(song.data(), song.size(), 0, 0, 0, 5);
  EXPECT_EQ(c.result.count, 5u);
  EXPECT_EQ(c.result.errors, 600u);
  EXPECT_EQ(c.result.status, 1);
  EXPECT_EQ(c.problems[4].line, 4u);
  EXPECT_EQ(problems_of(song, 0, 0), "600 in all\n");
}

TEST(Check, MessagesAreTheConversions) {
  sylvo_problem p[3];
  sylvo_check_result r;
  const string song = "#SYLVO\n(KA)c8 (KX)c8\n(SHI)x\n";
  EXPECT_EQ(sylvo_check_memory(song.data(), song.size(), "song.mml", p, 3, &r), 1);
  EXPECT_EQ(string(p[0].message), "\n*** Illegal token! line:2\n\n> (KA)c8 (KX)c8\n\n\n");
  EXPECT_EQ(string(p[1].message), "KX is no key; keys one edit away: KA, KI, KU, KE, KO");
  EXPECT_EQ(string(p[2].message), "\n*** Syntax error! line:3\n\n> (SHI)x\n\n");
  EXPECT_EQ(sylvo_check_memory("x", 1, "song.mml", p, 2, &r), 1);
  EXPECT_EQ(string(p[0].message), "\n*** NOT SyLvO file: song.mml\n\n");
  EXPECT_EQ(sylvo_check_memory("#SYLVO", 6, string(256, 'n').c_str(), p, 2, &r), 1);
  EXPECT_EQ(p[0].kind, SYLVO_PATH_TOO_LONG);
  EXPECT_EQ(sylvo_check_memory("#SYLVO\n", 7, "song.mml", nullptr, 9, &r), 0);
}

}  // namespace
