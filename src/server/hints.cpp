// The kana of each key, after it.
#include <vector>

#include "core/words.h"
#include "server/server.h"
#include "server/shared.h"

using Json = nlohmann::json;
using namespace server;  // NOLINT(google-build-using-namespace)

// Each key's kana after it, on the range's lines: "(KA" reads "(KA か".
// Keys sylvo cannot convert, and those with no kana, have none. After a
// word of kanji in a lyrics comment, its reading.
Json Server::inlay_hints(const Json& params) {
  Document* d = document(params);
  Json hints = Json::array();
  if (!d || !inlay_hints_) return hints;
  const Json& r = params.at("range");
  SylvoLines lines{d->bytes};
  unsigned long long first, last;
  size_t column;
  lines.place(d->offset(position_of(r.at("start")), units_), &first, &column);
  lines.place(d->offset(position_of(r.at("end")), units_), &last, &column);
  const std::string& b = d->bytes;
  std::vector<sylvo_span> spans(sylvo_spans(b.data(), b.size(), first, last, nullptr, 0));
  spans.resize(sylvo_spans(b.data(), b.size(), first, last, spans.data(), spans.size()));
  // Places are found from the range's first line on, found once.
  const size_t start_at = lines.start(first);
  const Position start = d->position(start_at, units_);
  size_t at = start_at;
  unsigned long long line = first;
  Position from = start;
  size_t from_at = start_at;
  for (const sylvo_span& s : spans) {  // in a line's order but for a block comment's own span
    if (s.kind != SYLVO_SPAN_KEY || s.length > 3) continue;
    for (; line < s.line; ++line) at = b.find('\n', at) + 1;
    const std::string key = b.substr(at + s.start, s.length);
    const char* kana = sylvo_syllable_kana(key.c_str());
    if (!*kana) continue;
    size_t end = at + s.start + s.length;
    Position p = d->position(end, units_, end >= from_at ? from_at : start_at,
                             end >= from_at ? from : start, &from_at);
    from = p;
    hints.push_back({{"position", {{"line", p.line}, {"character", p.character}}},
                     {"label", kana},
                     {"paddingLeft", true}});
  }
  // After each word of kanji in a lyrics comment, its reading.
  at = start_at;
  Position position = start;
  size_t position_at = start_at;
  for (unsigned long long n = first; at < b.size() && n <= last; ++n) {
    LyricsComment c;
    if (lyrics_comment(*d, at, &c)) lyrics_hints(*d, c, hints, &position_at, &position);
    size_t nl = b.find('\n', at);
    if (nl == std::string::npos) break;
    at = nl + 1;
  }
  return hints;
}
