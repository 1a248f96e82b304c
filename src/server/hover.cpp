// What stands at a place of a song, told over it.
#include <cctype>
#include <cstring>
#include <vector>

#include "core/words.h"
#include "server/server.h"
#include "server/shared.h"

using Json = nlohmann::json;
using namespace server;  // NOLINT(google-build-using-namespace)

// Over a syllable: its kana, the voice sets it is sung with, and exactly
// what sylvo writes for it. Over a directive line: what it sets from there
// on. Over an 'l': the default length it sets, or that it is not read.
// Over a lyrics comment: its words with their readings and keys.
Json Server::hover(const Json& params) {
  Document* d = document(params);
  if (!d) return nullptr;
  const Json& p = params.at("position");
  size_t offset = d->offset(position_of(p), units_);
  const std::string& b = d->bytes;
  unsigned long long line;
  size_t column;
  SylvoLines lines{b};
  lines.place(offset, &line, &column);
  size_t line_start = offset - column;
  LyricsComment lyrics;
  if (lyrics_comment(*d, line_start, &lyrics)) return lyrics_hover(*d, lyrics);
  sylvo_syllable_info info;
  std::string text;
  size_t from, to;  // what the hover is about, as each kind of place below sets it
  if (sylvo_syllable_at(b.data(), b.size(), line, column, &info) == 0) {
    text = "**" + std::string(info.key) + "**" +
           (info.kana[0] ? std::string(" ") + info.kana : std::string()) + "\n\n" +
           say("voice sets {1}", {voices_text(info.voices)}) + "\n\n" +
           say("sylvo writes `{1}` ({2} frames)",
               {text_of(*d, info.expansion, info.expansion_size), std::to_string(info.frames)});
    from = line_start + info.start, to = from + info.length;
  } else if (b.compare(line_start, 1, "#") == 0) {
    std::string words = b.substr(line_start + 1, 20);
    bool directive = false;
    for (int k = 0; const char* keyword = sylvo_directive_keyword(k); ++k) {
      directive = directive || words.compare(0, std::strlen(keyword), keyword) == 0;
    }
    if (!directive) return nullptr;
    std::string through = b.substr(
        0, b.find('\n', line_start) == std::string::npos ? b.size() : b.find('\n', line_start) + 1);
    if (through.empty() || through.back() != '\n') through += '\n';
    unsigned char voices[5];
    if (sylvo_voices_at(through.data(), through.size(), line + 1, voices) != 0) return nullptr;
    text = say("From here on: voice sets {1}", {voices_text(voices)});
    from = line_start, to = b.find_first_of("\r\n", line_start);
    if (to == std::string::npos) to = b.size();
  } else {
    // An 'l' at the place or just before it, with its length.
    size_t l = offset;
    while (l > line_start && l < b.size() && b[l] != 'l' &&
           (std::isdigit(static_cast<unsigned char>(b[l])) || b[l] == '.')) {
      --l;
    }
    if (l >= b.size() || b[l] != 'l') return nullptr;
    std::vector<sylvo_span> spans(512);
    size_t n = sylvo_spans(b.data(), b.size(), line, line, spans.data(), spans.size());
    size_t at = l - line_start;
    const sylvo_span* span = nullptr;
    bool in_comment = false;
    for (size_t i = 0; i < n && i < spans.size(); ++i) {
      const sylvo_span& s = spans[i];
      if (s.kind == SYLVO_SPAN_LENGTH_COMMAND && s.start == at) span = &s;
      if (s.kind == SYLVO_SPAN_COMMENT && s.start <= at && at < s.start + s.length)
        in_comment = true;
    }
    if (!span) {
      text =
          say("This `l` is not read as a length command: it stands in a comment, a `#` line or a "
              "syllable, or right after a character of more than one byte (a kana, a kanji)");
      to = l + 1;
    } else {
      std::string length = b.substr(l + 1, span->length - 1);
      bool in_word = l > line_start && std::isalpha(static_cast<unsigned char>(b[l - 1]));
      text = length.empty() ? say("Sets the default length to nothing: a syllable without a "
                                  "length of its own takes none")
                            : say("Sets the default length to {1}: a syllable without a length "
                                  "of its own takes it",
                                  {length});
      if (in_comment) text += "\n\n" + say("It stands inside a block comment, where `l` acts too.");
      if (in_word) text += "\n\n" + say("It stands in a word, where `l` acts too.");
      to = l + span->length;
    }
    from = l;
  }
  return {{"contents", {{"kind", "markdown"}, {"value", text}}}, {"range", range(*d, from, to)}};
}
