// Every problem of a song as a diagnostic.
#include <algorithm>
#include <memory>
#include <vector>

#include "core/words.h"
#include "server/server.h"
#include "server/shared.h"

using Json = nlohmann::json;
using namespace server;  // NOLINT(google-build-using-namespace)

// Every problem of the document as a diagnostic, as sylvo-check finds it:
// the code its name, the message its text and explanation, the echo of
// the line and the suggestions as related information, and the
// suggestions as data for the quick fixes.
void Server::publish(const std::string& uri) {
  const Document& d = documents_.at(uri);
  static std::unique_ptr<sylvo_problem[]> problems(new sylvo_problem[kProblemsMax]);
  sylvo_check_result r;
  sylvo_check_memory(d.bytes.data(), d.bytes.size(), "", problems.get(), kProblemsMax, &r);
  if (r.count == 1 && problems[0].severity == SYLVO_ERROR && problems[0].kind == SYLVO_NOT_SYLVO) {
    // Other MML tools name their songs .mml too: one hint that this is no
    // sylvo song, not an error on every file of theirs.
    Json hint = {{"range", range(d, 0, 0)},
                 {"severity", 4},
                 {"code", problems[0].name},
                 {"source", "sylvo"},
                 {"message", say("Not a sylvo song: no line begins with #SYLVO, so sylvo "
                                 "converts nothing here")}};
    notify("textDocument/publishDiagnostics",
           {{"uri", uri}, {"version", d.version}, {"diagnostics", Json::array({hint})}});
    return;
  }
  // The bytes at fault, each found in one pass over sylvo's lines.
  struct Fault {
    size_t from, to, index, line_start;
  };
  std::vector<Fault> faults;
  size_t at = 0;
  unsigned long long line = 1;
  std::vector<size_t> order(r.count);
  for (size_t i = 0; i < r.count; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return problems[a].line < problems[b].line; });
  for (size_t i : order) {
    const sylvo_problem& p = problems[i];
    if (p.line == 0) {
      faults.push_back({0, 0, i, 0});
      continue;
    }
    for (; line < p.line; ++line) {
      size_t nl = d.bytes.find('\n', at);
      if (nl == std::string::npos) break;
      at = nl + 1;
    }
    size_t from = std::min(at + static_cast<size_t>(p.start >= 0 ? p.start : 0), d.bytes.size());
    faults.push_back({from, std::min(from + p.length, d.bytes.size()), i, at});
  }
  std::sort(faults.begin(), faults.end(),
            [](const Fault& a, const Fault& b) { return a.from < b.from; });
  Json diagnostics = Json::array();
  size_t last = 0;
  Position last_position{0, 0};
  std::vector<Json> by_index(r.count);
  for (const Fault& f : faults) {
    const sylvo_problem& p = problems[f.index];
    size_t a_at, b_at;
    Position a = d.position(f.from, units_, last, last_position, &a_at);
    Position b = d.position(f.to, units_, a_at, a, &b_at);
    if (b_at < f.to && f.to > f.from) b = d.position(char_end(d, b_at), units_, b_at, b);
    last = a_at, last_position = a;
    Json where = {{"start", {{"line", a.line}, {"character", a.character}}},
                  {"end", {{"line", b.line}, {"character", b.character}}}};
    std::string message = p.severity == SYLVO_ERROR
                              ? text_of(d, p.message + p.text_at, p.text_size)  // sylvo's words
                              : std::string();
    std::string words = words_of(d, p);
    message += message.empty() || words.empty() ? words : ": " + words;
    Json related = Json::array();
    Json location = {{"uri", uri}, {"range", where}};
    if (p.echo_size) {  // the line up to the end of the construct at fault
      std::string echo = p.construct_end == 0
                             ? text_of(d, p.message + p.echo_at, p.echo_size)
                             : text_of(d, d.bytes.data() + f.line_start,
                                       std::min(std::max(p.construct_end, p.echo_size),
                                                d.bytes.size() - f.line_start));
      related.push_back({{"location", location}, {"message", "> " + echo}});
    }
    Json suggestions = Json::array();
    std::string listed;
    for (size_t k = 0; k < p.suggestion_count && k < SYLVO_SUGGESTIONS_MAX; ++k) {
      suggestions.push_back(p.suggestions[k]);
      listed += (k ? ", " : "") + std::string(p.suggestions[k]);
    }
    if (!listed.empty() && p.severity == SYLVO_ERROR) {
      related.push_back({{"location", location}, {"message", say("instead: {1}", {listed})}});
    }
    Json diagnostic = {{"range", where},
                       {"severity", p.severity == SYLVO_ERROR     ? 1
                                    : p.severity == SYLVO_WARNING ? 2
                                                                  : 3},
                       {"code", p.name},
                       {"source", "sylvo"},
                       {"message", message},
                       {"data", {{"suggestions", suggestions}}}};
    if (!related.empty()) diagnostic["relatedInformation"] = related;
    by_index[f.index] = std::move(diagnostic);
  }
  for (Json& diagnostic : by_index) diagnostics.push_back(std::move(diagnostic));
  lyrics_diagnostics(d, diagnostics);
  size_t more = r.errors + r.warnings + r.notes - r.count;
  if (more != 0) {
    diagnostics.push_back({{"range", range(d, d.bytes.size(), d.bytes.size())},
                           {"severity", 3},
                           {"source", "sylvo"},
                           {"message", "and " + std::to_string(more) + " more problems"}});
  }
  Json params = {{"uri", uri}, {"version", d.version}};
  params["diagnostics"] = std::move(diagnostics);
  notify("textDocument/publishDiagnostics", std::move(params));
}
