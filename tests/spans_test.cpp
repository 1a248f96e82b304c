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
  };
  for (const auto& r : rows) EXPECT_EQ(spans_of(r.text), r.spans) << r.text;
  // The lines asked for alone, read from the start.
  EXPECT_EQ(spans_of("#SYLVO\n/*\n(KA)c */\nl8\n", 3, 3),
            "3:0+5 syllable (KA)c\n3:1+2 key KA\n3:4+1 note c\n3:0+8 comment (KA)c */\n");
  EXPECT_EQ(sylvo_spans("#SYLVO\n(KA)c (KI)d\n", 19, 1, 0, nullptr, 0), 7u);  // counted, none kept
}

}  // namespace
