// Fuzzes the whole conversion in memory: the header scan and the scanner,
// every failure ending in the same Failure the program catches. Each input
// is converted twice, in one piece and handed over in small, varying chunks
// through small buffers; the two must give the same status and message, and
// the same output when they succeed.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "main.h"
#include "report.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Outcome whole = convert_buffer(data, size);
  if ((whole.status == 0) != (whole.message == kCompletedText)) std::abort();

  unsigned seed = static_cast<unsigned>(size) * 2654435761u | 1u;
  size_t buffer = 1 + size % 61;
  size_t chunk = 1 + (size / 7) % 23;
  Outcome split = convert_buffer(data, size, chunk, buffer, seed);
  if (split.status != whole.status || split.message != whole.message) std::abort();
  if (whole.status == 0 && split.output != whole.output) std::abort();
  return 0;
}
