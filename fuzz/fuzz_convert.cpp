// Fuzzes the whole conversion in memory: the header scan and the scanner,
// every failure ending in the same Failure the program catches. Each input
// is converted three times: in one piece, handed over in small, varying
// chunks through small reads, and by the byte-at-a-time reference scanner.
// All three must give the same status, kind, line, column and message, and
// the same output when they succeed.
#include <cstdint>
#include <cstdlib>

#include "oracle.h"
#include "support.h"

namespace {

void expect_same(const Outcome& a, const Outcome& b) {
  if (!same_outcome(a, b)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Outcome whole = convert_buffer(data, size);
  if ((whole.status == 0) != (whole.message == "\n@ SyLvO conversion completed.\n\n")) std::abort();

  unsigned seed = static_cast<unsigned>(size) * 2654435761u | 1u;
  size_t buffer = 1 + size % 61;
  size_t chunk = 1 + (size / 7) % 23;
  expect_same(whole, convert_buffer(data, size, chunk, buffer, seed));
  expect_same(whole, oracle_convert(data, size));
  return 0;
}
