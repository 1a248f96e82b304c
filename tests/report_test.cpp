#include "core/report.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/run.h"

namespace {

std::string message_of(sylvo_kind kind, const char* name, const Line& line = Line{}) {
  static sylvo_result result;
  make_message(kind, name, line, &result);
  EXPECT_EQ(std::strlen(result.message), result.message_size);
  return std::string(result.message, result.message_size);
}

TEST(Report, NamesAreFilledAsBytes) {
  EXPECT_EQ(message_of(SYLVO_OPEN_INPUT, "so%sng.mml"),
            "\n*** Can't open input file: so%sng.mml\n\n");
  EXPECT_EQ(message_of(SYLVO_OPEN_OUTPUT, ""), "\n*** Can't open output file: \n\n");
  EXPECT_EQ(message_of(SYLVO_PATH_TOO_LONG, "x"), "\n*** Too long file path! (over 255 chars)\n\n");
  EXPECT_EQ(message_of(SYLVO_WRITE_CHAR, "o"), "\n*** Can't write character to file: o\n\n");
  EXPECT_EQ(message_of(SYLVO_COMPLETED, "o"), "\n@ SyLvO conversion completed.\n\n");
}

TEST(Report, UsageComesAfterTheBanner) {
  EXPECT_EQ(message_of(SYLVO_USAGE, "sylvo.exe"),
            "\nSyLvO  Version 2.0 beta4\nLyric syllables in MML turned into sung instrument runs.\n"
            "\n*** Usage: sylvo.exe input_filename [output_filename]\n\n");
}

TEST(Report, SyntaxMessagesEchoTheLineUpToAZeroByte) {
  static Line line;
  line.LINE_NO = 12;
  std::memcpy(line.LineBuf, "(KA)x\0yz", 8);
  line.pos = 8;
  EXPECT_EQ(message_of(SYLVO_SYNTAX, "", line), "\n*** Syntax error! line:12\n\n> (KA)x\n\n");
  line.pos = 3;
  EXPECT_EQ(message_of(SYLVO_ILLEGAL_TOKEN, "", line), "\n*** Illegal token! line:12\n\n> (KA\n\n");
  EXPECT_EQ(message_of(SYLVO_INTERNAL_ERROR, "", line), "\n*** Internal Error!\n\n> (KA\n\n");
  // The longest echo with the longest number fits the message area.
  std::memset(line.LineBuf, 'x', kLineMax);
  line.pos = kLineMax;
  line.LINE_NO = ~0ull;
  std::string longest = message_of(SYLVO_SYNTAX, "", line);
  EXPECT_LE(longest.size(), size_t{SYLVO_MESSAGE_MAX});
  EXPECT_EQ(longest.substr(longest.size() - 4), "xx\n\n");
}

}  // namespace
