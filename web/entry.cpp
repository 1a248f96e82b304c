// The conversion core as a WebAssembly module for the page: bytes in, the
// exit status, the message and the output bytes out, exactly as sylvo would
// give them for a file with those bytes.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <memory>
#include <string>

#include "main.h"
#include "report.h"
#include "run.h"
#include "syllable.h"

namespace {

/// What sylvo_convert() hands back; the page reads it from the module's
/// memory, four bytes a field.
struct Result {
  int status;  // 0, or 1 after a failure
  const char* message;
  size_t message_size;
  const unsigned char* output;  // what the output file would hold (nothing after a failure)
  size_t output_size;
  const char* output_name;  // the name sylvo would give the output file
  unsigned line;            // the failing byte's line, from 1; 0 if the failure is at no byte
  int column;               // that byte's place in its line, from 0; -1 if not known
  int kind;                 // the check that failed (0 after a complete conversion)
};

std::unique_ptr<Run> g_run(new Run());
Names g_names;
std::string g_message;
std::string g_output;
std::string g_keys;
Result g_result;

}  // namespace

extern "C" {

/// Converts `size` bytes at `data` as `sylvo NAME` converts a file `name`
/// holding them; the result holds until the next call.
EMSCRIPTEN_KEEPALIVE const Result* sylvo_convert(const unsigned char* data, size_t size,
                                                 const char* name) {
  MemoryInput input{data, size, 0, 0};
  const char* argv[] = {"sylvo", name};
  g_output.clear();
  int status = 0;
  Place where{0, -1};
  int kind = 0;
  try {
    form_names(2, argv, g_names);
    start_run(*g_run, memory_source(&input), g_names.InFileName, string_sink(&g_output),
              g_names.OutFileName);
    convert(*g_run);
    g_message = kCompletedText;
  } catch (const Failure& failure) {
    status = 1;
    g_message = failure.message;
    where = failure.where;
    kind = failure.kind;
    g_output.clear();  // a failed run leaves no output file
  }
  g_result = {status,
              g_message.data(),
              g_message.size(),
              reinterpret_cast<const unsigned char*>(g_output.data()),
              g_output.size(),
              g_names.OutFileName,
              static_cast<unsigned>(where.line),
              static_cast<int>(where.column),
              kind};
  return &g_result;
}

/// Every syllable key, in the table's order, separated by spaces.
EMSCRIPTEN_KEEPALIVE const char* sylvo_keys() {
  if (g_keys.empty()) {
    for (int i = 0; i < kSyllables; ++i) g_keys += std::string(syllable_row(i).key) + " ";
  }
  return g_keys.c_str();
}

}  // extern "C"
