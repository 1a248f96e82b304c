#include "report.h"

#include <cstring>

#include "run.h"

namespace {

struct MessageRow {
  int kind;
  const char* text;
};

// Searched in this order; the last row answers every kind without a row.
constexpr MessageRow kMessages[] = {
    {0, "\n*** Usage: %s input_filename [output_filename]\n\n"},
    {1, "\n*** Can't write to input file: %s\n\n"},
    {2, "\n*** Can't open input file: %s\n\n"},
    {3, "\n*** Can't open output file: %s\n\n"},
    {4, "\n*** Too long file path! (over 255 chars)\n\n"},
    {15, "\n*** NOT SyLvO file: %s\n\n"},
    {5, "\n*** Can't read file: %s\n\n"},
    {7, "\n*** Illegal token! line:%u\n\n"},
    {9, "\n*** Syntax error! line:%u\n\n"},
    {11, "\n*** Can't write character to file: %s\n\n"},
    {12, "\n*** Can't write string to file: %s\n\n"},
    {13, "\n*** Unexpected EOF: %s\n\n"},
    {-1, "\n*** Internal Error!\n\n"},
};

constexpr char kVersion[] = SYLVO_VERSION_TEXT;  // set where the build sets the version
constexpr char kCredit[] = "Lyric syllables in MML turned into sung instrument runs.";

// Fills the first "%s" or "%u" of `text` with `value`. The value is copied as
// bytes, never used as a format, so a name holding '%' prints as it is.
std::string fill(const char* text, const std::string& value) {
  std::string out(text);
  size_t at = out.find('%');
  if (at != std::string::npos) out.replace(at, 2, value);
  return out;
}

}  // namespace

const char kCompletedText[] = "\n@ SyLvO conversion completed.\n\n";

const char* message_text(int kind) {
  const MessageRow* row = kMessages;
  while (row->kind != kind && row->kind != -1) ++row;
  return row->text;
}

void fail(Kind kind, const char* name, Place where) {
  std::string text = fill(message_text(kind), name);
  if (kind == kUsage) {
    text = std::string("\nSyLvO  Version ") + kVersion + "\n" + kCredit + "\n" + text;
  }
  throw Failure{kind, std::move(text), where};
}

void fail_at(Kind kind, const Line& line, long long column) {
  std::string text = fill(message_text(kind), std::to_string(line.LINE_NO));
  // The echo prints LineBuf as a string: up to its first zero byte.
  const char* buf = reinterpret_cast<const char*>(line.LineBuf);
  size_t shown = 0;
  while (shown < line.pos && buf[shown] != '\0') ++shown;
  text.append("> ").append(buf, shown).append("\n\n");
  throw Failure{kind, std::move(text), {line.LINE_NO, column}};
}
