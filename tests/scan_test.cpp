// The scanner end to end in memory: text in, exact bytes and messages out,
// every case at every buffer size.
#include <gtest/gtest.h>

#include <random>

#include "convert_util.h"
#include "support.h"

namespace {

using std::string;

const string kKA = "@@5c#1@@6w#1@@7w#1@@00w";  // (KA)c with set 0, before its length

TEST(Scan, Syllables) {
  const Case cases[] = {
      {"(KA)c8\n", kKA + "8~#3\n"},
      {"l8 (KA)c ", "l8 " + kKA + "8~#3 "},
      {"(KA)c ", kKA + "~#3 "},
      {"(KA)c+4. ", "@@5c+#1@@6w#1@@7w#1@@00w4.~#3 "},
      {"(KA)c%12 ", kKA + "%12~#3 "},
      {"(KA)c#12 ", kKA + "#12~#3 "},
      {"l4 (KA)c. ", "l4 " + kKA + "4.~#3 "},
      {"l8 l (KA)c ", "l8 l " + kKA + "~#3 "},
      {"l8 vol (KA)c ", "l8 vol " + kKA + "~#3 "},
      {"(KA)c12345678901234567 ", kKA + "1234567890123456~#37 "},
      {"l1234567890123456 (KA)c. ", "l1234567890123456 " + kKA + "1234567890123456~#3. "},
      {"(A)e4 ", "@@00e4 "},
      {"(N)c8 ", "@@14c8 "},
      {"(GA)c+8 ", "<@@22c+#1@@23w#1@@7w#1>@@00c+8~#3 "},
      {"(XTU)c8 ", "<<@@12c#1>@@25c#2>@@02c#2k8~#5 "},
      {"(KYO)g+16 ", "@@5g+#1@@6w#1@@7w#1@@19w#2@@04w16~#5 "},
      {"(WI)a4 ", "@@02a#3@@01w4~#3 "},
      {"(KA)c8(KI)d8\n", kKA + "8~#3@@5d#1@@6w#1@@7w#1@@01w8~#3\n"},
      {"(KA)w4 (KA)k4 ", "@@5w#1@@6w#1@@7w#1@@00w4~#3 @@5k#1@@6w#1@@7w#1@@00w4~#3 "},
      {"(KA)c8\r\n(KA)c8\r\n", kKA + "8~#3\r\n" + kKA + "8~#3\r\n"},
      // A syllable seen before expands anew after a new length or voices.
      {"l8 (KA)c l4 (KA)c l4 (KA)c\n",
       "l8 " + kKA + "8~#3 l4 " + kKA + "4~#3 l4 " + kKA + "4~#3\n"},
      {"(KA)c+-(KA)c+- ", "@@5c+#1@@6w#1@@7w#1@@00w~#3-@@5c+#1@@6w#1@@7w#1@@00w~#3- "},
      {"(KA)c\n#SYLVO_VSET_ALL 1\n(KA)c ",
       kKA + "~#3\n;#SYLVO_VSET_ALL 1\n@@5c#1@@6w#1@@7w#1@@30w~#3 "},
      {"v)c8 ", "vc8 "},
      {"v)c+8. x", "vc+8. x"},
      // The first read ends inside the syllable.
      {lines_of(65526) + "(KA)c8\n", lines_of(65526) + kKA + "8~#3\n"},
  };
  for (const Case& c : cases) expect_converted(c);
}

TEST(Scan, Comments) {
  const Case cases[] = {
      {"c8 ; (KA)c8\n", "c8 ; (KA)c8\n"},
      {"c8 // (KA)c8\n", "c8 // (KA)c8\n"},
      {"a/b (KA)c8\n", "a/b (KA)c8\n"},
      {"/* (KA)c8\n", "/* " + kKA + "8~#3\n"},
      {"/* x */(KA)c ", "/* x */" + kKA + "~#3 "},
      {"/* ; (KA)c\n(KA)c ", "/* ; (KA)c\n" + kKA + "~#3 "},
      // The '*' that opens a comment does not also close it (a directive
      // inside a comment is copied unchanged) ...
      {"/*/\n#SYLVO_VSET_ALL 1\n(KA)c ", "/*/\n#SYLVO_VSET_ALL 1\n" + kKA + "~#3 "},
      {"/* */\n#SYLVO_VSET_ALL 1\n(KA)c ",
       "/* */\n;#SYLVO_VSET_ALL 1\n@@5c#1@@6w#1@@7w#1@@30w~#3 "},
      {"/*/(KA)c ", "/*/(KA)c "},
      // ... and the '/' that closes one does not start a line comment.
      {"/* */(KA)c ", "/* */" + kKA + "~#3 "},
      {"/* **/(KA)c ", "/* **/" + kKA + "~#3 "},
      // A '/' right before a newline is no line comment.
      {"a/\n(KA)c ", "a/\n" + kKA + "~#3 "},
      {"(KA)c/(KA)c\n(KA)c ", kKA + "~#3/(KA)c\n" + kKA + "~#3 "},
      {"; a\0b\n(KA)c "s, "; a\0b\n"s + kKA + "~#3 "},
      // The first read ends inside a comment and inside a directive line.
      {lines_of(65526) + "; (KA)c\n(KA)c ", lines_of(65526) + "; (KA)c\n" + kKA + "~#3 "},
      {lines_of(65520) + "#SYLVO_VSET_ALL 1\n(KA)c ",
       lines_of(65520) + ";#SYLVO_VSET_ALL 1\n@@5c#1@@6w#1@@7w#1@@30w~#3 "},
  };
  for (const Case& c : cases) expect_converted(c);
}

TEST(Scan, BytesPassThrough) {
  const Case cases[] = {
      {"; \x83\x6c\x82\xa0\n", "; \x83\x6c\x82\xa0\n"},
      // A 0x6C second byte outside a comment is an 'l' command like any other.
      {"\x83\x6c"
       "8 (KA)c ",
       "\x83\x6c"
       "8 " +
           kKA + "8~#3 "},
      {"\xff\0 (KA)c\xff\n"s, "\xff\0 "s + kKA + "~#3\xff\n"},
      {"#comment\n#SYLVO\nc#4 \n", "#comment\n#SYLVO\nc#4 \n"},
      {"%+-.@x\n", "%+-.@x\n"},
      // A zero byte after a run long enough to be skipped in bulk, and last.
      {repeat(40, 'a') + "\0(KA)c "s, repeat(40, 'a') + "\0"s + kKA + "~#3 "},
      {"(KA)c\0"s, kKA + "~#3\0"s},
  };
  for (const Case& c : cases) expect_converted(c);
}

TEST(Scan, EndOfInputFinishesWhatIsPending) {
  const Case cases[] = {
      {"(KA)c", kKA + "~#3"},
      {"(KA)c+", "@@5c+#1@@6w#1@@7w#1@@00w~#3"},
      {"l8\n(KA)c", "l8\n" + kKA + "8~#3"},
      {"l8\n(KA)c4", "l8\n" + kKA + "4~#3"},
      {"l4 (KA)c.", "l4 " + kKA + "4.~#3"},
      {"l16", "l16"},
      {"l8 l", "l8 l"},
      {"v)c8", "vc8"},
      {"v)c", "vc"},
      {"/*", "/*"},
      {"a/", "a/"},
  };
  for (const Case& c : cases) expect_converted(c);
}

TEST(Scan, RefusesBadSyllables) {
  const Refused cases[] = {
      {"(ka)c8", "\n*** Illegal token! line:2\n\n> (k\n\n"},
      {"(KAAA)c8", "\n*** Illegal token! line:2\n\n> (KAAA)\n\n"},
      {"(KA)x8", "\n*** Syntax error! line:2\n\n> (KA)x\n\n"},
      {"(KX)c8 ", "\n*** Illegal token! line:2\n\n> (KX)c8 \n\n"},
      {"(KX)c8\n", "\n*** Illegal token! line:2\n\n> (KX)c8\n\n\n"},
      {"()c8 ", "\n*** Illegal token! line:2\n\n> ()c8 \n\n"},
      {"(KA)c) ", "\n*** Syntax error! line:2\n\n> (KA)c) \n\n"},
      {"(K\nA)c", "\n*** Illegal token! line:2\n\n> (K\n\n\n"},
      {"\n\n; x\n/ y\n(KA)x", "\n*** Syntax error! line:6\n\n> (KA)x\n\n"},
      {"a\0(KA)x"s, "\n*** Syntax error! line:2\n\n> a\n\n"},
      // An unfinished syllable or a ')' with no note at the end of input.
      {"(KA", "\n*** Syntax error! line:2\n\n> (KA\n\n"},
      {"x (KA)", "\n*** Syntax error! line:2\n\n> x (KA)\n\n"},
      {"x)", "\n*** Syntax error! line:2\n\n> x)\n\n"},
      {"\n(KA@", "\n*** Syntax error! line:3\n\n> (KA@\n\n"},
      {"(@A", "\n*** Syntax error! line:2\n\n> (@\n\n"},
      {"(@A1KA)c(@A1KA)c(KX)c", "\n*** Illegal token! line:2\n\n> (@KA)c(@KA)c(KX)c\n\n"},
  };
  for (const Refused& c : cases) expect_refused(c);
}

TEST(Scan, LineLimit) {
  // A converted line holds at most 2048 bytes, its newline included; the
  // end of input is no byte.
  string full = repeat(2047, 'a') + "\n";
  expect_converted({full + "(KA)c ", full + kKA + "~#3 "});
  expect_converted({repeat(2048, 'a'), repeat(2048, 'a')});
  expect_converted({"(KA)c" + repeat(2043, ' '), kKA + "~#3" + repeat(2043, ' ')});
  expect_refused({repeat(2048, 'a') + "\n", "\n*** Can't read file: input\n\n"});
  expect_refused(
      {repeat(2000, 'a') + "(KA)c" + repeat(44, '4'), "\n*** Can't read file: input\n\n"});
  expect_converted({repeat(2045, 'a') + "l1\n", repeat(2045, 'a') + "l1\n"});
  expect_refused({repeat(2046, 'a') + "l1\n", "\n*** Can't read file: input\n\n"});
  expect_refused({repeat(2046, 'a') + "l12", "\n*** Can't read file: input\n\n"});
  expect_converted({repeat(2047, 'a') + ";x\n", repeat(2047, 'a') + ";x\n"});
  expect_refused({repeat(2048, 'a') + ";x\n", "\n*** Can't read file: input\n\n"});
  expect_refused({repeat(2043, 'a') + "(KA)c\n", "\n*** Can't read file: input\n\n"});
  // The vowel and digit after an override's '@' are two bytes that do not count.
  string kA1 = "@@5c#1@@6w#1@@7w#1@@30w~#3";
  expect_converted({"(@A1KA)c" + repeat(2041, 'a') + "\n", kA1 + repeat(2041, 'a') + "\n"});
  expect_refused({"(@A1KA)c" + repeat(2042, 'a') + "\n", "\n*** Can't read file: input\n\n"});
  expect_converted(
      {"(@A1KA)c(@A1KA)c" + repeat(2035, 'a') + "\n", kA1 + kA1 + repeat(2035, 'a') + "\n"});
  expect_refused(
      {"(@A1KA)c(@A1KA)c" + repeat(2036, 'a') + "\n", "\n*** Can't read file: input\n\n"});
  // The rest of a comment line may hold 2048 bytes of its own.
  string comment = "x;" + repeat(2047, 'c') + "\n";
  expect_converted({comment + "(KA)c ", comment + kKA + "~#3 "});
  expect_refused({"x;" + repeat(2048, 'c') + "\n", "\n*** Can't read file: input\n\n"});
}

// Inputs built from the notation's pieces convert the same however the input
// is split and the output buffered.
TEST(Scan, BufferBoundariesDoNotMatter) {
  const char* pieces[] = {
      "(KA)c8",
      "(KYA)d+8.",
      "(@I2KI)c4",
      "(N)f2.",
      "(XTU)c",
      "l8 ",
      "l ",
      "v)c8 ",
      "; x (KA)c\n",
      "// c\n",
      "/* ",
      " */",
      "*",
      "/",
      "\n",
      "\r\n",
      "\n#SYLVO_VSET_ALL 3\n",
      "\n#SYLVO_VSET 1 2\n",
      "\n#other\n",
      "c8 d4 ",
      "\x83\x6c",
      "\xff",
      "" /* a zero byte */,
      "(KA)c1234567890123456789 ",
      "(A)e",
      "%",
      "@@5",
      "\n; ab\n",
      "(KA)c",
  };
  const char* refused[] = {"(KA)x", "(ka)", "(KX)c ", "(@X1", "\n#SYLVO_VSET 12\n", "x)"};
  std::mt19937 random(12345);
  int succeeded = 0;
  for (int n = 0; n < 400; ++n) {
    string body;
    int count = 1 + static_cast<int>(random() % 60);
    for (int i = 0; i < count; ++i) {
      const char* piece = pieces[random() % (sizeof pieces / sizeof pieces[0])];
      body += *piece ? string(piece) : string(1, '\0');
    }
    if (random() % 8 == 0) body.insert(random() % body.size(), repeat(1500 + random() % 700, 'x'));
    if (random() % 8 == 0) body.insert(random() % body.size(), refused[random() % 6]);
    Outcome whole = convert_body(body);
    for (size_t buffer : kBufferSizes) {
      Outcome split = convert_body(body, buffer);
      ASSERT_EQ(split.status, whole.status) << body;
      if (whole.status == 0) {  // a failed run's output is deleted, whatever it held
        ASSERT_EQ(split.output, whole.output) << body;
      }
      ASSERT_EQ(split.message, whole.message) << body;
    }
    succeeded += whole.status == 0;
  }
  EXPECT_GT(succeeded, 200);  // the mix must mostly convert, or it tests little
}

}  // namespace
