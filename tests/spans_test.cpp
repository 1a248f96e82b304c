// Spans: what an editor colours is what the conversion reads, line by line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sylvo.h"

namespace {

using std::string;

// The spans of `text`, "LINE:START+LENGTH KIND" a span, and the bytes.
string spans_of(const string& text, unsigned long long first = 1, unsigned long long last = 0) {
  static const char* const kKinds[] = {"header", "directive", "hash", "comment", "syllable",
                                       "key",    "override",  "note", "length",  "l"};
  std::vector<sylvo_span> spans(256);
  size_t n = sylvo_spans(text.data(), text.size(), first, last, spans.data(), spans.size());
  std::vector<size_t> line_start{0, 0};
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') line_start.push_back(i + 1);
  }
  string out;
  for (size_t i = 0; i < n && i < spans.size(); ++i) {
    const sylvo_span& s = spans[i];
    out += std::to_string(s.line) + ":" + std::to_string(s.start) + "+" + std::to_string(s.length) +
           " " + kKinds[s.kind] + " " + text.substr(line_start[s.line] + s.start, s.length) + "\n";
  }
  return out;
}

TEST(Spans, AreWhatTheConversionReads) {
  const struct {
    string text;
    string spans;
  } rows[] = {
      {"t120 (KA)c\n#SYLVO\n(KA)c8 l4\n",
       "2:0+6 header #SYLVO\n3:0+6 syllable (KA)c8\n3:1+2 key KA\n"
       "3:4+1 note c\n3:5+1 length 8\n3:7+2 l l4\n"},
      {"#SYLVO\n(@I2KI@A1)d+ )e ; (KA)c\n",
       "1:0+6 header #SYLVO\n2:0+12 syllable (@I2KI@A1)d+\n2:1+3 override @I2\n2:4+2 key KI\n"
       "2:6+3 override @A1\n2:10+2 note d+\n2:14+1 note e\n2:16+7 comment ; (KA)c\n"},
      // A syllable inside a block comment is converted, and coloured so.
      {"#SYLVO\nc /* a\n(KA)c4 */ d // x\n#SYLVO_VSET 1\n#TITLE\n",
       "1:0+6 header #SYLVO\n2:2+4 comment /* a\n3:0+6 syllable (KA)c4\n3:1+2 key KA\n"
       "3:4+1 note c\n3:5+1 length 4\n3:0+9 comment (KA)c4 */\n3:12+4 comment // x\n"
       "4:0+13 directive #SYLVO_VSET 1\n5:0+6 hash #TITLE\n"},
      // Faults: what is around them is read all the same.
      {"#SYLVO\r\n(KX)c (ka)c (KA)\r\n/* open",
       "1:0+7 header #SYLVO\r\n2:0+5 syllable (KX)c\n"
       "2:1+2 key KX\n2:4+1 note c\n3:0+7 comment /* open\n"},
      {"no header (KA)c\n", ""},
      {"x (KA)c\n#SYLVO", "2:0+6 header #SYLVO\n"},  // the last line, without a newline
  };
  for (const auto& r : rows) EXPECT_EQ(spans_of(r.text), r.spans) << r.text;
  // The lines asked for alone, read from the start.
  EXPECT_EQ(spans_of("#SYLVO\n/*\n(KA)c */\nl8\n", 3, 3),
            "3:0+5 syllable (KA)c\n3:1+2 key KA\n3:4+1 note c\n3:0+8 comment (KA)c */\n");
  EXPECT_EQ(sylvo_spans("#SYLVO\n(KA)c (KI)d\n", 19, 1, 0, nullptr, 0), 7u);  // counted, none kept
}

}  // namespace

namespace {

// What stands at a place: the syllable there, with exactly what the
// conversion writes for it, and the voice sets in force.
TEST(Place, SyllableAtAByteIsWhatTheConversionWrites) {
  const std::string song = "#SYLVO\n#SYLVO_VSET_ALL 1\nl8 (KA)c (@I2SHI)d4 ; (KI)c\n";
  sylvo_syllable_info info;
  ASSERT_EQ(sylvo_syllable_at(song.data(), song.size(), 3, 5, &info), 0);
  EXPECT_EQ(std::string(info.key), "KA");
  EXPECT_EQ(std::string(info.kana), "か");
  EXPECT_EQ(info.start, 3u);
  EXPECT_EQ(info.length, 5u);
  EXPECT_EQ(std::string(info.expansion), "@@5c#1@@6w#1@@7w#1@@30w8~#3");
  ASSERT_EQ(sylvo_syllable_at(song.data(), song.size(), 3, 9, &info), 0);  // an override
  EXPECT_EQ(std::string(info.key), "SHI");
  EXPECT_EQ(info.voices[1], 2);
  EXPECT_EQ(info.voices[0], 1);
  EXPECT_EQ(info.frames, 5u);
  // The conversion writes the same.
  unsigned char* out;
  size_t size;
  sylvo_result r;
  ASSERT_EQ(sylvo_convert_memory(song.data(), song.size(), "a", "b", &out, &size, &r), 0);
  EXPECT_NE(std::string(reinterpret_cast<char*>(out), size).find(info.expansion),
            std::string::npos);
  sylvo_free(out);
  // No syllable: between them, in a comment, past the end, before the header.
  EXPECT_EQ(sylvo_syllable_at(song.data(), song.size(), 3, 8, &info), 1);
  EXPECT_EQ(sylvo_syllable_at(song.data(), song.size(), 3, 23, &info), 1);
  EXPECT_EQ(sylvo_syllable_at(song.data(), song.size(), 9, 0, &info), 1);
  EXPECT_EQ(sylvo_syllable_at("(KA)c\n#SYLVO\n", 13, 1, 1, &info), 1);

  unsigned char voices[5];
  ASSERT_EQ(sylvo_voices_at(song.data(), song.size(), 3, voices), 0);
  EXPECT_EQ(voices[4], 1);
  ASSERT_EQ(sylvo_voices_at(song.data(), song.size(), 2, voices), 0);
  EXPECT_EQ(voices[0], 0);
  char text[SYLVO_EXPANSION_MAX + 1];
  const unsigned char twos[5] = {2, 2, 2, 2, 2};
  EXPECT_EQ(sylvo_expand("KA", twos, text, sizeof text), 26u);
  EXPECT_EQ(std::string(text), "@@5c#1@@6w#1@@7w#1@@35w~#3");
  EXPECT_EQ(sylvo_expand("KX", twos, text, sizeof text), 0u);
  EXPECT_EQ(std::string(sylvo_syllable_kana("SHI")), "し");
  EXPECT_EQ(std::string(sylvo_syllable_kana("QQ")), "");
  EXPECT_EQ(std::string(sylvo_directive_keyword(0)), "SYLVO_VSET_ALL");
  EXPECT_EQ(sylvo_directive_keyword(2), nullptr);
  EXPECT_EQ(std::string(sylvo_directive_usage(1)), "voice sets a i u e o");
  EXPECT_EQ(sylvo_directive_usage(2), nullptr);
}

}  // namespace

namespace {

// What a completion would put at a place: a key after '(' and overrides,
// with their voice sets, or a directive after a line's '#'.
TEST(Place, CompletionAtAPlace) {
  const std::string song =
      "#SYLVO\n#SYLVO_VSET_ALL 3\nl8 (@I2KY (@A (@E5 a) (K ; (\n#SY\n#X Y\n#SYLVO_VSET_AL";
  struct Row {
    unsigned long long line;
    size_t column;
    sylvo_completion_kind kind;
    size_t start;
    int voice_a, voice_i;
  };
  const Row rows[] = {
      {3, 9, SYLVO_COMPLETE_KEY, 7, 3, 2},        // (@I2KY|: the key after the override
      {3, 4, SYLVO_COMPLETE_KEY, 4, 3, 3},        // (|
      {3, 7, SYLVO_COMPLETE_KEY, 7, 3, 2},        // (@I2|
      {3, 6, SYLVO_COMPLETE_NOTHING, 6, 3, 3},    // (@I|: an override being typed
      {3, 13, SYLVO_COMPLETE_NOTHING, 13, 3, 3},  // (@A|
      {3, 19, SYLVO_COMPLETE_NOTHING, 19, 3, 3},  // (@E5 |: a blank ends the key
      {3, 24, SYLVO_COMPLETE_KEY, 23, 3, 3},      // (K|
      {3, 2, SYLVO_COMPLETE_NOTHING, 2, 3, 3},    // no '(' before it on the line
      {4, 3, SYLVO_COMPLETE_DIRECTIVE, 1, 3, 3},  {4, 0, SYLVO_COMPLETE_NOTHING, 0, 3, 3},
      {5, 4, SYLVO_COMPLETE_NOTHING, 4, 3, 3},     // "#X Y": a blank is in no keyword
      {6, 14, SYLVO_COMPLETE_DIRECTIVE, 1, 3, 3},  // past its 'A's, on a last line alone
  };
  for (const Row& r : rows) {
    sylvo_completion c;
    ASSERT_EQ(sylvo_completion_at(song.data(), song.size(), r.line, r.column, &c), 0) << r.column;
    EXPECT_EQ(c.kind, r.kind) << r.line << ":" << r.column;
    if (c.kind == SYLVO_COMPLETE_NOTHING) continue;
    EXPECT_EQ(c.start, r.start) << r.line << ":" << r.column;
    EXPECT_EQ(c.voices[0], r.voice_a) << r.column;
    EXPECT_EQ(c.voices[1], r.voice_i) << r.column;
  }
  sylvo_completion c;
  // Overrides of every digit, 0 and 9 the first and the last, count.
  const std::string nines = "#SYLVO\n(@A9@O0KY\n";
  ASSERT_EQ(sylvo_completion_at(nines.data(), nines.size(), 2, 9, &c), 0);
  EXPECT_EQ(c.kind, SYLVO_COMPLETE_KEY);
  EXPECT_EQ(c.start, 7u);
  EXPECT_EQ(c.voices[0], 9);
  EXPECT_EQ(c.voices[4], 0);
  EXPECT_EQ(sylvo_completion_at(song.data(), song.size(), 1, 1, &c), 1);  // the header
  EXPECT_EQ(sylvo_completion_at(song.data(), song.size(), 9, 0, &c), 1);
  EXPECT_EQ(sylvo_completion_at(song.data(), song.size(), 3, 0, nullptr), 1);
}

// A syllable at fault is sung by no one: its overrides do not reach the
// syllables after it, in a check or an editor.
TEST(Place, OverridesEndWithASyllableAtFault) {
  for (const std::string bad : {"(@A2KY c", "(@A2KA)", "(@A2KX)c", "(@A2@I"}) {
    const std::string song = "#SYLVO\n" + bad + "\n(KA)c\n";
    sylvo_syllable_info info;
    ASSERT_EQ(sylvo_syllable_at(song.data(), song.size(), 3, 1, &info), 0) << bad;
    EXPECT_EQ(info.voices[0], 0) << bad;
  }
}

}  // namespace
