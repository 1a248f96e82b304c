// The song coloured as the conversion reads it: semantic tokens.
#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

#include "core/words.h"
#include "server/server.h"
#include "server/shared.h"

using Json = nlohmann::json;
using namespace server;  // NOLINT(google-build-using-namespace)

namespace server {
// The semantic tokens' types, and the type of each kind of span (-1: the
// syllable, whose parts are tokens of their own).
const Json kTokenTypes = {"macro",    "keyword",   "string",   "comment",
                          "function", "parameter", "variable", "number"};
constexpr int kTokenOfSpan[] = {
    0,   // SYLVO_SPAN_HEADER: macro
    1,   // SYLVO_SPAN_DIRECTIVE: keyword
    2,   // SYLVO_SPAN_HASH_LINE: string, copied as it is
    3,   // SYLVO_SPAN_COMMENT
    -1,  // SYLVO_SPAN_SYLLABLE
    4,   // SYLVO_SPAN_KEY: function
    5,   // SYLVO_SPAN_OVERRIDE: parameter
    6,   // SYLVO_SPAN_NOTE: variable
    7,   // SYLVO_SPAN_LENGTH: number
    1,   // SYLVO_SPAN_LENGTH_COMMAND: keyword
};
}  // namespace server

// The reader's spans as semantic tokens: what the conversion does, coloured
// (a syllable inside a block comment is a syllable, the comment around it);
// of the whole song, or of the lines of the range asked for.
std::string Server::semantic_tokens(const Json& params) {
  Document* d = document(params);
  if (!d) return "{\"data\":[]}";
  const std::string& b = d->bytes;
  SylvoLines lines{b};
  unsigned long long first = 1, last_line = 0;
  if (params.contains("range")) {
    size_t column;
    lines.place(d->offset(position_of(params["range"].at("start")), units_), &first, &column);
    lines.place(d->offset(position_of(params["range"].at("end")), units_), &last_line, &column);
  }
  // A song's worth of spans and tokens, in memory kept from one request to
  // the next: a megabyte's are tens of megabytes, which the system would
  // hand over anew each time, a page at a time.
  static std::vector<sylvo_span> spans;
  spans.resize(sylvo_spans(b.data(), b.size(), first, last_line, nullptr, 0));
  spans.resize(sylvo_spans(b.data(), b.size(), first, last_line, spans.data(), spans.size()));
  // Each span's bytes in the whole document, by sylvo's lines.
  struct Token {
    size_t from, to;
    int type;
  };
  static std::vector<Token> tokens, comments, syllables;
  tokens.clear(), comments.clear(), syllables.clear();
  size_t at = lines.start(first);
  unsigned long long line = first;
  std::stable_sort(spans.begin(), spans.end(), [](const sylvo_span& x, const sylvo_span& y) {
    return x.line < y.line || (x.line == y.line && x.start < y.start);
  });
  for (const sylvo_span& s : spans) {
    for (; line < s.line; ++line) at = b.find('\n', at) + 1;
    size_t to = at + s.start + s.length;
    if (to > at + s.start && b[to - 1] == '\r')
      --to;  // a CR LF's CR ends the line, as the client sees it
    Token t{at + s.start, to, kTokenOfSpan[s.kind]};
    (s.kind == SYLVO_SPAN_COMMENT    ? comments
     : s.kind == SYLVO_SPAN_SYLLABLE ? syllables
                                     : tokens)
        .push_back(t);
  }
  // A comment's bytes but those of the syllables inside it.
  std::sort(syllables.begin(), syllables.end(),
            [](const Token& x, const Token& y) { return x.from < y.from; });
  size_t next = 0;
  for (const Token& c : comments) {
    while (next < syllables.size() && syllables[next].to <= c.from) ++next;
    size_t from = c.from;
    for (size_t i = next; i < syllables.size() && syllables[i].from < c.to; ++i) {
      if (syllables[i].from > from) tokens.push_back({from, syllables[i].from, c.type});
      from = std::max(from, syllables[i].to);
    }
    if (from < c.to) tokens.push_back({from, c.to, c.type});
  }
  std::sort(tokens.begin(), tokens.end(),
            [](const Token& x, const Token& y) { return x.from < y.from; });
  // A song's worth of numbers, written as JSON text at once: as a JSON
  // tree they took six times as long.
  std::string data = "{\"data\":[";
  data.reserve(tokens.size() * 16 + 16);
  auto put = [&data](unsigned n) {
    char digits[16];
    auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    data.append(digits, end);
    data += ',';
  };
  Position last{0, 0}, previous{0, 0};
  size_t last_at = 0;
  for (const Token& t : tokens) {
    size_t a_at, b_at;
    Position a = d->position(t.from, units_, last_at, last, &a_at);
    Position e = d->position(t.to, units_, a_at, a, &b_at);
    last = a, last_at = a_at;
    if (e.line != a.line || e.character <= a.character) continue;  // over a lone CR: left out
    put(static_cast<unsigned>(a.line - previous.line));
    put(static_cast<unsigned>(a.line == previous.line ? a.character - previous.character
                                                      : a.character));
    put(static_cast<unsigned>(e.character - a.character));
    put(static_cast<unsigned>(t.type));
    put(0u);
    previous = a;
  }
  if (data.back() == ',') data.pop_back();
  data += "]}";
  return data;
}
