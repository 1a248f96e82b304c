// Lyrics comments: a ';' line of lyrics right above a line of notes, read
// as they are sung, shown over the comment, after its words of kanji, and as
// hints of what will not fit.
#include <algorithm>
#include <cctype>
#include <memory>
#include <vector>

#include "core/words.h"
#include "server/server.h"
#include "server/shared.h"

using Json = nlohmann::json;
using namespace server;  // NOLINT(google-build-using-namespace)

namespace {

// Readings kept before the cache starts again: a song's lyrics comments.
constexpr size_t kReadingsKept = 4096;

int count_notes(void*, const unsigned char*, size_t) { return 1; }

}  // namespace

const Dictionary& Server::dictionary() const {
  if (!dictionary_) dictionary_ = std::make_unique<Dictionary>();
  return *dictionary_;
}

const reading::Reading& Server::read_lyrics(const std::string& text) const {
  auto found = readings_.find(text);
  if (found != readings_.end()) return found->second;
  if (readings_.size() >= kReadingsKept) readings_.clear();
  return readings_[text] = dictionary().read(text.data(), text.size(), false);
}

bool Server::lyrics_comment(const Document& d, size_t start, LyricsComment* out) const {
  const std::string& b = d.bytes;
  if (start >= b.size() || b[start] != ';') return false;
  size_t end = b.find('\n', start);
  if (end == std::string::npos) return false;  // no line below
  size_t from = start + 1, to = end;
  while (to > from && (b[to - 1] == '\r' || b[to - 1] == ' ')) --to;
  while (from < to && b[from] == ' ') ++from;
  if (from == to) return false;
  // The notes of the line below: what a fit of no lyrics leaves bare.
  size_t below = end + 1, below_end = b.find('\n', below);
  if (below_end == std::string::npos) below_end = b.size();
  sylvo_fit_result fit;
  sylvo_fit_lyrics(b.data() + below, below_end - below, "", 0, count_notes, nullptr, &fit);
  if (fit.notes_left == 0) return false;
  out->from = from;
  out->to = to;
  out->text = text_of(d, b.data() + from, to - from);
  out->notes = fit.notes_left;
  out->reading = &read_lyrics(out->text);
  return true;
}

size_t Server::LyricsComment::at(const Document& d, size_t utf8_at) const {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(d.bytes.data());
  size_t at = from, utf8 = 0;
  while (at < to && utf8 < utf8_at) {
    size_t n;
    decode_char(p + at, p + to, d.encoding, &n);
    utf8 += decode_text(p + at, n, d.encoding).size();
    at += n;
  }
  return at;
}

std::string Server::LyricsComment::keys(size_t first, size_t count) const {
  std::string out;
  for (size_t k = first; k < first + count && k < reading->keys.size(); ++k) {
    out += (out.empty() ? "" : " ") + std::string(reading->keys[k].key);
  }
  return out;
}

// Information where a word has no reading; a hint where the morae and the
// notes below differ in number. Only for lyrics written in Japanese: a
// comment with ASCII letters or digits in it ("; verse 2", "; Aメロ") is
// more likely a remark than lyrics. Places are found in one pass.
void Server::lyrics_diagnostics(const Document& d, Json& diagnostics) const {
  const std::string& b = d.bytes;
  size_t last = 0;
  Position last_position{0, 0};
  auto place = [&](size_t at) {
    Position p = d.position(at, units_, last, last_position, &last);
    last_position = p;
    return Json{{"line", p.line}, {"character", p.character}};
  };
  for (size_t start = 0; start < b.size();) {
    size_t end = b.find('\n', start);
    if (end == std::string::npos) break;
    bool japanese = false, remark = false;
    for (size_t i = start + 1; b[start] == ';' && i < end && !remark; ++i) {
      unsigned char c = static_cast<unsigned char>(b[i]);
      japanese = japanese || c >= 0x80;
      remark = c < 0x80 && std::isalnum(c);
    }
    LyricsComment c;
    if (japanese && !remark && lyrics_comment(d, start, &c)) {
      for (const reading::Problem& p : c.reading->problems) {
        Json from = place(c.at(d, p.at));
        diagnostics.push_back({{"range", {{"start", from}, {"end", place(c.at(d, p.at + p.size))}}},
                               {"severity", 3},
                               {"code", "lyrics"},
                               {"source", "sylvo"},
                               {"message", c.reading->message(p, language_.c_str())}});
      }
      if (c.reading->problems.empty() && c.reading->keys.size() != c.notes) {
        Json from = place(c.from);
        diagnostics.push_back(
            {{"range", {{"start", from}, {"end", place(c.to)}}},
             {"severity", 4},
             {"code", "lyrics"},
             {"source", "sylvo"},
             {"message", say("{1} morae for {2} notes on the line below",
                             {std::to_string(c.reading->keys.size()), std::to_string(c.notes)})}});
      }
    }
    start = end + 1;
  }
}

// The words with their readings and keys, and the morae against the notes.
Json Server::lyrics_hover(const Document& d, const LyricsComment& c) const {
  std::string text = "**" + say("Lyrics") + "**: " +
                     say("{1} morae for {2} notes on the line below",
                         {std::to_string(c.reading->keys.size()), std::to_string(c.notes)}) +
                     "\n\n| | " + say("reading") + " | " + say("keys") + " |\n|---|---|---|\n";
  for (const reading::Word& w : c.reading->words) {
    text += "| " + c.text.substr(w.at, w.size) + " | " + w.reading + " | " +
            c.keys(w.first_key, w.key_count) + " |\n";
  }
  for (const reading::Problem& p : c.reading->problems) {
    text += "\n" + c.reading->message(p, language_.c_str());
  }
  return {{"contents", {{"kind", "markdown"}, {"value", text}}}, {"range", range(d, c.from, c.to)}};
}

// After each word a dictionary read, its reading.
void Server::lyrics_hints(const Document& d, const LyricsComment& c, Json& hints, size_t* at,
                          Position* position) const {
  for (const reading::Word& w : c.reading->words) {
    if (w.from != reading::From::kDictionary || w.reading.empty()) continue;
    size_t end = c.at(d, w.at + w.size);
    Position p = d.position(end, units_, *at, *position, at);
    *position = p;
    hints.push_back({{"position", {{"line", p.line}, {"character", p.character}}},
                     {"label", w.reading},
                     {"paddingLeft", true}});
  }
}

// A quick fix for each word with no reading: an empty 《》 after it, for
// its reading.
void Server::lyrics_fixes(const std::string& uri, const Document& d, const LyricsComment& c,
                          Json& actions) const {
  for (const reading::Word& w : c.reading->words) {
    if (!w.reading.empty() || w.key_count) continue;
    size_t end = c.at(d, w.at + w.size);
    if (c.text.compare(w.at + w.size, 3, "《") == 0) continue;  // a ruby waiting for its reading
    Json edit = {{"range", range(d, end, end)}, {"newText", "《》"}};
    actions.push_back(
        {{"title", say("Give {1} its reading: {1}《》", {c.text.substr(w.at, w.size)})},
         {"kind", "quickfix"},
         {"edit", {{"changes", {{uri, Json::array({edit})}}}}}});
  }
}
