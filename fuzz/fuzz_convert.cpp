// Fuzzes the whole conversion in memory: the header scan and the scanner,
// every failure ending in the same Failure the program catches. Each input
// is converted three times: in one piece, handed over in small, varying
// chunks through small reads, and by the byte-at-a-time reference scanner.
// All three must give the same status, kind, line, column and message, and
// the same output when they succeed. A check of them, whole and in chunks,
// must find that failure first, or no error; and where its lines do not act
// on one another, each line's first error where sylvo stops on that line
// alone. The same bytes are fitted as lyrics to MML as well.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "oracle.h"
#include "support.h"

namespace {

void expect_same(const Outcome& a, const Outcome& b) {
  if (!same_outcome(a, b)) std::abort();
}

}  // namespace

// Lyrics fitted to MML, the input's first bytes as lyrics and the rest as
// MML: the MML's own bytes come back whole and in order, around what was put
// in, and every key is one of the table's.
void fit_keeps_the_mml(const uint8_t* data, size_t size) {
  size_t split = size == 0 ? 0 : data[0] % (size + 1);
  struct Kept {
    const uint8_t* mml;
    size_t size, done;
    bool in_order;
  } kept{data + split, size - split, 0, true};
  auto write = [](void* context, const unsigned char* bytes, size_t n) {
    Kept& k = *static_cast<Kept*>(context);
    if (bytes >= k.mml && bytes < k.mml + k.size) {
      k.in_order = k.in_order && bytes >= k.mml + k.done;
      k.done = static_cast<size_t>(bytes - k.mml) + n;
    }
    return 1;
  };
  sylvo_fit_result r;
  if (sylvo_fit_lyrics(data + split, size - split, reinterpret_cast<const char*>(data), split,
                       write, &kept, &r) != 0 ||
      !kept.in_order || kept.done > kept.size) {
    std::abort();
  }
  sylvo_lyric keys[8];
  size_t n =
      sylvo_lyric_keys(reinterpret_cast<const char*>(data), split, keys, 8, nullptr, 0, nullptr);
  for (size_t i = 0; i < n && i < 8; ++i) {
    if (keys[i].at + keys[i].size > split ||
        !find_syllable(reinterpret_cast<const unsigned char*>(keys[i].key),
                       std::strlen(keys[i].key))) {
      std::abort();
    }
  }
}

// The spans of the bytes each lie within one line, never over its newline.
void spans_stay_in_their_lines(const uint8_t* data, size_t size) {
  sylvo_span spans[64];
  size_t n = sylvo_spans(data, size, 1, 0, spans, 64);
  std::vector<size_t> starts{0, 0};
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') starts.push_back(i + 1);
  }
  starts.push_back(size + 1);  // past the last line
  for (size_t i = 0; i < n && i < 64; ++i) {
    const sylvo_span& s = spans[i];
    if (s.line == 0 || s.line + 1 >= starts.size() || s.length == 0 ||
        starts[s.line] + s.start + s.length > starts[s.line + 1] - 1) {
      std::abort();
    }
  }
}

// What an editor is told of each place of the second line stands at that
// place: a syllable that holds it, of a key in the table; a completion that
// would replace only the capitals (or '_', for a directive) before it.
void places_answer_for_themselves(const uint8_t* data, size_t size) {
  const uint8_t* second = static_cast<const uint8_t*>(std::memchr(data, '\n', size));
  if (!second) return;
  ++second;
  const uint8_t* end = static_cast<const uint8_t*>(std::memchr(second, '\n', data + size - second));
  size_t length = static_cast<size_t>((end ? end : data + size) - second);
  for (size_t column = 0; column <= length && column < 48; ++column) {
    sylvo_syllable_info info;
    if (sylvo_syllable_at(data, size, 2, column, &info) == 0 &&
        (info.line != 2 || info.start > column || column >= info.start + info.length ||
         info.start + info.length > length || info.expansion_size > SYLVO_EXPANSION_MAX ||
         !find_syllable(reinterpret_cast<const unsigned char*>(info.key), std::strlen(info.key)))) {
      std::abort();
    }
    sylvo_completion c;
    if (sylvo_completion_at(data, size, 2, column, &c) != 0 || c.kind == SYLVO_COMPLETE_NOTHING) {
      continue;
    }
    if (c.start > column) std::abort();
    for (size_t i = c.start; i < column; ++i) {
      bool ok = (second[i] >= 'A' && second[i] <= 'Z') ||
                (c.kind == SYLVO_COMPLETE_DIRECTIVE && second[i] == '_');
      if (!ok) std::abort();
    }
    for (unsigned char v : c.voices) {
      if (v > 9) std::abort();
    }
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fit_keeps_the_mml(data, size);
  spans_stay_in_their_lines(data, size);
  places_answer_for_themselves(data, size);
  Outcome whole = convert_buffer(data, size);
  if ((whole.status == 0) != (whole.message == "\n@ SyLvO conversion completed.\n\n")) std::abort();

  unsigned seed = static_cast<unsigned>(size) * 2654435761u | 1u;
  size_t buffer = 1 + size % 61;
  size_t chunk = 1 + (size / 7) % 23;
  expect_same(whole, convert_buffer(data, size, chunk, buffer, seed));
  expect_same(whole, oracle_convert(data, size));
  if (!check_agrees(check_buffer(data, size), whole) ||
      !check_agrees(check_buffer(data, size, chunk, buffer, seed, 4), whole)) {
    std::abort();
  }
  std::string why;
  if (!lines_agree(std::string(reinterpret_cast<const char*>(data), size), &why)) std::abort();
  return 0;
}
