// The language server as a composer types: a song open, one key press a
// change, and the time from the change to its diagnostics, written as the
// JSON a client reads. Varied lyrics of 50 KB and of 1 MB, with a mistake
// every few hundred lines, so there are problems to place. Then what a
// client asks after a change: the whole song's colours, or those of a
// screen of lines at its end, the kana of that screen, and the keys at a
// '(' there.
#include <benchmark/benchmark.h>

#include <string>

#include "inputs.h"
#include "server/server.h"

namespace {

using Json = nlohmann::json;

std::string song_of(size_t size) {
  std::string song = generate_varied(size);
  for (size_t at = song.find('\n', song.size() / 7); at < song.size();
       at = song.find('\n', at + 20000)) {
    song.insert(at, " (KX)c");  // problems along the song
  }
  return song;
}

void open(Server& server, const std::string& song) {
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
}

void typing(benchmark::State& state, size_t size) {
  std::string song = song_of(size);
  size_t written = 0;
  Server server([&](const Json& m) { written += m.dump().size(); });
  open(server, song);
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

// One request on a 1 MB song (varied, or dense syllables alone), answered
// and written as JSON.
void asking(benchmark::State& state, const std::string& method, const Json& params,
            bool dense = false) {
  std::string song = (dense ? generate_input("dense", 1024 * 1024) : song_of(1024 * 1024)) + "(\n";
  size_t lines = 0;
  for (char c : song) lines += c == '\n';
  size_t written = 0;
  Server server([&](const Json& m) { written += m.dump().size(); },
                [&](const std::string& m) { written += m.size(); });
  open(server, song);
  Json p = params;
  p["textDocument"] = {{"uri", "untitled:song"}};
  if (p.contains("position")) p["position"] = {{"line", lines - 1}, {"character", 1}};
  if (p.contains("range")) {
    p["range"] = {{"start", {{"line", lines - 60}, {"character", 0}}},
                  {"end", {{"line", lines}, {"character", 0}}}};
  }
  const std::string request =
      Json({{"jsonrpc", "2.0"}, {"id", 2}, {"method", method}, {"params", p}}).dump();
  for (auto _ : state) server.handle(request);
  state.counters["json_bytes"] =
      benchmark::Counter(static_cast<double>(written), benchmark::Counter::kAvgIterations);
}
void BM_ColoursOf1MB(benchmark::State& state) {
  asking(state, "textDocument/semanticTokens/full", Json::object());
}
void BM_ColoursOfDense1MB(benchmark::State& state) {
  asking(state, "textDocument/semanticTokens/full", Json::object(), true);
}
void BM_ColoursInViewAtTheEndOf1MB(benchmark::State& state) {
  asking(state, "textDocument/semanticTokens/range", {{"range", nullptr}});
}
void BM_KanaAtTheEndOf1MB(benchmark::State& state) {
  asking(state, "textDocument/inlayHint", {{"range", nullptr}});
}
void BM_KeysAtTheEndOf1MB(benchmark::State& state) {
  asking(state, "textDocument/completion", {{"position", nullptr}});
}
BENCHMARK(BM_ColoursOf1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColoursOfDense1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColoursInViewAtTheEndOf1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KanaAtTheEndOf1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeysAtTheEndOf1MB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
