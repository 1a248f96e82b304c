#include "core/report.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/run.h"

namespace {

// A message area of SYLVO_MESSAGE_MAX + 1 bytes, kept zero-terminated.
struct Text {
  char* bytes;
  size_t* size;
};

// The message of each kind, in the order of the kinds. "%s" is a file name
// (the program's after the banner), "%u" the line number; the syntax
// messages add the echo of LineBuf.
struct Message {  // NOLINT(clang-analyzer-optin.performance.Padding): a table read by eye
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
    "near-keys", "stray-length", "full-width"};
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
void format(sylvo_kind kind, const char* name, const Line& line, Text result) {
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
  format(kind, name, line, {result->message, &result->message_size});
  return result->status;
}

void format_message(sylvo_kind kind, const char* name, const Line& line, char* text, size_t* size) {
  format(kind, name, line, {text, size});
}

const char* sylvo_kind_name(sylvo_kind kind) {
  return is_kind(kind) ? kMessages[kind].name : nullptr;
}

const char* sylvo_warning_name(sylvo_warning warning) {
  return warning >= SYLVO_NO_WARNING && warning <= kLastWarning ? kWarningNames[warning] : nullptr;
}

const char* sylvo_version(void) { return SYLVO_VERSION; }
