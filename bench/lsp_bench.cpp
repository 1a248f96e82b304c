// The language server as a composer types: a song open, one key press a
// change, and the time from the change to its diagnostics, written as the
// JSON a client reads. Varied lyrics of 50 KB and of 1 MB, with a mistake
// every few hundred lines, so there are problems to place.
#include <benchmark/benchmark.h>

#include <string>

#include "inputs.h"
#include "lsp_server.h"

namespace {

using Json = nlohmann::json;

void typing(benchmark::State& state, size_t size) {
  std::string song = generate_varied(size);
  for (size_t at = song.find('\n', song.size() / 7); at < song.size();
       at = song.find('\n', at + 20000)) {
    song.insert(at, " (KX)c");  // problems along the song
  }
  size_t written = 0;
  Server server([&](const Json& m) { written += m.dump().size(); });
  server.handle(
      Json({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", Json::object()}})
          .dump());
  server.handle(
      Json(
          {{"jsonrpc", "2.0"},
           {"method", "textDocument/didOpen"},
           {"params",
            {{"textDocument",
              {{"uri", "untitled:song"}, {"languageId", "mml"}, {"version", 1}, {"text", song}}}}}})
          .dump(-1, ' ', false, Json::error_handler_t::replace));  // its Shift-JIS too
  const size_t line = 40;  // type on a line near the top: the whole song is checked again
  size_t column = 0;
  long long version = 1;
  for (auto _ : state) {
    Json change = {
        {"jsonrpc", "2.0"},
        {"method", "textDocument/didChange"},
        {"params",
         {{"textDocument", {{"uri", "untitled:song"}, {"version", ++version}}},
          {"contentChanges", Json::array({{{"range",
                                            {{"start", {{"line", line}, {"character", column}}},
                                             {"end", {{"line", line}, {"character", column}}}}},
                                           {"text", "c"}}})}}}};
    server.handle(change.dump());
    ++column;
  }
  state.counters["song_bytes"] = static_cast<double>(song.size());
  state.counters["json_bytes_per_change"] =
      benchmark::Counter(static_cast<double>(written), benchmark::Counter::kAvgIterations);
}

void BM_Typing50KB(benchmark::State& state) { typing(state, 50 * 1024); }
void BM_Typing1MB(benchmark::State& state) { typing(state, 1024 * 1024); }
BENCHMARK(BM_Typing50KB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Typing1MB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
