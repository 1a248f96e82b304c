#include "report.h"

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
  bool echo;
  const char* text;
  bool banner = false;  // the banner comes first
};

constexpr Message kMessages[] = {
    {SYLVO_COMPLETED, false, "\n@ SyLvO conversion completed.\n\n"},
    {SYLVO_USAGE, false, "\n*** Usage: %s input_filename [output_filename]\n\n", true},
    {SYLVO_SAME_FILE, false, "\n*** Can't write to input file: %s\n\n"},
    {SYLVO_OPEN_INPUT, false, "\n*** Can't open input file: %s\n\n"},
    {SYLVO_OPEN_OUTPUT, false, "\n*** Can't open output file: %s\n\n"},
    {SYLVO_PATH_TOO_LONG, false, "\n*** Too long file path! (over 255 chars)\n\n"},
    {SYLVO_CANT_READ, false, "\n*** Can't read file: %s\n\n"},
    {SYLVO_NOT_SYLVO, false, "\n*** NOT SyLvO file: %s\n\n"},
    {SYLVO_ILLEGAL_TOKEN, true, "\n*** Illegal token! line:%u\n\n"},
    {SYLVO_SYNTAX, true, "\n*** Syntax error! line:%u\n\n"},
    {SYLVO_INTERNAL_ERROR, true, "\n*** Internal Error!\n\n"},
    {SYLVO_WRITE_CHAR, false, "\n*** Can't write character to file: %s\n\n"},
    {SYLVO_WRITE_STRING, false, "\n*** Can't write string to file: %s\n\n"},
    {SYLVO_POSITION, false, "\n*** Unexpected EOF: %s\n\n"},
    {SYLVO_BAD_ARGUMENT, false, "\n*** Invalid argument: %s\n\n"},
    // A shell pattern (sylvo *.mml) would have had the second song
    // overwritten by the first one's conversion. Only the first '%' of a
    // text is filled in: the rest are cmd's.
    {SYLVO_TOO_MANY_FILES, false,
     "\n*** Usage: %s input_filename [output_filename]\n\n"
     "sylvo converts one song at a time; for many, run it once for each: "
     "for f in *.mml; do sylvo \"$f\"; done (cmd: for %f in (*.mml) do sylvo \"%f\")\n\n",
     true},
    {SYLVO_OUTPUT_IS_SONG, false, "\n*** Can't overwrite a song not yet converted: %s\n\n"},
};

constexpr bool keyed_by_kind(size_t i = 0) {
  return i == sizeof kMessages / sizeof kMessages[0] ||
         (kMessages[i].kind == i && keyed_by_kind(i + 1));
}
static_assert(keyed_by_kind(), "kMessages has one row per kind, in the kinds' order");
static_assert(sizeof kMessages / sizeof kMessages[0] == kLastKind + 1,
              "kMessages has a row for every kind");

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
// message, which it returns where to write (null if not kept).
Text Problems::keep(sylvo_severity severity, sylvo_kind kind, sylvo_warning what, Place where,
                    long long start, size_t length) {
  size_t& count = severity == SYLVO_ERROR     ? result->errors
                  : severity == SYLVO_WARNING ? result->warnings
                                              : result->notes;
  ++count;
  if (severity == SYLVO_ERROR) result->status = 1;
  if (result->count == max) return {nullptr, nullptr};
  sylvo_problem& p = kept[result->count++];
  p = {severity, kind, what, where.line, where.column, start, length, 0, {}};
  return {p.message, &p.message_size};
}

void Problems::add(sylvo_severity severity, sylvo_kind kind, Place where, long long start,
                   size_t length, const Line& line) {
  Text message = keep(severity, kind, SYLVO_NO_WARNING, where, start, length);
  if (message.bytes) format_message(kind, name, line, message);
}

void Problems::add(sylvo_severity severity, sylvo_warning what, Place where, size_t length,
                   const char* text) {
  Text message = keep(severity, SYLVO_COMPLETED, what, where, where.column, length);
  if (message.bytes) append(message, text);
}
