// Failing and its messages: a check that does not pass ends the conversion
// by throwing Failure to the library's entry (sylvo.cpp), which makes the
// message from the kinds' table and returns the status. The core never
// exits the process. The names of the kinds and warnings live here too.
#pragma once

#include <cstddef>

#include "sylvo.h"

struct Line;

/// Where in the input a check failed: the failing byte's line (from 1) and
/// its place in that line (from 0). A failure at no byte has line 0; a
/// place that is not known is -1.
struct Place {
  unsigned long long line;
  long long column;
};

/// What a failed check throws. The syntax messages (Illegal token, Syntax
/// error, Internal Error) echo the run's LineBuf as it is when thrown.
struct Failure {
  sylvo_kind kind;
  Place where;
};

/// Ends the run with `kind`.
[[noreturn]] inline void fail(sylvo_kind kind, Place where = {0, -1}) {
  throw Failure{kind, where};
}

/// The run's fatal check: returns if `passed`, otherwise fails with `kind`.
inline void check(bool passed, sylvo_kind kind) {
  if (!passed) fail(kind);
}

/// The last of the kinds.
constexpr sylvo_kind kLastKind = SYLVO_OUTPUT_IS_SONG;

/// The last of the warnings.
constexpr sylvo_warning kLastWarning = SYLVO_FULL_WIDTH;

/// Whether `kind` is one of the kinds, as a C caller may pass any number.
inline bool is_kind(int kind) { return kind >= SYLVO_COMPLETED && kind <= kLastKind; }

/// Writes kind's message to `result` as sylvo prints it: its file name
/// `name` (for SYLVO_USAGE the program's, after the banner), its line
/// number, and for the syntax messages the echo of `line`. Returns the
/// status, 0 for SYLVO_COMPLETED.
int make_message(sylvo_kind kind, const char* name, const Line& line, sylvo_result* result);

/// Writes kind's message as make_message() makes it to `text`
/// (SYLVO_MESSAGE_MAX + 1 bytes, kept zero-terminated) and its size to
/// `*size`.
void format_message(sylvo_kind kind, const char* name, const Line& line, char* text, size_t* size);
