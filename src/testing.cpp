#include "testing.h"

#include <memory>

#include "main.h"
#include "report.h"
#include "run.h"

Outcome convert_buffer(const void* data, size_t size, size_t chunk, size_t buffer, unsigned vary) {
  static std::unique_ptr<Run> run(new Run());
  MemoryInput input{static_cast<const unsigned char*>(data), size, chunk, vary};
  Outcome outcome{0, {}, {}};
  start_run(*run, memory_source(&input), "input", string_sink(&outcome.output), "output", buffer);
  try {
    convert(*run);
    outcome.message = kCompletedText;
  } catch (const Failure& failure) {
    outcome.status = 1;
    outcome.message = failure.message;
  }
  return outcome;
}
