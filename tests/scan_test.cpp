// The scanner end to end in memory: text in, exact bytes and messages out,
// every case at every buffer size.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "convert_util.h"
#include "oracle.h"
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
      {"l12345678901234567 (KA)c ", "l12345678901234567 " + kKA + "1234567890123456~#3 "},
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
      {"\xff\0 (KA)c\xff\n"s, "\xff\0 "s + kKA + "~#3\xff\n"},
      {"#comment\n#SYLVO\nc#4 \n", "#comment\n#SYLVO\nc#4 \n"},
      {"%+-.@x\n", "%+-.@x\n"},
      // A zero byte after a run long enough to be skipped in bulk, and last.
      {repeat(40, 'a') + "\0(KA)c "s, repeat(40, 'a') + "\0"s + kKA + "~#3 "},
      {"(KA)c\0"s, kKA + "~#3\0"s},
  };
  for (const Case& c : cases) expect_converted(c);
}

// An 'l' right after a byte 0x80-0xFF is text, and the default length
// stays: 四 and 人 (8E 6C, 90 6C) in a block comment, ネ (83 6C), a UTF-8
// kana with an 'l' glued to it; after any other byte it acts. Each against
// the reference scanner too.
TEST(Scan, AnLAfterACharacterOfManyBytesIsText) {
  const Case cases[] = {
      {"A l8 (SA)c\r\n/* \x8e\x6c\x90\x6c\x82\xc5\x89\xcc\x82\xa4 */\r\nA (RA)e\r\n",
       "A l8 @@8c#2@@9w#2@@10w#1@@00w8~#5\r\n/* \x8e\x6c\x90\x6c\x82\xc5\x89\xcc\x82\xa4 */\r\nA "
       "@@20e#2@@02w#2@@00w8~#4\r\n"},
      {"l8 \x83\x6c"
       "4 (KA)c ",
       "l8 \x83\x6c"
       "4 " +
           kKA + "8~#3 "},
      {"l8 \xe3\x81\x82l4(KA)c ", "l8 \xe3\x81\x82l4" + kKA + "8~#3 "},
      {"l8 \x83\x6cl4 (KA)c ", "l8 \x83\x6cl4 " + kKA + "4~#3 "},  // the next 'l' acts
  };
  for (const Case& c : cases) expect_converted(c);
  for (int before = 0; before < 256; ++before) {
    if (before == '\n' || before == ';' || before == '/' || before == '(' || before == ')' ||
        before == 'l' || before == '#' || before == '*')
      continue;
    const string body = "l8 " + string(1, static_cast<char>(before)) + "l4 (KA)c ";
    const string song = "#SYLVO\n" + body;
    Outcome o = convert_body(body), reference = oracle_convert(song.data(), song.size());
    const string length = before >= 0x80 ? "8" : "4";
    EXPECT_NE(o.output.find(kKA + length + "~#3"), string::npos) << before;
    EXPECT_EQ(";#SYLVO\n" + o.output, reference.output) << before;
  }
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
      {"(ka)c8", "\n*** Illegal token! line:2\n\n> (k\n\n", 1},
      {"(KAAA)c8", "\n*** Illegal token! line:2\n\n> (KAAA)\n\n", 5},
      {"(KA)x8", "\n*** Syntax error! line:2\n\n> (KA)x\n\n", 4},
      {"(KX)c8 ", "\n*** Illegal token! line:2\n\n> (KX)c8 \n\n", 6},
      {"(KX)c8\n", "\n*** Illegal token! line:2\n\n> (KX)c8\n\n\n", 6},
      {"()c8 ", "\n*** Illegal token! line:2\n\n> ()c8 \n\n", 4},
      {"(KA)c) ", "\n*** Syntax error! line:2\n\n> (KA)c) \n\n", 6},
      {"(K\nA)c", "\n*** Illegal token! line:2\n\n> (K\n\n\n", 2},
      {"\n\n; x\n/ y\n(KA)x", "\n*** Syntax error! line:6\n\n> (KA)x\n\n", 4},
      {"a\0(KA)x"s, "\n*** Syntax error! line:2\n\n> a\n\n", 6},
      // An unfinished syllable or a ')' with no note at the end of input.
      {"(KA", "\n*** Syntax error! line:2\n\n> (KA\n\n", 2},
      {"x (KA)", "\n*** Syntax error! line:2\n\n> x (KA)\n\n", 5},
      {"x)", "\n*** Syntax error! line:2\n\n> x)\n\n", 1},
      {"\n(KA@", "\n*** Syntax error! line:3\n\n> (KA@\n\n", 3},
      {"(@A", "\n*** Syntax error! line:2\n\n> (@\n\n", 1},
      {"(@X", "\n*** Internal Error!\n\n> (@\n\n", 1},
      {"(@A1KA)c(@A1KA)c(KX)c", "\n*** Illegal token! line:2\n\n> (@KA)c(@KA)c(KX)c\n\n", 20},
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

// Songs as composers write them, drawn from a seed: a prelude and the
// header; channel lines of notes, commands, syllables with and without
// lengths (some past 16 bytes), overrides, ties and 'l' commands; comments
// of every kind, also around syllables; directive lines, also inside block
// comments; Shift-JIS and CR LF bytes; lines near the limit; and now and then
// a mistake or an end in mid-construct. With `independent` lines, no block
// comment ties one line to the next, and there are mistakes on many lines,
// several to a line, and at line ends. A `clean` song has no mistake, and
// nothing a check warns of.
class SongWriter {
 public:
  enum Kind { kAny, kIndependent, kClean };
  explicit SongWriter(unsigned seed, Kind kind = kAny)
      : random_(seed), independent_(kind != kAny), clean_(kind == kClean) {}

  string song() {
    string text;
    if (one_in(3)) text += "#TITLE \x83\x6c\x83\x52 song\r\n";
    text += "t120\n";
    text += one_in(60) && !clean_ ? "#sylvo\n" : one_in(8) ? "#SYLVO_X gen\n" : "#SYLVO\n";
    size_t size = 1024 << below(independent_ ? 3 : 6);
    size = size / 2 + below(static_cast<unsigned>(size));  // 512 bytes to 48 KiB
    while (text.size() < size) text += line();
    if (clean_) return text;
    for (unsigned n = independent_ ? 1 + below(40) : one_in(10); n > 0; --n) {
      size_t at = below(static_cast<unsigned>(text.size()));
      if (independent_ && one_in(3)) {  // at a line end, before its CR if it has one
        at = text.find('\n', at);
        if (at == string::npos) at = text.size();
        if (at > 0 && text[at - 1] == '\r') --at;
      }
      text.insert(at, mistake());
    }
    if (one_in(10)) text.resize(below(static_cast<unsigned>(text.size()) + 1));
    return text;
  }

 private:
  unsigned below(unsigned n) { return static_cast<unsigned>(random_() % n); }
  bool one_in(unsigned n) { return below(n) == 0; }
  template <size_t N>
  const char* any(const char* const (&options)[N]) {
    return options[below(N)];
  }

  string line() {
    const char* end = one_in(4) ? "\r\n" : "\n";
    unsigned pick = below(16);
    if (independent_ && (pick == 2 || pick == 4)) return end;  // a block comment over two lines
    switch (pick) {
      case 0: return string("; ") + any(kWords) + " (KA)c8 \x82\xa0" + end;
      case 1: return string("// ") + any(kWords) + end;
      case 2: return string("/* ") + any(kWords) + end + "(KI)d8 */" + syllable() + end;
      case 3: return directive() + end;
      case 4: return string("/*\n") + directive() + "\n*/" + end;
      case 5: return end;
      default: break;
    }
    string text = string(1, "ABCDEFGH"[below(8)]) + " ";
    unsigned tokens = 8 + below(17);
    for (unsigned i = 0; i < tokens; ++i) text += token();
    if (one_in(12)) text += string(2030 - below(40) - text.size() % 2030, ' ');  // near the limit
    return text + (one_in(6) ? " ; la" : "") + end;
  }

  string token() {
    switch (below(20)) {
      case 0: return any(kCommands);
      case 1: return "l" + (clean_ ? "8" : length()) + " ";
      case 2: return string(independent_ ? "*" : any(kComments)) + syllable();
      case 3: return "r" + length() + " ";
      case 4: return string(1, "cdefgab"[below(7)]) + length() + (one_in(2) ? "&" : "^");
      case 5: return "v)" + string(1, "cdefgabwk"[below(9)]) + length() + " ";
      case 6: return one_in(4) ? string("\0\xff", 2) : any(kGlued);
      default: return syllable() + (one_in(3) ? "" : " ");
    }
  }

  string syllable() {
    string key;
    bool overrides = one_in(12);
    for (const char* k = sylvo_syllable_key(static_cast<int>(below(203)));; ++k) {
      while (overrides && one_in(3)) key += {'@', "AIUEO"[below(5)], "0123456789"[below(10)]};
      if (!*k) break;
      key += *k;
    }
    string note(1, "cdefgabwk"[below(9)]);
    if (one_in(4)) note += one_in(2) ? "+" : "-";
    return "(" + key + ")" + note + (one_in(4) ? "" : length());
  }

  string length() {
    const char* const kLengths[] = {"8", "4", "16", "8.", "2", "4.", "", "%12", "#3", "1.."};
    if (!one_in(30)) return any(kLengths);
    return string(15 + below(6), static_cast<char>('0' + below(10)));  // around the 16-byte limit
  }

  string mistake() {
    const char* const kMistakes[] = {
        "(ka)c8", "(KX)c8 ", "(KA)x8", "(KA c8", "(@X1KA)c", "(KAAA)c", "x) ", "(KI@A", "(@A", "(",
        "(KA)", ")", "\n#SYLVO_VSET_ALL 12\n",
        // What an input method left in full width.
        "（ＫＡ）c8", "(\x82\x6a\x82\x60)c", "ｌ８", "(KA)ｃ", "\n＃SYLVO_VSET 1\n",
        "\n#SYLVO_VSET １\n", "\n#SYLVO_VSET 1 23\n"};
    return one_in(16) ? string(2100, 'x') : any(kMistakes);  // or a line too long
  }

  static constexpr const char* kWords[] = {"melody", "\x83\x6c\x83\x52", "verse 2", "la la"};
  // A directive with any voice sets 0 to 9, or another '#' line.
  string directive() {
    auto set = [this] { return string(1, "0123456789"[below(10)]); };
    switch (below(5)) {
      case 0: return "#SYLVO_VSET_ALL " + set();
      case 1: {
        string line = "#SYLVO_VSET";
        for (unsigned n = 1 + below(5); n > 0; --n) line += " " + set();
        return line;
      }
      case 2: return "#SYLVO_VSET " + set() + "," + set();
      case 3: return "#other";
      default: return "#SYLVO";
    }
  }

  // Kanji and kana that end in the byte of 'l', or have one glued to them:
  // text, which changes no length.
  static constexpr const char* kGlued[] = {"\x83\x6c", "\x8e\x6c\x90\x6c",
                                           "\x83\x6c"
                                           "4 ",
                                           "\xe3\x81\x82l8"};
  static constexpr const char* kCommands[] = {"o4 ", "@@12 ", "v12 ", "q7 ", ">", "<", "t150 "};
  static constexpr const char* kComments[] = {"*/", "/* x */", "/**/", "*", ""};
  std::mt19937 random_;
  bool independent_;
  bool clean_;
};

// Every generated song converts to the same result whole, handed over in
// chunks of varied sizes through small buffers, and by the reference
// scanner: status, kind, line, column, message, and the output. A check of
// it, whole and in chunks, finds the same first error, or none.
class GeneratedSongs : public ::testing::TestWithParam<unsigned> {};

TEST_P(GeneratedSongs, ConvertTheSameEveryWay) {
  constexpr unsigned kSongs = 400;
  SongWriter writer(20261209 + GetParam());
  std::mt19937 random(GetParam());
  unsigned completed = 0;
  for (unsigned n = 0; n < kSongs; ++n) {
    string song = writer.song();
    Outcome whole = convert_buffer(song.data(), song.size());
    size_t chunk = 1 + random() % (random() % 2 ? 64 : 8192);
    size_t buffer = random() % 3 ? 0 : 1 + random() % 4096;
    unsigned vary = static_cast<unsigned>(random()) | 1u;
    Outcome chunked = convert_buffer(song.data(), song.size(), chunk, buffer, vary);
    Outcome reference = oracle_convert(song.data(), song.size());
    ASSERT_TRUE(same_outcome(whole, reference))
        << "song " << n << ": " << whole.message << " at " << whole.line << ":" << whole.column
        << "; the reference: " << reference.message << " at " << reference.line << ":"
        << reference.column;
    ASSERT_TRUE(same_outcome(whole, chunked))
        << "song " << n << " in chunks of " << chunk << ", buffer " << buffer;
    ASSERT_TRUE(check_agrees(check_buffer(song.data(), song.size()), whole)) << "song " << n;
    ASSERT_TRUE(check_agrees(check_buffer(song.data(), song.size(), chunk, buffer, vary), whole))
        << "song " << n << " checked in chunks of " << chunk << ", buffer " << buffer;
    completed += whole.status == 0;
  }
  EXPECT_GT(completed, kSongs / 2);  // the songs must mostly convert, or they test little
}

// Every problem in its place, not only the first: in songs whose lines do
// not act on one another, with several mistakes to a line and at line ends,
// LF and CR LF, each line's first error in the check of the whole song is
// where sylvo stops on that line alone.
TEST_P(GeneratedSongs, EveryProblemStandsWhereSylvoStops) {
  SongWriter writer(7100 + GetParam(), SongWriter::kIndependent);
  for (unsigned n = 0; n < 200; ++n) {
    string song = writer.song(), why;
    ASSERT_TRUE(lines_agree(song, &why)) << "song " << n << ": " << why;
  }
}

// Every problem a check finds has Japanese words, which keep its
// arguments, and so has every argument that is a word ("a space").
TEST_P(GeneratedSongs, EveryProblemSpeaksJapanese) {
  SongWriter writer(8100 + GetParam(), SongWriter::kIndependent);
  std::vector<sylvo_problem> problems(64);
  for (unsigned n = 0; n < 100; ++n) {
    string song = writer.song();
    sylvo_check_result r;
    sylvo_check_memory(song.data(), song.size(), "", problems.data(), problems.size(), &r);
    for (size_t i = 0; i < r.count; ++i) {
      const sylvo_problem& p = problems[i];
      if (p.kind == SYLVO_CANT_READ && p.line == 0) continue;  // no words but sylvo's
      ASSERT_NE(*p.format, '\0') << p.message;
      const char* japanese = sylvo_translate(p.format, "ja_JP.UTF-8");
      ASSERT_NE(string(japanese), p.format);
      for (size_t a = 0; a < p.argument_count; ++a) {
        string placeholder = "{" + std::to_string(a + 1) + "}";
        EXPECT_NE(string(japanese).find(placeholder), string::npos) << p.format;
        const string arg = p.arguments[a];
        bool word = arg.find(' ') != string::npos && arg.find_first_of("()'") == string::npos &&
                    arg.find(", ") == string::npos && (arg[0] >= 'a' && arg[0] <= 'z');
        if (word) {
          EXPECT_NE(string(sylvo_translate(arg.c_str(), "ja")), arg) << p.format;
        }
      }
    }
  }
}

// The fit reads notes and syllables as the conversion does: fitted again
// with the same lyrics, a fitted song stays as it is, each syllable put in
// taking its own key back, and as many notes take one.
TEST_P(GeneratedSongs, FittingTwiceChangesNothing) {
  SongWriter writer(5100 + GetParam());
  const string lyrics = "さくら さくら やよいのそらは みわたすかぎり かすみかくもか においぞいずる";
  for (unsigned n = 0; n < 50; ++n) {
    string song = writer.song(), once, twice;
    // On a line too long to convert the notes fitted are those before the
    // limit, which moves as keys of other lengths are put in.
    bool too_long = false;
    for (size_t at = 0, nl; at < song.size(); at = nl + 1) {
      nl = std::min(song.find('\n', at), song.size());
      too_long = too_long || nl - at >= 2048;
    }
    if (too_long) continue;
    sylvo_fit_result first, second;
    ASSERT_EQ(sylvo_fit_lyrics(song.data(), song.size(), lyrics.data(), lyrics.size(), append_to,
                               &once, &first),
              0);
    ASSERT_EQ(sylvo_fit_lyrics(once.data(), once.size(), lyrics.data(), lyrics.size(), append_to,
                               &twice, &second),
              0);
    ASSERT_EQ(twice, once) << "song " << n;
    ASSERT_EQ(second.notes, first.notes) << "song " << n;
  }
}

// A song with no mistake and nothing doubtful converts, and its check finds
// nothing to say: no error, warning or note.
TEST_P(GeneratedSongs, CleanSongsGetNoProblem) {
  SongWriter writer(9300 + GetParam(), SongWriter::kClean);
  for (unsigned n = 0; n < 50; ++n) {
    string song = writer.song();
    Checked c = check_buffer(song.data(), song.size());
    ASSERT_EQ(c.result.count, 0u) << "song " << n << ": " << c.problems[0].line << ":"
                                  << c.problems[0].column << " " << c.problems[0].message;
    ASSERT_EQ(convert_buffer(song.data(), song.size()).status, 0) << "song " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, GeneratedSongs, ::testing::Range(0u, 8u));

}  // namespace
