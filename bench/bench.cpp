// In-process throughput of the conversion on generated inputs, with the
// output counted and dropped.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "core/entry.h"
#include "core/run.h"
#include "inputs.h"
#include "oracle.h"
#include "sylvo.h"

namespace {

struct Input {
  const char* data;
  size_t size;
};

size_t read_input(void* ctx, unsigned char* buffer, size_t capacity, int*) {
  Input* in = static_cast<Input*>(ctx);
  size_t n = in->size < capacity ? in->size : capacity;
  std::memcpy(buffer, in->data, n);
  in->data += n;
  in->size -= n;
  return n;
}

int discard(void* ctx, const unsigned char*, size_t size) {
  *static_cast<size_t*>(ctx) += size;
  return 1;
}

// Converts `text` through the library's entry, or with the reference
// scanner through the same path.
void convert_text(benchmark::State& state, const std::string& text, bool reference = false) {
  auto result = std::make_unique<sylvo_result>();
  auto run = std::make_unique<Run>();
  size_t written = 0;
  for (auto _ : state) {
    Input input{text.data(), text.size()};
    int status =
        reference ? convert_run(*run, {read_input, &input}, {discard, &written}, "in", "out", 0,
                                result.get(), oracle_scan)
                  : sylvo_convert(read_input, &input, discard, &written, "in", "out", result.get());
    if (status != 0) state.SkipWithError(result->message);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["out/in"] =
      static_cast<double>(written) / static_cast<double>(state.iterations() * text.size());
}

void convert_kind(benchmark::State& state, const char* kind, bool reference = false) {
  convert_text(state, generate_input(kind, static_cast<size_t>(state.range(0))), reference);
}

// One construct repeated, to see what each costs: state.range(0) picks it.
void BM_Construct(benchmark::State& state) {
  const char* pieces[] = {"abcdefghij",   "l8 ",    "; comment text here\n",
                          "// comment\n", "(KA)c ", "(KYA)d+8.",
                          "/* x */",      "\n",     "c8\r\n"};
  const char* piece = pieces[state.range(0)];
  std::string text = "#SYLVO\n";
  while (text.size() < (4 << 20)) {
    text += piece;
    if (text.size() % 1000 < std::strlen(piece)) text += '\n';
  }
  state.SetLabel(piece);
  convert_text(state, text);
}

void BM_Plain(benchmark::State& state) { convert_kind(state, "plain"); }
void BM_Notes(benchmark::State& state) { convert_kind(state, "notes"); }
void BM_Dense(benchmark::State& state) { convert_kind(state, "dense"); }
void BM_Comment(benchmark::State& state) { convert_kind(state, "comment"); }
void BM_Tiny(benchmark::State& state) { convert_kind(state, "tiny"); }
void BM_Mix(benchmark::State& state) { convert_kind(state, "mix"); }
void BM_DenseMix(benchmark::State& state) { convert_kind(state, "densemix"); }
void BM_Varied(benchmark::State& state) { convert_kind(state, "varied"); }
void BM_DenseReference(benchmark::State& state) { convert_kind(state, "dense", true); }
void BM_DenseMixReference(benchmark::State& state) { convert_kind(state, "densemix", true); }

BENCHMARK(BM_Plain)->Arg(8 << 20);
BENCHMARK(BM_Notes)->Arg(8 << 20);
BENCHMARK(BM_Dense)->Arg(8 << 20);
BENCHMARK(BM_Comment)->Arg(8 << 20);
BENCHMARK(BM_Tiny)->Arg(0);
BENCHMARK(BM_Mix)->Arg(8 << 20);
BENCHMARK(BM_DenseMix)->Arg(8 << 20);
BENCHMARK(BM_Varied)->Arg(8 << 20);
BENCHMARK(BM_DenseReference)->Arg(8 << 20);
BENCHMARK(BM_DenseMixReference)->Arg(8 << 20);
BENCHMARK(BM_Construct)->DenseRange(0, 8);

}  // namespace

BENCHMARK_MAIN();
