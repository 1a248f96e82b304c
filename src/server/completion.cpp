// Keys and directives completed.
#include <cstring>

#include "core/words.h"
#include "server/server.h"
#include "server/shared.h"

using Json = nlohmann::json;
using namespace server;  // NOLINT(google-build-using-namespace)

// Inside a syllable's parentheses, the keys of the table with their kana
// and what they expand to at the voice sets in force (the overrides typed
// before them included); after a '#' that begins a line, the directives.
Json Server::completion(const Json& params) {
  Document* d = document(params);
  Json items = Json::array();
  if (!d) return {{"isIncomplete", false}, {"items", items}};
  size_t offset = d->offset(position_of(params.at("position")), units_);
  const std::string& b = d->bytes;
  unsigned long long line;
  size_t column;
  SylvoLines{b}.place(offset, &line, &column);
  sylvo_completion at;
  if (sylvo_completion_at(b.data(), b.size(), line, column, &at) != 0 ||
      at.kind == SYLVO_COMPLETE_NOTHING) {
    return {{"isIncomplete", false}, {"items", items}};
  }
  Json where = range(*d, offset - column + at.start, offset);
  if (at.kind == SYLVO_COMPLETE_DIRECTIVE) {
    for (int k = 0; const char* keyword = sylvo_directive_keyword(k); ++k) {
      items.push_back({{"label", keyword},
                       {"kind", 14},
                       {"detail", say(sylvo_directive_usage(k))},
                       {"textEdit", {{"range", where}, {"newText", keyword}}}});
    }
    return {{"isIncomplete", false}, {"items", items}};
  }
  const unsigned char* voices = at.voices;
  for (int k = 0; const char* key = sylvo_syllable_key(k); ++k) {
    char expansion[SYLVO_EXPANSION_MAX + 1];
    sylvo_expand(key, voices, expansion, sizeof expansion);
    std::string kana = sylvo_syllable_kana(key);
    items.push_back(
        {{"label", key},
         {"kind", 12},
         {"detail", kana.empty() ? std::string(expansion) : kana + "  " + expansion},
         {"documentation",
          {{"kind", "markdown"},
           {"value",
            say("({1})c becomes `{2}` at voice sets {3}", {key, expansion, voices_text(voices)})}}},
         {"filterText", key},
         {"sortText", std::string(4 - std::strlen(key), ' ') + std::to_string(1000 + k)},
         {"textEdit", {{"range", where}, {"newText", key}}}});
  }
  return {{"isIncomplete", false}, {"items", items}};
}
