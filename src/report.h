// The run's one way to fail: every check that does not pass ends the conversion
// by throwing Failure to the entry routine, which prints the message, cleans up
// and returns exit status 1. The conversion core never exits the process.
#pragma once

#include <string>

struct Line;

/// Check kinds: each names a test and the message printed when it fails.
enum Kind : int {
  kUsage = 0,     // no input argument: banner and usage line
  kSameFile = 1,  // output names the input file
  kOpenInput = 2,
  kOpenOutput = 3,
  kPathTooLong = 4,   // a path over 255 bytes
  kCantRead = 5,      // read error, or a line over 2048 bytes
  kEndOfInput = 6,    // never fails; the end of input is not an error
  kIllegalToken = 7,  // a key byte that is not A-Z, or a key not in the table
  kNotVowel = 8,      // an @ override that names no vowel ("Internal Error!")
  kSyntax = 9,        // a byte that cannot begin a note, or an unusable voice set
  kWriteChar = 11,
  kWriteString = 12,
  kPosition = 13,  // a stream could not be positioned at its start
  kNotSylvo = 15,  // no header line
};

/// Where in the input a check failed: the failing byte's line (1-based) and
/// its place in that line (from 0). A failure at no byte has line 0; a place
/// that is not known is -1.
struct Place {
  unsigned long long line;
  long long column;
};

/// What a failed check throws: the kind, the complete text to print, and
/// where it failed.
struct Failure {
  Kind kind;
  std::string message;
  Place where;
};

/// The message text of `kind` as the table gives it, placeholders unfilled;
/// a kind without a row of its own gets "\n*** Internal Error!\n\n".
const char* message_text(int kind);

/// Ends the run with kind's message, its "%s" filled with `name`. For kUsage,
/// `name` is the program's base name and the banner comes first.
[[noreturn]] void fail(Kind kind, const char* name = "", Place where = {0, -1});

/// Ends the run with kind's message, its "%u" filled with LINE_NO, then the
/// echo line "> LineBuf\n\n" (kinds 7, 8 and 9); `column` is the failing
/// byte's place in the line.
[[noreturn]] void fail_at(Kind kind, const Line& line, long long column = -1);

/// The run's fatal check: returns if `passed`, otherwise fails as fail() does.
inline void check(bool passed, Kind kind, const char* name = "") {
  if (!passed) fail(kind, name);
}

/// "\n@ SyLvO conversion completed.\n\n", printed once after a safe close.
extern const char kCompletedText[];
