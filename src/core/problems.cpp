#include "core/problems.h"

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
  p.format = "";
  if (advice) {
    p.suggestion_count = advice->count;
    std::memcpy(p.suggestions, advice->suggestions, sizeof p.suggestions);
    p.format = advice->words.format;
    p.argument_count = advice->words.count;
    std::memcpy(p.arguments, advice->words.arguments, sizeof p.arguments);
    p.construct_end = advice->construct_end;
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
  if (advice) advice->words.fill(p->explanation, sizeof p->explanation);
}

void Problems::add(sylvo_severity severity, sylvo_warning what, Place where, size_t length,
                   const Advice& advice) {
  sylvo_problem* p = keep(severity, SYLVO_COMPLETED, what, where, where.column, length, &advice);
  if (!p) return;
  p->message_size = advice.words.fill(p->message, sizeof p->message);
  find_parts(*p);
}

Arg::Arg(const char* text) : Arg(text, text ? std::strlen(text) : 0) {}
Arg::Arg(const unsigned char* bytes, size_t n) : Arg(reinterpret_cast<const char*>(bytes), n) {}
Arg::Arg(const char* bytes, size_t n) : at(bytes ? bytes : ""), size(bytes ? n : 0), digits() {}
Arg::Arg(unsigned long long number) : at(digits), size(0), digits() {
  size = static_cast<size_t>(std::snprintf(digits, sizeof digits, "%llu", number));
}

void Words::say(const char* text, std::initializer_list<Arg> args) {
  format = text;
  count = 0;
  for (const Arg& a : args) {
    if (count == SYLVO_ARGUMENTS_MAX) break;
    size_t n = a.size < SYLVO_ARGUMENT_SIZE - 1 ? a.size : SYLVO_ARGUMENT_SIZE - 1;
    std::memcpy(arguments[count], a.at, n);
    arguments[count][n] = '\0';
    ++count;
  }
}

size_t Words::fill(char* out, size_t size) const {
  const char* args[SYLVO_ARGUMENTS_MAX];
  for (size_t i = 0; i < count; ++i) args[i] = arguments[i];
  return sylvo_fill(format, args, count, out, size);
}

void Advice::suggest(const char* text, size_t size) {
  if (size >= SYLVO_SUGGESTION_SIZE) return;  // none is so long: keys and keywords
  if (count < SYLVO_SUGGESTIONS_MAX) {
    std::memcpy(suggestions[count], text, size);
    suggestions[count][size] = '\0';
  }
  ++count;
}

size_t sylvo_fill(const char* format, const char* const* arguments, size_t count, char* out,
                  size_t size) {
  if (!out || size == 0) return 0;
  size_t n = 0;
  auto put = [&](const char* bytes, size_t k) {
    if (k > size - 1 - n) k = size - 1 - n;
    std::memcpy(out + n, bytes, k);
    n += k;
  };
  for (const char* f = format ? format : ""; *f;) {
    // "{N}" with a digit N from 1 to `count`; any other brace is text.
    size_t which = f[0] == '{' && f[1] >= '1' && f[1] <= '9' && f[2] == '}'
                       ? static_cast<size_t>(f[1] - '0')
                       : 0;
    if (which != 0 && which <= count) {
      const char* a = arguments ? arguments[which - 1] : nullptr;
      if (a) put(a, std::strlen(a));
      f += 3;
    } else {
      put(f, 1);
      ++f;
    }
  }
  out[n] = '\0';
  return n;
}
