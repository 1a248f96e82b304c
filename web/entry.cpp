// The conversion for the page, through the library's entry: bytes in, and
// what sylvo gives for a file of that name holding them out.
#include <emscripten/emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "programs/json.h"
#include "reading/reading.h"
#include "sylvo.h"

namespace {

/// What sylvo_page_convert() hands back; the page reads it from the
/// module's memory, four bytes a field.
struct Result {
  int status;  // 0, or 1 after a failure
  const char* message;
  size_t message_size;
  const unsigned char* output;  // what the output file would hold (nothing after a failure)
  size_t output_size;
  const char* output_name;  // the name sylvo would give the output file
  unsigned line;            // the failing byte's line, from 1; 0 if the failure is at no byte
  int column;               // that byte's place in its line, from 0; -1 if not known
  int kind;                 // a sylvo_kind: SYLVO_COMPLETED, or the check that failed
};

sylvo_result g_report;
char g_output_name[SYLVO_NAME_MAX + 1];
unsigned char* g_output;
std::string g_keys;
Result g_result;
std::string g_json;
std::string g_language;  // the page's, as a locale names it: "ja", "en"
std::string g_words;

// `format` (English) in the page's language, with `args` in place.
std::string say(const char* format, std::initializer_list<const char*> args = {}) {
  const char* list[SYLVO_ARGUMENTS_MAX] = {};
  size_t n = 0;
  for (const char* a : args)
    if (n < SYLVO_ARGUMENTS_MAX) list[n++] = a;
  char out[4096];
  size_t size = sylvo_fill(sylvo_translate(format, g_language.c_str()), list, n, out, sizeof out);
  return std::string(out, size);
}

// Adds `problems` to g_json as a JSON array.
void add_problems(const sylvo_lyric_problem* problems, size_t count) {
  g_json += "[";
  for (size_t i = 0; i < count; ++i) {
    g_json += (i ? ",{\"at\":" : "{\"at\":") + std::to_string(problems[i].at) +
              ",\"size\":" + std::to_string(problems[i].size) + ",\"why\":\"" + problems[i].why +
              "\"}";
  }
  g_json += "]";
}

}  // namespace

extern "C" {

/// Converts `size` bytes at `data` as `sylvo NAME` converts a file `name`
/// holding them; the result holds until the next call.
EMSCRIPTEN_KEEPALIVE const Result* sylvo_page_convert(const unsigned char* data, size_t size,
                                                      const char* name) {
  sylvo_free(g_output);
  g_output = nullptr;
  size_t output_size = 0;
  g_output_name[0] = '\0';
  const char* base = sylvo_base_name(name);  // the messages name files without their directories
  if (sylvo_output_name(base, g_output_name, &g_report) == 0) {
    sylvo_convert_memory(data, size, base, g_output_name, &g_output, &output_size, &g_report);
  }
  g_result = {g_report.status,
              g_report.message,
              g_report.message_size,
              g_output,
              output_size,
              g_output_name,
              static_cast<unsigned>(g_report.line),
              static_cast<int>(g_report.column),
              g_report.kind};
  return &g_result;
}

/// Every syllable key, in the table's order, separated by spaces.
EMSCRIPTEN_KEEPALIVE const char* sylvo_page_keys() {
  if (g_keys.empty()) {
    for (int i = 0; const char* key = sylvo_syllable_key(i); ++i) g_keys.append(key).append(" ");
  }
  return g_keys.c_str();
}

/// The keys of `size` bytes of UTF-8 lyrics, as JSON: {"keys": [{"key", "at",
/// "size"}...], "problems": [{"at", "size", "why"}...]}, places in bytes; it
/// holds until the next call.
EMSCRIPTEN_KEEPALIVE const char* sylvo_page_lyric_keys(const char* lyrics, size_t size) {
  size_t problem_count = 0;
  size_t count = sylvo_lyric_keys(lyrics, size, nullptr, 0, nullptr, 0, &problem_count);
  std::vector<sylvo_lyric> keys(count);
  std::vector<sylvo_lyric_problem> problems(problem_count);
  sylvo_lyric_keys(lyrics, size, keys.data(), count, problems.data(), problem_count, nullptr);
  g_json = "{\"keys\":[";
  for (const sylvo_lyric& k : keys) {
    g_json += (&k == keys.data() ? "{\"key\":\"" : ",{\"key\":\"") + std::string(k.key) +
              "\",\"at\":" + std::to_string(k.at) + ",\"size\":" + std::to_string(k.size) + "}";
  }
  g_json += "],\"problems\":";
  add_problems(problems.data(), problems.size());
  g_json += "}";
  return g_json.c_str();
}

/// Fits `lyrics` (UTF-8) to the notes of `mml`, as JSON: {"changes": [{"from",
/// "to", "insert"}...] in the MML's bytes, "notes", "notesLeft",
/// "syllablesLeft", "problems"}; it holds until the next call.
EMSCRIPTEN_KEEPALIVE const char* sylvo_page_fit_lyrics(const unsigned char* mml, size_t mml_size,
                                                       const char* lyrics, size_t lyrics_size) {
  // Bytes handed over from the MML itself are kept; the rest is put in.
  struct Edits {
    const unsigned char* mml;
    size_t size, done;  // the MML before `done` is accounted for
    std::string put, json;
    void add(size_t upto) {
      if (upto == done && put.empty()) return;
      json += (json.empty() ? "" : ",") + std::string("{\"from\":") + std::to_string(done) +
              ",\"to\":" + std::to_string(upto) + ",\"insert\":\"" + put + "\"}";
      put.clear();
    }
  } edits{mml, mml_size, 0, {}, {}};
  auto write = [](void* context, const unsigned char* bytes, size_t size) {
    Edits& e = *static_cast<Edits*>(context);
    if (bytes >= e.mml && bytes < e.mml + e.size) {
      e.add(static_cast<size_t>(bytes - e.mml));
      e.done = static_cast<size_t>(bytes - e.mml) + size;
    } else {
      e.put.append(reinterpret_cast<const char*>(bytes), size);  // "(", ")" and capitals
    }
    return 1;
  };
  sylvo_fit_result r;
  sylvo_fit_lyrics(mml, mml_size, lyrics, lyrics_size, write, &edits, &r);
  edits.add(mml_size);
  g_json = "{\"changes\":[" + edits.json + "],\"notes\":" + std::to_string(r.notes) +
           ",\"notesLeft\":" + std::to_string(r.notes_left) +
           ",\"syllablesLeft\":" + std::to_string(r.syllables_left) + ",\"problems\":";
  add_problems(r.problems,
               r.problem_count < SYLVO_PROBLEMS_MAX ? r.problem_count : SYLVO_PROBLEMS_MAX);
  g_json += "}";
  return g_json.c_str();
}

/// Every problem of `size` bytes at `data` in a file `name`, as JSON:
/// {"problems": [{"severity", "kind", "name", "line", "column", "start",
/// "length", "message", "text", "echo", "explanation", "format",
/// "arguments", "suggestions"}...],
/// "errors", "warnings", "more"}, lines from 1 and places in bytes from 0
/// as the library gives them. Each byte of a text from the song above 0x7F
/// is one \u0080-\u00ff character, for the page to decode in the file's
/// encoding. It holds until the next call.
EMSCRIPTEN_KEEPALIVE const char* sylvo_page_check(const unsigned char* data, size_t size,
                                                  const char* name) {
  static sylvo_problem problems[100];
  sylvo_check_result r;
  sylvo_check_memory(data, size, sylvo_base_name(name), problems, 100, &r);
  g_json = "{\"problems\":[";
  for (size_t i = 0; i < r.count; ++i) {
    const sylvo_problem& p = problems[i];
    size_t text_size;
    const char* text = sylvo_message_text(p.message, p.message_size, &text_size);
    g_json += (i ? ",{\"severity\":" : "{\"severity\":") + std::to_string(p.severity) +
              ",\"kind\":" + std::to_string(p.kind) + ",\"name\":\"" + p.name +
              "\",\"line\":" + std::to_string(p.line) + ",\"column\":" + std::to_string(p.column) +
              ",\"start\":" + std::to_string(p.start) + ",\"length\":" + std::to_string(p.length) +
              ",\"message\":";
    append_json(g_json, text, text_size, JsonBytes::kEach);
    g_json += ",\"text\":";
    append_json(g_json, p.message + p.text_at, p.text_size, JsonBytes::kEach);
    g_json += ",\"echo\":";
    append_json(g_json, p.message + p.echo_at, p.echo_size, JsonBytes::kEach);
    g_json += ",\"explanation\":";
    append_json(g_json, p.explanation, std::strlen(p.explanation), JsonBytes::kEach);
    g_json += ",\"format\":";
    append_json(g_json, p.format, std::strlen(p.format));
    g_json += ",\"arguments\":[";
    for (size_t k = 0; k < p.argument_count; ++k) {
      if (k) g_json += ',';
      append_json(g_json, p.arguments[k], std::strlen(p.arguments[k]), JsonBytes::kEach);
    }
    g_json += "],\"suggestions\":[";
    for (size_t k = 0; k < p.suggestion_count && k < SYLVO_SUGGESTIONS_MAX; ++k) {
      if (k) g_json += ',';
      append_json(g_json, p.suggestions[k], std::strlen(p.suggestions[k]));
    }
    g_json += "]}";
  }
  g_json += "],\"errors\":" + std::to_string(r.errors) +
            ",\"warnings\":" + std::to_string(r.warnings) +
            ",\"more\":" + std::to_string(r.errors + r.warnings + r.notes - r.count) + "}";
  return g_json.c_str();
}

/// The spans of lines `first` to `last` of `size` bytes at `data`, as the
/// library reads them (sylvo_spans): a count, then line, first byte, bytes
/// and kind of each, four bytes a number; at most kSpansMax. It holds until
/// the next call.
EMSCRIPTEN_KEEPALIVE const int* sylvo_page_spans(const unsigned char* data, size_t size,
                                                 unsigned first, unsigned last) {
  constexpr size_t kSpansMax = 1 << 16;
  static sylvo_span spans[kSpansMax];
  static int flat[1 + 4 * kSpansMax];
  size_t n = sylvo_spans(data, size, first, last, spans, kSpansMax);
  if (n > kSpansMax) n = kSpansMax;
  flat[0] = static_cast<int>(n);
  for (size_t i = 0; i < n; ++i) {
    int* at = flat + 1 + 4 * i;
    at[0] = static_cast<int>(spans[i].line);
    at[1] = static_cast<int>(spans[i].start);
    at[2] = static_cast<int>(spans[i].length);
    at[3] = spans[i].kind;
  }
  return flat;
}

/// What may be completed just before byte `column` (from 0) of line `line`
/// (from 1) of `size` bytes at `data`, as JSON: {"kind": 0 for nothing, 1
/// for a key, 2 for a directive, "start": the byte where what is typed of it
/// starts, "items": [{"label", "detail", "info"}...]}: each key with its
/// kana and what it becomes at the voice sets there, or each directive. It
/// holds until the next call.
EMSCRIPTEN_KEEPALIVE const char* sylvo_page_complete(const unsigned char* data, size_t size,
                                                     unsigned line, size_t column) {
  sylvo_completion at;
  if (sylvo_completion_at(data, size, line, column, &at) != 0) at.kind = SYLVO_COMPLETE_NOTHING;
  g_json = "{\"kind\":" + std::to_string(at.kind) + ",\"start\":" + std::to_string(at.start) +
           ",\"items\":[";
  if (at.kind == SYLVO_COMPLETE_DIRECTIVE) {
    for (int k = 0; const char* keyword = sylvo_directive_keyword(k); ++k) {
      g_json += std::string(k ? "," : "") + "{\"label\":\"" + keyword + "\",\"detail\":";
      std::string usage = say(sylvo_directive_usage(k));
      append_json(g_json, usage.data(), usage.size());
      g_json += "}";
    }
  } else if (at.kind == SYLVO_COMPLETE_KEY) {
    std::string sets;
    for (int v = 0; v < 5; ++v)
      sets += std::string(v ? " " : "") + "AIUEO"[v] + std::to_string(at.voices[v]);
    for (int k = 0; const char* key = sylvo_syllable_key(k); ++k) {
      char expansion[SYLVO_EXPANSION_MAX + 1];
      sylvo_expand(key, at.voices, expansion, sizeof expansion);
      g_json += std::string(k ? "," : "") + "{\"label\":\"" + key + "\",\"detail\":\"" +
                sylvo_syllable_kana(key) + "\",\"info\":";
      std::string info =
          say("({1})c becomes {2} at voice sets {3}", {key, expansion, sets.c_str()});
      append_json(g_json, info.data(), info.size());
      g_json += "}";
    }
  }
  g_json += "]}";
  return g_json.c_str();
}

/// The syllable that holds byte `column` (from 0) of line `line` (from 1)
/// of `size` bytes at `data`, as JSON: {"key", "kana", "start", "length",
/// "voices", "frames", "expansion"}, or null where there is none. It holds
/// until the next call.
EMSCRIPTEN_KEEPALIVE const char* sylvo_page_syllable(const unsigned char* data, size_t size,
                                                     unsigned line, size_t column) {
  sylvo_syllable_info info;
  if (sylvo_syllable_at(data, size, line, column, &info) != 0) return "null";
  g_json = std::string("{\"key\":\"") + info.key + "\",\"kana\":\"" + info.kana +
           "\",\"start\":" + std::to_string(info.start) +
           ",\"length\":" + std::to_string(info.length) +
           ",\"frames\":" + std::to_string(info.frames) + ",\"voices\":[";
  for (int v = 0; v < 5; ++v) g_json += (v ? "," : "") + std::to_string(info.voices[v]);
  g_json += "],\"expansion\":";
  append_json(g_json, info.expansion, info.expansion_size, JsonBytes::kEach);
  g_json += "}";
  return g_json.c_str();
}

/// The kana of syllable key `key` in UTF-8, or "" (sylvo_syllable_kana).
EMSCRIPTEN_KEEPALIVE const char* sylvo_page_kana(const char* key) {
  return sylvo_syllable_kana(key);
}

/// Sets the language the page's words are said in, as a locale names it
/// ("ja", "ja-JP", "en").
EMSCRIPTEN_KEEPALIVE void sylvo_page_set_language(const char* language) { g_language = language; }

/// `english` in the page's language, with the arguments `args` (each ended
/// by a byte 0x1F) in place of {1} to {4}; each argument that is English
/// words of the library's is translated too. It holds until the next call.
EMSCRIPTEN_KEEPALIVE const char* sylvo_page_words(const char* english, const char* args) {
  std::vector<std::string> list;
  for (const char* a = args; *a;) {
    const char* end = std::strchr(a, '\x1f');
    if (!end) end = a + std::strlen(a);
    list.emplace_back(a, end);
    a = *end ? end + 1 : end;
  }
  const char* each[SYLVO_ARGUMENTS_MAX] = {};
  for (size_t i = 0; i < list.size() && i < SYLVO_ARGUMENTS_MAX; ++i)
    each[i] = sylvo_translate(list[i].c_str(), g_language.c_str());
  char out[SYLVO_MESSAGE_MAX + 1];
  size_t size = sylvo_fill(sylvo_translate(english, g_language.c_str()), each,
                           list.size() < SYLVO_ARGUMENTS_MAX ? list.size() : SYLVO_ARGUMENTS_MAX,
                           out, sizeof out);
  g_words.assign(out, size);
  return g_words.c_str();
}

/// The runs of `size` bytes of UTF-8 lyrics a dictionary reads (all but
/// ruby, romaji and bytes that are no UTF-8), as JSON: [[at, size], ...],
/// in bytes; it holds until the next call.
EMSCRIPTEN_KEEPALIVE const char* sylvo_page_lyric_runs(const char* lyrics, size_t size) {
  struct Runs {
    const char* lyrics;
    std::string json;
  } runs{lyrics, "["};
  auto record = [](void* context, const char* text, size_t n, std::vector<reading::Token>&) {
    Runs& r = *static_cast<Runs*>(context);
    r.json += (r.json.size() > 1 ? ",[" : "[") + std::to_string(text - r.lyrics) + "," +
              std::to_string(n) + "]";
  };
  reading::read(lyrics, size, false, record, &runs);
  g_json = runs.json + "]";
  return g_json.c_str();
}

/// `size` bytes of UTF-8 lyrics read as sung (or `as_written`), as JSON, as
/// `sylvo-lyrics --json` gives them, with the words a dictionary found in
/// each run: `tokens`, a line each, "RUN,AT,SIZE,READING,PRONUNCIATION" (RUN
/// the run's first byte in the lyrics, AT a word's in the run, in bytes;
/// the readings in katakana, or empty); with `dictionary` 0, none is at
/// hand. Each problem has its "words" in the page's language too. It holds
/// until the next call.
EMSCRIPTEN_KEEPALIVE const char* sylvo_page_read_lyrics(const char* lyrics, size_t size,
                                                        int as_written, const char* tokens,
                                                        int dictionary) {
  struct Found {
    const char* lyrics;
    std::vector<std::pair<size_t, reading::Token>> tokens;
  } found{lyrics, {}};
  for (const char* line = tokens; *line;) {
    const char* end = std::strchr(line, '\n');
    if (!end) end = line + std::strlen(line);
    std::string fields[5];
    size_t n = 0;
    for (const char* p = line; p < end && n < 5; ++p) {
      if (*p == ',') {
        ++n;
      } else {
        fields[n] += *p;
      }
    }
    if (n == 4) {
      found.tokens.push_back(
          {std::strtoul(fields[0].c_str(), nullptr, 10),
           {std::strtoul(fields[1].c_str(), nullptr, 10),
            std::strtoul(fields[2].c_str(), nullptr, 10), fields[3], fields[4]}});
    }
    line = *end ? end + 1 : end;
  }
  auto replay = [](void* context, const char* text, size_t, std::vector<reading::Token>& out) {
    const Found& f = *static_cast<const Found*>(context);
    for (const auto& t : f.tokens)
      if (t.first == static_cast<size_t>(text - f.lyrics)) out.push_back(t.second);
  };
  reading::Reading r =
      reading::read(lyrics, size, as_written != 0, dictionary ? replay : nullptr, &found);
  g_json = reading::json_of(std::string(lyrics, size), r, g_language.c_str());
  return g_json.c_str();
}

/// The library's version, "2.0 beta4".
EMSCRIPTEN_KEEPALIVE const char* sylvo_page_version() { return sylvo_version(); }

}  // extern "C"
