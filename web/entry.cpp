// The conversion for the page, through the library's entry: bytes in, and
// what sylvo gives for a file of that name holding them out.
#include <emscripten/emscripten.h>

#include <string>

#include "sylvo.h"

namespace {

/// What sylvo_page_convert() hands back; the page reads it from the
/// module's memory, four bytes a field.
struct Result {
  int status;  // 0, or 1 after a failure
  const char* message;
  size_t message_size;
  const unsigned char* output;  // what the output file would hold (nothing after a failure)
  size_t output_size;
  const char* output_name;  // the name sylvo would give the output file
  unsigned line;            // the failing byte's line, from 1; 0 if the failure is at no byte
  int column;               // that byte's place in its line, from 0; -1 if not known
  int kind;                 // a sylvo_kind: SYLVO_COMPLETED, or the check that failed
};

sylvo_result g_report;
char g_output_name[SYLVO_NAME_MAX + 1];
unsigned char* g_output;
std::string g_keys;
Result g_result;

}  // namespace

extern "C" {

/// Converts `size` bytes at `data` as `sylvo NAME` converts a file `name`
/// holding them; the result holds until the next call.
EMSCRIPTEN_KEEPALIVE const Result* sylvo_page_convert(const unsigned char* data, size_t size,
                                                      const char* name) {
  sylvo_free(g_output);
  g_output = nullptr;
  size_t output_size = 0;
  g_output_name[0] = '\0';
  const char* base = sylvo_base_name(name);  // the messages name files without their directories
  if (sylvo_output_name(base, g_output_name, &g_report) == 0) {
    sylvo_convert_memory(data, size, base, g_output_name, &g_output, &output_size, &g_report);
  }
  g_result = {g_report.status,
              g_report.message,
              g_report.message_size,
              g_output,
              output_size,
              g_output_name,
              static_cast<unsigned>(g_report.line),
              static_cast<int>(g_report.column),
              g_report.kind};
  return &g_result;
}

/// Every syllable key, in the table's order, separated by spaces.
EMSCRIPTEN_KEEPALIVE const char* sylvo_page_keys() {
  if (g_keys.empty()) {
    for (int i = 0; const char* key = sylvo_syllable_key(i); ++i) g_keys.append(key).append(" ");
  }
  return g_keys.c_str();
}

}  // extern "C"
