// Checks: every problem of an input at once, each where the conversion
// would stop if it were the first, at every buffer size.
#include <gtest/gtest.h>

#include <string>

#include "convert_util.h"

namespace {

using std::string;

// The problems in a line each: "LINE:COLUMN START+LENGTH KIND", then the
// counts when more were found than kept.
string problems_of(const string& text, size_t buffer = 0, size_t max = 256) {
  Checked c = check_buffer(text.data(), text.size(), buffer, buffer, 0, max);
  static const char* const kNames[] = {
      "completed", "usage",   "same",   "open",     "open out",   "path",  "read",
      "not sylvo", "illegal", "syntax", "internal", "write char", "write", "position"};
  string out;
  for (size_t i = 0; i < c.result.count; ++i) {
    const sylvo_problem& p = c.problems[i];
    out += std::to_string(p.line) + ":" + std::to_string(p.column) + " " + std::to_string(p.start) +
           "+" + std::to_string(p.length) + " " + kNames[p.kind] + "\n";
  }
  if (c.result.errors != c.result.count) out += std::to_string(c.result.errors) + " in all\n";
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
      {"x\n", "0:-1 -1+0 not sylvo\n"},
      // Each kind, and where the check goes on after it.
      {"#SYLVO\n(ka)c8 (KA)c8\n", "2:1 1+1 illegal\n"},
      {"#SYLVO\n(KAAA)c8 (ka\n", "2:5 5+1 illegal\n2:10 10+1 illegal\n"},
      {"#SYLVO\n(K(KX)c8\n", "2:2 2+1 illegal\n2:8 2+6 illegal\n"},
      {"#SYLVO\n(KX)c8 (QQ)d\n", "2:6 0+6 illegal\n2:12 7+5 illegal\n"},
      {"#SYLVO\n(KA)x8 (KA)(KI)c8\n", "2:4 4+1 syntax\n2:11 11+1 syntax\n"},
      {"#SYLVO\nv) (@Z1KA)c (@A)c\n", "2:2 2+1 syntax\n2:4 4+1 internal\n2:13 13+1 syntax\n"},
      {"#SYLVO\n#SYLVO_VSET 12\n#SYLVO_VSET_ALL 10\n(KX)c\n",
       "2:13 13+1 syntax\n3:17 17+1 syntax\n4:5 0+5 illegal\n"},
      {"#SYLVO\n(KA", "2:2 2+1 syntax\n"},
      {"#SYLVO\n(KX)c", "2:4 0+5 illegal\n"},
      // A line over the limit: on at the next line, before the header too.
      {"#SYLVO\n" + long_line + "\n(ka)\n", "2:2048 2048+1 read\n3:1 1+1 illegal\n"},
      {"#SYLVO\n; " + long_line + "\n/* " + long_line + "\n(ka)",
       "2:2049 2049+1 read\n3:2048 2048+1 read\n4:1 1+1 illegal\n"},
      {"#SYLVO\n#" + long_line + "\n(ka)", "2:2049 2049+1 read\n3:1 1+1 illegal\n"},
      {long_line + "\n#SYLVO\n(ka)", "1:2048 2048+1 read\n3:1 1+1 illegal\n"},
      {"#SYLVO" + long_line + "\n(ka)", "1:2048 2048+1 read\n2:1 1+1 illegal\n"},
      {long_line, "1:2048 2048+1 read\n0:-1 -1+0 not sylvo\n"},
  };
  for (const Row& r : rows) {
    for (size_t buffer : kBufferSizes) {
      EXPECT_EQ(problems_of(r.text, buffer), r.problems) << r.text.substr(0, 80) << " " << buffer;
    }
  }
}

TEST(Check, KeepsTheFirstAndCountsTheRest) {
  string song = "#SYLVO\n";
  for (int i = 0; i < 300; ++i) song += "(KX)c (ka)c\n";
  Checked c = check_buffer(song.data(), song.size(), 0, 0, 0, 5);
  EXPECT_EQ(c.result.count, 5u);
  EXPECT_EQ(c.result.errors, 600u);
  EXPECT_EQ(c.result.status, 1);
  EXPECT_EQ(c.problems[4].line, 4u);
  EXPECT_EQ(problems_of(song, 0, 0), "600 in all\n");
}

TEST(Check, MessagesAreTheConversions) {
  sylvo_problem p[2];
  sylvo_check_result r;
  const string song = "#SYLVO\n(KA)c8 (KX)c8\n(SHI)x\n";
  EXPECT_EQ(sylvo_check_memory(song.data(), song.size(), "song.mml", p, 2, &r), 1);
  EXPECT_EQ(string(p[0].message), "\n*** Illegal token! line:2\n\n> (KA)c8 (KX)c8\n\n\n");
  EXPECT_EQ(string(p[1].message), "\n*** Syntax error! line:3\n\n> (SHI)x\n\n");
  EXPECT_EQ(sylvo_check_memory("x", 1, "song.mml", p, 2, &r), 1);
  EXPECT_EQ(string(p[0].message), "\n*** NOT SyLvO file: song.mml\n\n");
  EXPECT_EQ(sylvo_check_memory("#SYLVO", 6, string(256, 'n').c_str(), p, 2, &r), 1);
  EXPECT_EQ(p[0].kind, SYLVO_PATH_TOO_LONG);
  EXPECT_EQ(sylvo_check_memory("#SYLVO\n", 7, "song.mml", nullptr, 9, &r), 0);
}

}  // namespace
