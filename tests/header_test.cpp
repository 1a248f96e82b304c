#include "core/header.h"

#include <gtest/gtest.h>

#include <memory>

#include "convert_util.h"
#include "core/run.h"

namespace {

using std::string;

struct LineReader {
  string text;
  std::unique_ptr<Reader> reader = std::make_unique<Reader>();
  ChunkedInput input;
  unsigned char area[kLineMax + 1];

  explicit LineReader(string bytes, size_t buffer = 0)
      : text(std::move(bytes)),
        input{reinterpret_cast<const unsigned char*>(text.data()), text.size(), 0, 0} {
    reader->open({read_chunks, &input}, buffer);
  }
  long next() { return read_line(*reader, area); }
};

TEST(ReadLine, LimitIsTestedBeforeEachByte) {
  for (size_t buffer : kBufferSizes) {
    string ok = repeat(2047, 'a') + "\n";
    LineReader lines(ok + "b\nc", buffer);
    EXPECT_EQ(lines.next(), 2048);
    EXPECT_EQ(string(reinterpret_cast<char*>(lines.area)), ok);
    EXPECT_EQ(lines.next(), 2);
    EXPECT_EQ(lines.next(), 1);
    EXPECT_EQ(lines.area[1], 0);
    EXPECT_EQ(lines.next(), 0);

    EXPECT_EQ(LineReader(repeat(2048, 'a'), buffer).next(), -1);
    EXPECT_EQ(LineReader(repeat(2048, 'a') + "\n", buffer).next(), -1);
    EXPECT_EQ(LineReader(repeat(2047, 'a'), buffer).next(), 2047);
  }
}

TEST(HeaderScan, CopiesLinesBeforeTheHeader) {
  const std::pair<string, string> cases[] = {
      {"#SYLVO\n", ";#SYLVO\n"},
      {"#SYLVO", ";#SYLVO"},
      {"#SYLVO_X y\n(KA)c ", ";#SYLVO_X y\n@@5c#1@@6w#1@@7w#1@@00w~#3 "},
      {"t120\r\n(KA)c\r\n#sylvo\r\n#SYLVO\r\n", "t120\r\n(KA)c\r\n#sylvo\r\n;#SYLVO\r\n"},
      {"a\0b\n\xff\xfe\n#SYLVO\0\n"s, "a\0b\n\xff\xfe\n;#SYLVO\0\n"s},
      {"\xff\n#SYLVO\n", "\xff\n;#SYLVO\n"},
      {repeat(2047, 'x') + "\n#SYLVO\n", repeat(2047, 'x') + "\n;#SYLVO\n"},
  };
  for (const auto& c : cases) {
    for (size_t buffer : kBufferSizes) {
      Outcome o = convert_text(c.first, buffer);
      EXPECT_EQ(o.status, 0);
      EXPECT_EQ(o.output, c.second) << c.first;
    }
  }
}

TEST(HeaderScan, LineNumbersStartAfterTheHeader) {
  EXPECT_EQ(convert_text("#SYLVO\n(KA)x").message, "\n*** Syntax error! line:2\n\n> (KA)x\n\n");
  EXPECT_EQ(convert_text("a\nb\n#SYLVO\n\n(KA)x").message,
            "\n*** Syntax error! line:5\n\n> (KA)x\n\n");
}

TEST(HeaderScan, Refusals) {
  const std::pair<string, string> cases[] = {
      {"", "\n*** NOT SyLvO file: input\n\n"},
      {"t120\n#sylvo\n#SYLV\n #SYLVO\n", "\n*** NOT SyLvO file: input\n\n"},
      {repeat(2048, 'x') + "\n#SYLVO\n", "\n*** Can't read file: input\n\n"},
      {"#SYLVO" + repeat(2042, 'x'), "\n*** Can't read file: input\n\n"},
  };
  for (const auto& c : cases) {
    Outcome o = convert_text(c.first);
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.message, c.second);
  }
}

}  // namespace
