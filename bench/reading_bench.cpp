// Lyrics read as sung: the dictionary opened (once a server), and lines of
// lyrics read with it, from the corpus of songs and made longer.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>
#include <vector>

#include "reading/dictionary.h"

namespace {

// The corpus's lyrics, a line each.
std::vector<std::string> corpus() {
  std::ifstream in(SYLVO_CORPUS);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] != '#') lines.push_back(line.substr(0, line.find('\t')));
  }
  return lines;
}

void BM_OpenDictionary(benchmark::State& state) {
  for (auto _ : state) {
    Dictionary d;
    benchmark::DoNotOptimize(d.is_open());
  }
}
BENCHMARK(BM_OpenDictionary)->Unit(benchmark::kMillisecond);

// Lines of 40 characters: two lines of the corpus (about 12 each) and more.
void BM_ReadLine40(benchmark::State& state) {
  Dictionary d;
  std::vector<std::string> lines = corpus(), long_lines;
  for (size_t i = 0; i + 3 < lines.size(); ++i) {
    long_lines.push_back(lines[i] + " " + lines[i + 1] + " " + lines[i + 2]);
  }
  size_t n = 0, characters = 0;
  for (auto _ : state) {
    const std::string& line = long_lines[n++ % long_lines.size()];
    benchmark::DoNotOptimize(d.read(line.data(), line.size(), false).keys.size());
  }
  for (const std::string& l : long_lines) {
    for (unsigned char c : l) characters += (c & 0xC0) != 0x80;
  }
  state.counters["characters"] = static_cast<double>(characters) / long_lines.size();
}
BENCHMARK(BM_ReadLine40)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
