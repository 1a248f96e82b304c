// Where a check puts what it finds: each problem as data, with the advice
// that comes with it, in the caller's array, counted past its end.
#pragma once

#include <cstddef>

#include "report.h"
#include "sylvo.h"

struct Line;

/// What a problem adds for a musician: what is wrong, and what could stand
/// at the bytes at fault instead.
struct Advice {
  char explanation[sizeof(sylvo_problem::explanation)] = {};
  size_t count = 0;  // suggestions in all
  char suggestions[SYLVO_SUGGESTIONS_MAX][SYLVO_SUGGESTION_SIZE] = {};

  /// Sets the explanation, as printf() formats it.
  void explain(const char* format, ...)
#if defined(__MINGW32__)
      __attribute__((format(gnu_printf, 2, 3)))  // MinGW's printf is its own, which knows %zu
#elif defined(__GNUC__)
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
