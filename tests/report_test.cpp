#include "report.h"

#include <gtest/gtest.h>

#include <cstring>

#include "run.h"

namespace {

std::string failure_of(void (*make)()) {
  try {
    make();
  } catch (const Failure& f) {
    return f.message;
  }
  return "(no failure)";
}

TEST(Report, MessageTableLookup) {
  EXPECT_STREQ(message_text(15), "\n*** NOT SyLvO file: %s\n\n");
  EXPECT_STREQ(message_text(13), "\n*** Unexpected EOF: %s\n\n");
  for (int kind : {6, 8, 10, 14, 16, -1, -2}) {
    EXPECT_STREQ(message_text(kind), "\n*** Internal Error!\n\n") << kind;
  }
}

TEST(Report, NamesAreFilledAsBytes) {
  EXPECT_EQ(failure_of([] { fail(kOpenInput, "so%sng.mml"); }),
            "\n*** Can't open input file: so%sng.mml\n\n");
  EXPECT_EQ(failure_of([] { fail(kOpenOutput, ""); }), "\n*** Can't open output file: \n\n");
  EXPECT_EQ(failure_of([] { fail(kPathTooLong); }),
            "\n*** Too long file path! (over 255 chars)\n\n");
  EXPECT_EQ(failure_of([] { check(false, kWriteChar, "o"); }),
            "\n*** Can't write character to file: o\n\n");
  EXPECT_EQ(failure_of([] { check(true, kWriteChar, "o"); }), "(no failure)");
}

TEST(Report, UsageComesAfterTheBanner) {
  EXPECT_EQ(failure_of([] { fail(kUsage, "sylvo.exe"); }),
            "\nSyLvO  Version 2.0 beta4\nLyric syllables in MML turned into sung instrument runs.\n"
            "\n*** Usage: sylvo.exe input_filename [output_filename]\n\n");
}

TEST(Report, SyntaxMessagesEchoTheLineUpToAZeroByte) {
  static Line line;
  line.LINE_NO = 12;
  std::memcpy(line.LineBuf, "(KA)x\0yz", 8);
  line.pos = 8;
  EXPECT_EQ(failure_of([] { fail_at(kSyntax, line); }),
            "\n*** Syntax error! line:12\n\n> (KA)x\n\n");
  line.pos = 3;
  EXPECT_EQ(failure_of([] { fail_at(kIllegalToken, line); }),
            "\n*** Illegal token! line:12\n\n> (KA\n\n");
  EXPECT_EQ(failure_of([] { fail_at(kNotVowel, line); }), "\n*** Internal Error!\n\n> (KA\n\n");
}

}  // namespace
