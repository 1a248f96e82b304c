// Directive lines and "@" overrides, through the conversion of small texts.
#include <gtest/gtest.h>

#include "convert_util.h"

namespace {

using std::string;

// (KA)c (KI)c (KU)c (KE)c (KO)c with no length, as codes of each vowel.
string five(const string& a, const string& i, const string& u, const string& e, const string& o) {
  const string kw = "@@5c#1@@6w#1@@7w#1@@";
  return kw + a + "w~#3 " + kw + i + "w~#3 " + kw + u + "w~#3 " + kw + e + "w~#3 " + kw + o +
         "w~#3\n";
}
const string kFive = "(KA)c (KI)c (KU)c (KE)c (KO)c\n";

struct DirectiveCase {
  string directive;  // a line, newline included
  string written;    // what it becomes
  string codes;      // what kFive then turns into
};

TEST(Directive, SetsVoicesForTheRestOfTheFile) {
  const DirectiveCase cases[] = {
      {"#SYLVO_VSET_ALL 1\n", ";#SYLVO_VSET_ALL 1\n", five("30", "31", "32", "33", "34")},
      {"#SYLVO_VSET 1 2 3 4 5\n", ";#SYLVO_VSET 1 2 3 4 5\n", five("30", "36", "42", "48", "54")},
      {"#SYLVO_VSET 1 2\n", ";#SYLVO_VSET 1 2\n", five("30", "36", "02", "03", "04")},
      {"#SYLVO_VSET 1,2,3\n", ";#SYLVO_VSET 1,2,3\n", five("30", "36", "42", "03", "04")},
      {"#SYLVO_VSET A1 I2 U3\n", ";#SYLVO_VSET A1 I2 U3\n", five("30", "36", "42", "03", "04")},
      {"#SYLVO_VSET 05 1\n", ";#SYLVO_VSET 05 1\n", five("50", "51", "32", "03", "04")},
      {"#SYLVO_VSET 1 2 3 4 5 6 7\n", ";#SYLVO_VSET 1 2 3 4 5 6 7\n",
       five("30", "36", "42", "48", "54")},
      {"#SYLVO_VSET_ALL\n", ";#SYLVO_VSET_ALL\n", five("00", "01", "02", "03", "04")},
      {"#SYLVO_VSET_ALL x9y\n", ";#SYLVO_VSET_ALL x9y\n", five("70", "71", "72", "73", "74")},
      {"#SYLVO_VSET_ALL 007\r\n", ";#SYLVO_VSET_ALL 007\r\n", five("60", "61", "62", "63", "64")},
      {"#SYLVO_VSETX 4\n", ";#SYLVO_VSETX 4\n", five("45", "01", "02", "03", "04")},
      {"#SYLVO_VSET_ALL 2\0x\n"s, ";#SYLVO_VSET_ALL 2\0x\n"s, five("35", "36", "37", "38", "39")},
      // Not directives: copied unchanged, voices untouched.
      {"#SYLVO_VSE 4\n", "#SYLVO_VSE 4\n", five("00", "01", "02", "03", "04")},
      {"#sylvo_vset_all 4\n", "#sylvo_vset_all 4\n", five("00", "01", "02", "03", "04")},
      {"#SYLVO\n", "#SYLVO\n", five("00", "01", "02", "03", "04")},
      {"/*\n#SYLVO_VSET_ALL 3\n", "/*\n#SYLVO_VSET_ALL 3\n", five("00", "01", "02", "03", "04")},
      {" #SYLVO_VSET_ALL 3\n", " #SYLVO_VSET_ALL 3\n", five("00", "01", "02", "03", "04")},
  };
  for (const DirectiveCase& c : cases) {
    expect_converted({c.directive + kFive + kFive, c.written + c.codes + c.codes});
  }
}

TEST(Directive, LaterDirectivesChangeWhatFollows) {
  Outcome o =
      convert_body("#SYLVO_VSET_ALL 3\n#SYLVO_VSET 1 2\n" + kFive + "#SYLVO_VSET_ALL 0\n" + kFive);
  EXPECT_EQ(o.output, ";#SYLVO_VSET_ALL 3\n;#SYLVO_VSET 1 2\n" +
                          five("30", "36", "42", "43", "44") + ";#SYLVO_VSET_ALL 0\n" +
                          five("00", "01", "02", "03", "04"));
}

TEST(Directive, HeaderLineIsNotApplied) {
  Outcome o = convert_text("#SYLVO_VSET_ALL 1\n(KA)c ");
  EXPECT_EQ(o.output, ";#SYLVO_VSET_ALL 1\n@@5c#1@@6w#1@@7w#1@@00w~#3 ");
}

// Every voice set 0 to 9, for every vowel and in either directive, gives
// the vowel the code of its set's base (0, 30, 35 ... 70) plus its place.
TEST(Directive, EveryVoiceSetOfEitherDirective) {
  const int kBase[] = {0, 30, 35, 40, 45, 50, 55, 60, 65, 70};
  auto code = [&](int set, int vowel) {
    int n = kBase[set] + vowel;
    return string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
  };
  for (int set = 0; set <= 9; ++set) {
    const string d = std::to_string(set);
    const int other = 9 - set;  // a set beside it, for the next vowel
    const string o = std::to_string(other);
    const DirectiveCase cases[] = {
        {"#SYLVO_VSET_ALL " + d + "\n", ";#SYLVO_VSET_ALL " + d + "\n",
         five(code(set, 0), code(set, 1), code(set, 2), code(set, 3), code(set, 4))},
        {"#SYLVO_VSET " + d + " " + o + " " + d + " " + o + " " + d + "\n",
         ";#SYLVO_VSET " + d + " " + o + " " + d + " " + o + " " + d + "\n",
         five(code(set, 0), code(other, 1), code(set, 2), code(other, 3), code(set, 4))},
    };
    for (const DirectiveCase& c : cases) {
      expect_converted({c.directive + kFive, c.written + c.codes});
    }
  }
}

TEST(Directive, RefusesVoiceSetsAboveNine) {
  const std::pair<string, string> cases[] = {
      {"#SYLVO_VSET_ALL 10\n", "\n*** Syntax error! line:2\n\n> SYLVO_VSET_ALL 10\n\n\n"},
      {"#SYLVO_VSET_ALL 256\n", "\n*** Syntax error! line:2\n\n> SYLVO_VSET_ALL 256\n\n\n"},
      {"\n#SYLVO_VSET 1 2 12\n", "\n*** Syntax error! line:3\n\n> SYLVO_VSET 1 2 12\n\n\n"},
      {"#SYLVO_VSET 0000000000000000000019\n",
       "\n*** Syntax error! line:2\n\n> SYLVO_VSET 0000000000000000000019\n\n\n"},
  };
  for (const auto& c : cases) expect_refused({c.first + kFive, c.second});
}

TEST(Directive, LinesAreCounted) {
  Outcome o = convert_body("#SYLVO_VSET 1\n#x\n/*\n#SYLVO_VSET 2\n*/(KA)x");
  EXPECT_EQ(o.message, "\n*** Syntax error! line:6\n\n> */(KA)x\n\n");
}

TEST(Override, SetsOneVowelForOneSyllable) {
  const Case cases[] = {
      {"(@A3KA)c8 (KA)c8\n", "@@5c#1@@6w#1@@7w#1@@40w8~#3 @@5c#1@@6w#1@@7w#1@@00w8~#3\n"},
      {"(@I2KI)c8 ", "@@5c#1@@6w#1@@7w#1@@36w8~#3 "},
      {"(KI@I2)c8 ", "@@5c#1@@6w#1@@7w#1@@36w8~#3 "},
      {"(K@I2I)c8 ", "@@5c#1@@6w#1@@7w#1@@36w8~#3 "},
      {"(@A1@A9KA)c ", "@@5c#1@@6w#1@@7w#1@@70w~#3 "},
      {"(@U4@A1KUA)c ", "@@5c#1@@6w#1@@7w#1@@47w#2@@30w~#5 "},
  };
  for (const Case& c : cases) expect_converted(c);
}

TEST(Override, RefusesBadBytes) {
  const Refused cases[] = {
      {"(@X1KA)c8", "\n*** Internal Error!\n\n> (@\n\n"},
      {"(@a1KA)c8", "\n*** Internal Error!\n\n> (@\n\n"},
      {"(KA@Ax)c8", "\n*** Syntax error! line:2\n\n> (KA@\n\n"},
      {"(@A:KA)c8", "\n*** Syntax error! line:2\n\n> (@\n\n"},
      {"(@", "\n*** Syntax error! line:2\n\n> (@\n\n"},
      {"(@A", "\n*** Syntax error! line:2\n\n> (@\n\n"},
  };
  for (const Refused& c : cases) expect_refused(c);
}

}  // namespace
