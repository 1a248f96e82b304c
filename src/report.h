// The run's one way to fail: every check that does not pass ends the
// conversion by throwing Failure to the library's entry (sylvo.cpp), which
// makes the message and returns the status. The core never exits the process.
#pragma once

#include <cstddef>

#include "sylvo.h"

struct Line;
struct Text;

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
constexpr sylvo_warning kLastWarning = SYLVO_STRAY_LENGTH;

/// Whether `kind` is one of the kinds, as a C caller may pass any number.
inline bool is_kind(int kind) { return kind >= SYLVO_COMPLETED && kind <= kLastKind; }

/// Writes kind's message to `result` as sylvo prints it: its file name
/// `name` (for SYLVO_USAGE the program's, after the banner), its line
/// number, and for the syntax messages the echo of `line`. Returns the
/// status, 0 for SYLVO_COMPLETED.
int make_message(sylvo_kind kind, const char* name, const Line& line, sylvo_result* result);

/// What a problem adds for a musician: what is wrong, and what could stand
/// at the bytes at fault instead.
struct Advice {
  char explanation[sizeof(sylvo_problem::explanation)] = {};
  size_t count = 0;  // suggestions in all
  char suggestions[SYLVO_SUGGESTIONS_MAX][SYLVO_SUGGESTION_SIZE] = {};

  /// Sets the explanation, as printf() formats it.
  void explain(const char* format, ...)
#ifdef __GNUC__
      __attribute__((format(printf, 2, 3)))
#endif
      ;

  /// Adds a suggestion of `size` bytes; kept while there is room for it.
  void suggest(const char* text, size_t size);
};

/// Where a check puts what it finds: the first `max` problems in `kept`,
/// and the count of each severity in `result`, which goes on past them.
struct Problems {
  sylvo_problem* kept;
  size_t max;
  sylvo_check_result* result;
  const char* name;  // the file name the messages print

  /// Adds a problem of `kind` at `where`, the bytes at fault `length` from
  /// column `start` of that line, with kind's message as make_message()
  /// makes it from `line`, and `advice` if any.
  void add(sylvo_severity severity, sylvo_kind kind, Place where, long long start, size_t length,
           const Line& line, const Advice* advice = nullptr);

  /// Adds a warning or a note about `what`, the bytes at fault `length`
  /// from `where`, with the one-line message `text`, and `advice` if any.
  void add(sylvo_severity severity, sylvo_warning what, Place where, size_t length,
           const char* text, const Advice* advice = nullptr);

 private:
  sylvo_problem* keep(sylvo_severity severity, sylvo_kind kind, sylvo_warning what, Place where,
                      long long start, size_t length, const Advice* advice);
};
