// Where a check puts what it finds: each problem as data, with the advice
// that comes with it, in the caller's array, counted past its end.
#pragma once

#include <cstddef>
#include <initializer_list>

#include "core/report.h"
#include "core/words.h"
#include "sylvo.h"

struct Line;

/// An argument of a problem's words: bytes (a key, a word of the song) or
/// a number.
struct Arg {
  const char* at;
  size_t size;
  char digits[24];
  Arg(const char* text);  // NOLINT(google-explicit-constructor): words read as they are said
  Arg(const unsigned char* bytes, size_t n);
  Arg(const char* bytes, size_t n);
  Arg(unsigned long long number);  // NOLINT(google-explicit-constructor)
};

/// What a person reads of a problem: an English format with {1} to {4}
/// for its arguments, which a client may look up in another language, and
/// the arguments.
struct Words {
  const char* format = "";
  size_t count = 0;
  char arguments[SYLVO_ARGUMENTS_MAX][SYLVO_ARGUMENT_SIZE] = {};

  /// Sets the format and its arguments, each cut to fit.
  void say(const char* format, std::initializer_list<Arg> args = {});
  /// Writes the words filled in to `out`, `size` bytes with the zero.
  size_t fill(char* out, size_t size) const;
};

/// What a problem adds for a musician: what is wrong, and what could stand
/// at the bytes at fault instead.
struct Advice {
  Words words;
  size_t construct_end = 0;  // the byte after the construct at fault in its line
  size_t count = 0;          // suggestions in all
  char suggestions[SYLVO_SUGGESTIONS_MAX][SYLVO_SUGGESTION_SIZE] = {};

  /// Says what is wrong.
  void explain(const char* format, std::initializer_list<Arg> args = {}) {
    words.say(format, args);
  }

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
  /// from `where`, with the one-line message that `advice` says, and its
  /// suggestions.
  void add(sylvo_severity severity, sylvo_warning what, Place where, size_t length,
           const Advice& advice);

 private:
  sylvo_problem* keep(sylvo_severity severity, sylvo_kind kind, sylvo_warning what, Place where,
                      long long start, size_t length, const Advice* advice);
};
