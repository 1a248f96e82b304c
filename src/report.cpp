#include "report.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "run.h"

// A message area of SYLVO_MESSAGE_MAX + 1 bytes, kept zero-terminated.
struct Text {
  char* bytes;
  size_t* size;
};

namespace {

// The message of each kind, in the order of the kinds. "%s" is a file name
// (the program's after the banner), "%u" the line number; the syntax
// messages add the echo of LineBuf.
struct Message {
  sylvo_kind kind;
  const char* name;  // its short name, which never changes
  bool echo;
  const char* text;
  bool banner = false;  // the banner comes first
};

constexpr Message kMessages[] = {
    {SYLVO_COMPLETED, "completed", false, "\n@ SyLvO conversion completed.\n\n"},
    {SYLVO_USAGE, "usage", false, "\n*** Usage: %s input_filename [output_filename]\n\n", true},
    {SYLVO_SAME_FILE, "same-file", false, "\n*** Can't write to input file: %s\n\n"},
    {SYLVO_OPEN_INPUT, "open-input", false, "\n*** Can't open input file: %s\n\n"},
    {SYLVO_OPEN_OUTPUT, "open-output", false, "\n*** Can't open output file: %s\n\n"},
    {SYLVO_PATH_TOO_LONG, "path-too-long", false, "\n*** Too long file path! (over 255 chars)\n\n"},
    {SYLVO_CANT_READ, "cant-read", false, "\n*** Can't read file: %s\n\n"},
    {SYLVO_NOT_SYLVO, "not-sylvo", false, "\n*** NOT SyLvO file: %s\n\n"},
    {SYLVO_ILLEGAL_TOKEN, "illegal-token", true, "\n*** Illegal token! line:%u\n\n"},
    {SYLVO_SYNTAX, "syntax", true, "\n*** Syntax error! line:%u\n\n"},
    {SYLVO_INTERNAL_ERROR, "internal-error", true, "\n*** Internal Error!\n\n"},
    {SYLVO_WRITE_CHAR, "write-char", false, "\n*** Can't write character to file: %s\n\n"},
    {SYLVO_WRITE_STRING, "write-string", false, "\n*** Can't write string to file: %s\n\n"},
    {SYLVO_POSITION, "position", false, "\n*** Unexpected EOF: %s\n\n"},
    {SYLVO_BAD_ARGUMENT, "bad-argument", false, "\n*** Invalid argument: %s\n\n"},
    // A shell pattern (sylvo *.mml) would have had the second song
    // overwritten by the first one's conversion. Only the first '%' of a
    // text is filled in: the rest are cmd's.
    {SYLVO_TOO_MANY_FILES, "too-many-files", false,
     "\n*** Usage: %s input_filename [output_filename]\n\n"
     "sylvo converts one song at a time; for many, run it once for each: "
     "for f in *.mml; do sylvo \"$f\"; done (cmd: for %f in (*.mml) do sylvo \"%f\")\n\n",
     true},
    {SYLVO_OUTPUT_IS_SONG, "output-is-song", false,
     "\n*** Can't overwrite a song not yet converted: %s\n\n"},
};

constexpr bool keyed_by_kind(size_t i = 0) {
  return i == sizeof kMessages / sizeof kMessages[0] ||
         (kMessages[i].kind == i && keyed_by_kind(i + 1));
}
static_assert(keyed_by_kind(), "kMessages has one row per kind, in the kinds' order");
static_assert(sizeof kMessages / sizeof kMessages[0] == kLastKind + 1,
              "kMessages has a row for every kind");

// The short name of each warning's or note's subject, in their order.
constexpr const char* kWarningNames[] = {
    "",          "empty-length", "directive-lookalike", "directive-number", "directive-in-comment",
    "near-keys", "stray-length"};
static_assert(sizeof kWarningNames / sizeof kWarningNames[0] == kLastWarning + 1,
              "kWarningNames has a name for every warning");

constexpr char kCredit[] = "Lyric syllables in MML turned into sung instrument runs.";

// Appends to the text, never past its area.
void append(Text t, const char* bytes, size_t size) {
  size_t room = SYLVO_MESSAGE_MAX - *t.size;
  if (size > room) size = room;
  std::memcpy(t.bytes + *t.size, bytes, size);
  *t.size += size;
  t.bytes[*t.size] = '\0';
}
void append(Text t, const char* text) { append(t, text, std::strlen(text)); }

// Writes kind's message to `result`, as make_message() says.
void format_message(sylvo_kind kind, const char* name, const Line& line, Text result) {
  const Message& m = kMessages[is_kind(kind) ? kind : SYLVO_BAD_ARGUMENT];
  if (!name) name = "";
  *result.size = 0;
  result.bytes[0] = '\0';
  if (m.banner) {
    append(result, "\nSyLvO  Version " SYLVO_VERSION "\n");
    append(result, kCredit);
    append(result, "\n");
  }
  // The value fills the text as bytes, never as a format: a name holding
  // '%' prints as it is.
  const char* at = std::strchr(m.text, '%');
  if (!at) {
    append(result, m.text);
  } else {
    append(result, m.text, static_cast<size_t>(at - m.text));
    char number[24];
    std::snprintf(number, sizeof number, "%llu", line.LINE_NO);
    append(result, at[1] == 'u' ? number : name);
    append(result, at + 2);
  }
  if (m.echo) {  // LineBuf as a string: up to its first zero byte
    const char* buf = reinterpret_cast<const char*>(line.LineBuf);
    size_t shown = 0;
    while (shown < line.pos && buf[shown] != '\0') ++shown;
    append(result, "> ");
    append(result, buf, shown);
    append(result, "\n\n");
  }
}

}  // namespace

int make_message(sylvo_kind kind, const char* name, const Line& line, sylvo_result* result) {
  if (!is_kind(kind)) kind = SYLVO_BAD_ARGUMENT, name = "sylvo_report";
  result->kind = kind;
  result->status = kind == SYLVO_COMPLETED ? 0 : 1;
  format_message(kind, name, line, {result->message, &result->message_size});
  return result->status;
}

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
  format_message(kind, name, line, {p->message, &p->message_size});
  find_parts(*p);
}

void Problems::add(sylvo_severity severity, sylvo_warning what, Place where, size_t length,
                   const char* text, const Advice* advice) {
  sylvo_problem* p = keep(severity, SYLVO_COMPLETED, what, where, where.column, length, advice);
  if (!p) return;
  append({p->message, &p->message_size}, text);
  find_parts(*p);
}

void Advice::explain(const char* format, ...) {
  va_list args;
  va_start(args, format);
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

const char* sylvo_kind_name(sylvo_kind kind) {
  return is_kind(kind) ? kMessages[kind].name : nullptr;
}

const char* sylvo_warning_name(sylvo_warning warning) {
  return warning >= SYLVO_NO_WARNING && warning <= kLastWarning ? kWarningNames[warning] : nullptr;
}

const char* sylvo_version(void) { return SYLVO_VERSION; }
