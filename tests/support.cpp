#include "support.h"

#include <cstring>
#include <memory>

#include "report.h"
#include "run.h"
#include "syllable.h"

size_t read_chunks(void* input, unsigned char* buffer, size_t capacity, int*) {
  ChunkedInput* in = static_cast<ChunkedInput*>(input);
  size_t n = in->size < capacity ? in->size : capacity;
  size_t most = in->chunk;
  if (most != 0 && in->vary != 0) {
    in->vary = in->vary * 1103515245u + 12345u;
    most = 1 + (in->vary >> 16) % most;
  }
  if (most != 0 && n > most) n = most;
  if (n != 0) std::memcpy(buffer, in->data, n);
  in->data += n;
  in->size -= n;
  return n;
}

int append_to(void* out, const unsigned char* bytes, size_t size) {
  static_cast<std::string*>(out)->append(reinterpret_cast<const char*>(bytes), size);
  return 1;
}

Outcome convert_buffer(const void* data, size_t size, size_t chunk, size_t buffer, unsigned vary,
                       void (*scanner)(Run&)) {
  static std::unique_ptr<Run> run(new Run());
  static sylvo_result result;
  ChunkedInput input{static_cast<const unsigned char*>(data), size, chunk, vary};
  Outcome outcome{};
  outcome.status = convert_run(*run, {read_chunks, &input}, {append_to, &outcome.output}, "input",
                               "output", buffer, &result, scanner);
  outcome.message.assign(result.message, result.message_size);
  outcome.kind = result.kind;
  outcome.line = result.line;
  outcome.column = result.column;
  return outcome;
}

Checked check_buffer(const void* data, size_t size, size_t chunk, size_t buffer, unsigned vary,
                     size_t max) {
  static std::unique_ptr<Run> run(new Run());
  static sylvo_problem problems[256];
  static sylvo_check_result result;
  ChunkedInput input{static_cast<const unsigned char*>(data), size, chunk, vary};
  Problems found{problems, max < 256 ? max : 256, &result, "input"};
  check_run(*run, {read_chunks, &input}, buffer, found);
  return {result, problems};
}

bool check_agrees(const Checked& check, const Outcome& conversion) {
  if (conversion.status == 0) return check.result.errors == 0 && check.result.status == 0;
  if (check.result.status != 1) return false;
  for (size_t i = 0; i < check.result.count; ++i) {
    const sylvo_problem& p = check.problems[i];
    if (p.severity != SYLVO_ERROR) continue;
    return p.kind == conversion.kind && p.line == conversion.line &&
           p.column == conversion.column &&
           conversion.message == std::string(p.message, p.message_size);
  }
  return check.result.count != 0 || check.result.errors != 0;
}

bool same_outcome(const Outcome& a, const Outcome& b) {
  return a.status == b.status && a.kind == b.kind && a.line == b.line && a.column == b.column &&
         a.message == b.message && (a.status != 0 || a.output == b.output);
}

const SyllableRow* find_syllable(const unsigned char* key, size_t size) {
  if (size > 3) return nullptr;
  unsigned code = 0;
  for (size_t i = 0; i < size; ++i) {
    if (key[i] < 'A' || key[i] > 'Z') return nullptr;
    code = code * 27 + static_cast<unsigned>(key[i] - 'A' + 1);
  }
  return syllable_by_code(code);
}
