#include "problems.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

// Counts a problem and keeps it, if there is room, with all but its
// message (null if not kept).
sylvo_problem* Problems::keep(sylvo_severity severity, sylvo_kind kind, sylvo_warning what,
                              Place where, long long start, size_t length, const Advice* advice) {
  size_t& count = severity == SYLVO_ERROR     ? result->errors
                  : severity == SYLVO_WARNING ? result->warnings
                                              : result->notes;
  ++count;
  if (severity == SYLVO_ERROR) result->status = 1;
  if (result->count == max) return nullptr;
  sylvo_problem& p = kept[result->count++];
  std::memset(&p, 0, sizeof p);
  p.severity = severity;
  p.kind = kind;
  p.warning = what;
  p.line = where.line;
  p.column = where.column;
  p.start = start;
  p.length = length;
  p.name = severity == SYLVO_ERROR ? sylvo_kind_name(kind) : sylvo_warning_name(what);
  if (advice) {
    std::memcpy(p.explanation, advice->explanation, sizeof p.explanation);
    p.suggestion_count = advice->count;
    std::memcpy(p.suggestions, advice->suggestions, sizeof p.suggestions);
  }
  return &p;
}

// Where the plain text and the echo stand in a problem's message: "\n***
// TEXT\n\n> ECHO\n\n" for an error, the text alone for a warning or a note.
static void find_parts(sylvo_problem& p) {
  const char* m = p.message;
  size_t size = p.message_size, at = 0;
  while (at < size && m[at] == '\n') ++at;
  if (size - at >= 4 && std::memcmp(m + at, "*** ", 4) == 0) at += 4;
  const void* nl = std::memchr(m + at, '\n', size - at);
  size_t end = nl ? static_cast<size_t>(static_cast<const char*>(nl) - m) : size;
  p.text_at = at;
  p.text_size = end - at;
  if (size - end >= 5 && std::memcmp(m + end, "\n\n> ", 4) == 0) {
    p.echo_at = end + 4;
    p.echo_size = size - 2 - p.echo_at;
    // Without the line's own end, where the echo reaches it.
    if (p.echo_size > 0 && m[p.echo_at + p.echo_size - 1] == '\n') --p.echo_size;
    if (p.echo_size > 0 && m[p.echo_at + p.echo_size - 1] == '\r') --p.echo_size;
  } else {
    p.echo_at = size;
  }
}

void Problems::add(sylvo_severity severity, sylvo_kind kind, Place where, long long start,
                   size_t length, const Line& line, const Advice* advice) {
  sylvo_problem* p = keep(severity, kind, SYLVO_NO_WARNING, where, start, length, advice);
  if (!p) return;
  format_message(kind, name, line, p->message, &p->message_size);
  find_parts(*p);
}

void Problems::add(sylvo_severity severity, sylvo_warning what, Place where, size_t length,
                   const char* text, const Advice* advice) {
  sylvo_problem* p = keep(severity, SYLVO_COMPLETED, what, where, where.column, length, advice);
  if (!p) return;
  size_t size = std::strlen(text);
  p->message_size = size < SYLVO_MESSAGE_MAX ? size : SYLVO_MESSAGE_MAX;
  std::memcpy(p->message, text, p->message_size);
  p->message[p->message_size] = '\0';
  find_parts(*p);
}

void Advice::explain(const char* format, ...) {
  va_list args;
  va_start(args, format);
  // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized): va_start is right above
  std::vsnprintf(explanation, sizeof explanation, format, args);
  va_end(args);
}

void Advice::suggest(const char* text, size_t size) {
  if (size >= SYLVO_SUGGESTION_SIZE) return;  // none is so long: keys and keywords
  if (count < SYLVO_SUGGESTIONS_MAX) {
    std::memcpy(suggestions[count], text, size);
    suggestions[count][size] = '\0';
  }
  ++count;
}
