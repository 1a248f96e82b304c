#include "server/server.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/words.h"
#include "programs/platform.h"

namespace {

using Json = nlohmann::json;

// The protocol's error codes.
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kServerNotInitialized = -32002;

// Problems a document's diagnostics hold; the rest are counted in a last one.
constexpr size_t kProblemsMax = 1000;

// The path of a file: URI, or "" for another kind.
std::string path_of(const std::string& uri) {
  const std::string scheme = "file://";
  if (uri.compare(0, scheme.size(), scheme) != 0) return "";
  auto hex = [](char c) {
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                  : -1;
  };
  std::string path;
  for (size_t i = scheme.size(); i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size() && hex(uri[i + 1]) >= 0 && hex(uri[i + 2]) >= 0) {
      path += static_cast<char>(hex(uri[i + 1]) * 16 + hex(uri[i + 2]));
      i += 2;
    } else {
      path += uri[i];
    }
  }
#ifdef _WIN32
  if (path.size() > 2 && path[0] == '/' && path[2] == ':') path.erase(0, 1);  // /C:/ -> C:/
#endif
  return path;
}

// The bytes of the file at `path`, if it can be read.
bool read_file(const std::string& path, std::string* bytes) {
  std::FILE* f = path.empty() ? nullptr : open_utf8_name(path.c_str());
  if (!f) return false;
  bytes->clear();
  char buffer[1 << 16];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes->append(buffer, n);
  bool read = !std::ferror(f);
  std::fclose(f);
  return read;
}

// Text of the document's bytes as the client may take it: UTF-8.
std::string text_of(const Document& d, const char* bytes, size_t size) {
  return decode_text(reinterpret_cast<const unsigned char*>(bytes), size, d.encoding);
}

// A position as a client sends it; a field missing or of another type
// throws, and the request is answered InvalidParams.
Position position_of(const Json& p) {
  return {p.at("line").get<size_t>(), p.at("character").get<size_t>()};
}

// The end of the character that starts at `at`: a range that ends inside a
// character takes it whole.
size_t char_end(const Document& d, size_t at) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(d.bytes.data());
  size_t size;
  decode_char(p + at, p + d.bytes.size(), d.encoding, &size);
  return at + size;
}

const char* const kVowelNames[] = {"A", "I", "U", "E", "O"};

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

// Whether the line of `bytes` from `at` is a lyrics comment: ';' then the
// lyrics, which it sets (UTF-8) in `*lyrics`.
bool lyrics_comment(const std::string& bytes, size_t at, Encoding encoding, std::string* lyrics) {
  size_t end = bytes.find('\n', at);
  if (end == std::string::npos) end = bytes.size();
  if (at >= end || bytes[at] != ';') return false;
  size_t from = at + 1, to = end;
  while (to > from && (bytes[to - 1] == '\r' || bytes[to - 1] == ' ')) --to;
  *lyrics =
      decode_text(reinterpret_cast<const unsigned char*>(bytes.data()) + from, to - from, encoding);
  return lyrics->find_first_not_of(" \t") != std::string::npos;
}

std::string voices_text(const unsigned char* voices) {
  std::string text;
  for (int v = 0; v < 5; ++v) {
    text += std::string(v ? ", " : "") + kVowelNames[v] + " " + std::to_string(voices[v]);
  }
  return text;
}

// Where sylvo's lines (ended by LF alone) start: the byte after the n-th LF.
struct SylvoLines {
  const std::string& bytes;
  // The byte where line `line` (from 1) starts, or the end.
  size_t start(unsigned long long line) const {
    size_t at = 0;
    for (unsigned long long n = 1; n < line; ++n) {
      size_t nl = bytes.find('\n', at);
      if (nl == std::string::npos) return bytes.size();
      at = nl + 1;
    }
    return at;
  }
  // The line (from 1) and column of the byte at `offset`.
  void place(size_t offset, unsigned long long* line, size_t* column) const {
    size_t start = 0;
    *line = 1;
    for (size_t nl; (nl = bytes.find('\n', start)) != std::string::npos && nl < offset;) {
      ++*line;
      start = nl + 1;
    }
    *column = offset - start;
  }
};

}  // namespace

Server::Server(std::function<void(const Json&)> send) : send_(std::move(send)) {}

void Server::handle(const std::string& body) {
  Json message = Json::parse(body, nullptr, false);
  if (message.is_discarded()) return fail(nullptr, kParseError, "the message is no JSON");
  if (!message.is_object()) return fail(nullptr, kInvalidRequest, "a message is a JSON object");
  Json id = message.contains("id") ? message["id"] : Json();
  if (!message.contains("method") || !message["method"].is_string()) {
    if (message.contains("result") || message.contains("error")) return;  // a client's answer
    return fail(id, kInvalidRequest, "a message names its method");
  }
  const std::string method = message["method"];
  const Json params = message.contains("params") ? message["params"] : Json::object();
  try {
    if (message.contains("id")) {
      request(method, params, id);
    } else {
      notification(method, params);
    }
  } catch (const std::exception& e) {  // parameters of the wrong shape
    if (message.contains("id")) fail(id, kInvalidParams, e.what());
  }
}

void Server::bad_header(const std::string& why) { fail(nullptr, kParseError, why); }

void Server::request(const std::string& method, const Json& params, const Json& id) {
  if (method == "initialize") {
    reply(id, initialize(params));
    return;
  }
  if (!initialized_) return fail(id, kServerNotInitialized, "initialize comes first");
  if (shut_down_) return fail(id, kInvalidRequest, "the server is shut down");
  if (method == "shutdown") {
    shut_down_ = true;
    reply(id, nullptr);
  } else if (method == "textDocument/completion") {
    reply(id, completion(params));
  } else if (method == "textDocument/hover") {
    reply(id, hover(params));
  } else if (method == "textDocument/codeAction") {
    reply(id, code_actions(params));
  } else if (method == "textDocument/semanticTokens/full" ||
             method == "textDocument/semanticTokens/range") {
    reply(id, semantic_tokens(params));
  } else if (method == "textDocument/inlayHint") {
    reply(id, inlay_hints(params));
  } else if (method == "workspace/executeCommand") {
    reply(id, execute(params));
  } else {
    fail(id, kMethodNotFound, "no such method: " + method);
  }
}

void Server::notification(const std::string& method, const Json& params) {
  if (method == "exit") {
    exited_ = true;
    return;
  }
  if (!initialized_ || shut_down_) return;
  if (method == "textDocument/didOpen") {
    open(params);
  } else if (method == "textDocument/didChange") {
    change(params);
  } else if (method == "workspace/didChangeConfiguration") {
    // {"settings": {"sylvo": {"inlayHints": false}}}, as a client passes its
    // user's settings on; the client is asked to show the hints anew.
    const Json& settings = params.at("settings");
    if (settings.is_object() && settings.contains("sylvo") && settings["sylvo"].is_object()) {
      const Json& sylvo = settings["sylvo"];
      if (sylvo.contains("inlayHints") && sylvo["inlayHints"].is_boolean()) {
        inlay_hints_ = sylvo["inlayHints"];
        if (refresh_hints_) {
          ask("workspace/inlayHint/refresh", nullptr);
        }
      }
    }
  } else if (method == "textDocument/didClose") {
    std::string uri = params.at("textDocument").at("uri");
    documents_.erase(uri);
    notify("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", Json::array()}});
  }
}

// Each message takes its result or parameters by moving them: a list in
// braces would copy them (a song's diagnostics, a song's colours).
void Server::reply(const Json& id, Json result) {
  Json message = {{"jsonrpc", "2.0"}, {"id", id}};
  message["result"] = std::move(result);
  send_(message);
}

void Server::notify(const char* method, Json params) {
  Json message = {{"jsonrpc", "2.0"}, {"method", method}};
  message["params"] = std::move(params);
  send_(message);
}

void Server::ask(const char* method, Json params) {
  Json message = {
      {"jsonrpc", "2.0"}, {"id", "sylvo-" + std::to_string(next_id_++)}, {"method", method}};
  if (!params.is_null()) message["params"] = std::move(params);
  send_(message);
}

void Server::fail(const Json& id, int code, const std::string& message) {
  send_({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

Json Server::initialize(const Json& params) {
  initialized_ = true;
  units_ = Units::kUtf16;
  if (params.contains("capabilities") && params["capabilities"].contains("general") &&
      params["capabilities"]["general"].contains("positionEncodings")) {
    for (const Json& e : params["capabilities"]["general"]["positionEncodings"]) {
      if (e == "utf-8") units_ = Units::kUtf8;
    }
  }
  const Json& locale = params.contains("locale") ? params["locale"] : Json();
  language_ = locale.is_string() ? locale.get<std::string>() : std::string(user_language());
  const Json options = params.value("initializationOptions", Json::object());
  if (options.is_object() && options.contains("encoding")) {
    forced_encoding_ = options["encoding"].get<std::string>();
  }
  if (options.is_object() && options.contains("inlayHints")) {
    inlay_hints_ = options["inlayHints"].get<bool>();
  }
  const Json none = Json::object();
  const Json& capabilities = params.value("capabilities", none);
  refresh_hints_ = capabilities.is_object() && capabilities.value("workspace", none).is_object() &&
                   capabilities.value("workspace", none).value("inlayHint", none).is_object() &&
                   capabilities.value("workspace", none)
                           .value("inlayHint", none)
                           .value("refreshSupport", false) == true;
  Json triggers = Json::array({"(", "@", "#"});
  return {{"capabilities",
           {{"positionEncoding", units_ == Units::kUtf8 ? "utf-8" : "utf-16"},
            {"textDocumentSync", {{"openClose", true}, {"change", 2}}},
            {"completionProvider", {{"triggerCharacters", triggers}}},
            {"hoverProvider", true},
            {"codeActionProvider",
             {{"codeActionKinds", Json::array({"quickfix", "refactor.rewrite"})}}},
            {"executeCommandProvider", {{"commands", Json::array({"sylvo.fitLyrics"})}}},
            {"inlayHintProvider", true},
            {"semanticTokensProvider",
             {{"legend", {{"tokenTypes", kTokenTypes}, {"tokenModifiers", Json::array()}}},
              {"full", true},
              {"range", true}}}}},
          {"serverInfo", {{"name", "sylvo-lsp"}, {"version", sylvo_version()}}}};
}

std::string Server::say(const char* format, std::initializer_list<std::string> arguments) const {
  const char* args[SYLVO_ARGUMENTS_MAX] = {};
  size_t n = 0;
  for (const std::string& a : arguments)
    if (n < SYLVO_ARGUMENTS_MAX) args[n++] = a.c_str();
  std::string out(SYLVO_MESSAGE_MAX, '\0');
  out.resize(sylvo_fill(sylvo_translate(format, language_.c_str()), args, n, &out[0], out.size()));
  return out;
}

std::string Server::words_of(const Document& d, const sylvo_problem& p) const {
  if (!p.format[0]) {
    const char* text = p.severity == SYLVO_ERROR ? p.explanation : p.message;
    return text_of(d, text, std::strlen(text));
  }
  // A word is translated; the song's bytes are read in the document's encoding.
  std::string args[SYLVO_ARGUMENTS_MAX];
  for (size_t i = 0; i < p.argument_count; ++i) {
    const char* a = sylvo_translate(p.arguments[i], language_.c_str());
    args[i] = a != p.arguments[i] ? a : text_of(d, a, std::strlen(a));
  }
  return say(p.format, {args[0], args[1], args[2], args[3]});
}

Document* Server::document(const Json& params, std::string* uri) {
  std::string name = params.at("textDocument").at("uri");
  auto found = documents_.find(name);
  if (uri) *uri = name;
  return found == documents_.end() ? nullptr : &found->second;
}

// The document takes its bytes from the file when the client shows them
// unchanged: so an unchanged document is exactly the file, bytes that make
// no character included. Its encoding is the file's: UTF-8 if the file is
// UTF-8, Shift-JIS otherwise, or what the client said.
void Server::open(const Json& params) {
  const Json& item = params.at("textDocument");
  std::string uri = item.at("uri");
  std::string text = item.at("text");
  Document d;
  d.version = item.value("version", 0LL);
  std::string disk;
  bool on_disk = read_file(path_of(uri), &disk);
  if (forced_encoding_ == "shift_jis" || forced_encoding_ == "cp932") {
    d.encoding = Encoding::kCp932;
  } else if (forced_encoding_ == "utf-8" || !on_disk) {
    d.encoding = Encoding::kUtf8;
  } else {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(disk.data());
    d.encoding = is_utf8(bytes, disk.size()) ? Encoding::kUtf8 : Encoding::kCp932;
  }
  if (on_disk && text_of(d, disk.data(), disk.size()) == text) {
    d.bytes = std::move(disk);
  } else {
    d.bytes = encode_text(text, d.encoding);
  }
  documents_[uri] = std::move(d);
  publish(uri);
}

void Server::change(const Json& params) {
  std::string uri;
  Document* d = document(params, &uri);
  if (!d) return;
  d->version = params.at("textDocument").value("version", d->version);
  for (const Json& c : params.at("contentChanges")) {
    std::string text = c.at("text");
    if (!c.contains("range")) {
      d->bytes = encode_text(text, d->encoding);
      continue;
    }
    const Json& r = c.at("range");
    size_t from = d->offset(position_of(r.at("start")), units_);
    size_t to = d->offset(position_of(r.at("end")), units_);
    d->replace(std::min(from, to), std::max(from, to), text);
  }
  publish(uri);
}

Json Server::range(const Document& d, size_t from, size_t to) const {
  size_t a_at, b_at;
  Position a = d.position(from, units_, 0, {0, 0}, &a_at);
  Position b = d.position(to, units_, a_at, a, &b_at);
  if (b_at < to && to > from) b = d.position(char_end(d, b_at), units_, b_at, b);
  return {{"start", {{"line", a.line}, {"character", a.character}}},
          {"end", {{"line", b.line}, {"character", b.character}}}};
}

// Every problem of the document as a diagnostic, as sylvo-check finds it:
// the code its name, the message its text and explanation, the echo of
// the line and the suggestions as related information, and the
// suggestions as data for the quick fixes.
void Server::publish(const std::string& uri) {
  const Document& d = documents_.at(uri);
  static std::unique_ptr<sylvo_problem[]> problems(new sylvo_problem[kProblemsMax]);
  sylvo_check_result r;
  sylvo_check_memory(d.bytes.data(), d.bytes.size(), "", problems.get(), kProblemsMax, &r);
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

// Over a syllable: its kana, the voice sets it is sung with, and exactly
// what sylvo writes for it. Over a directive line: what it sets from there
// on. Over an 'l': the default length it sets, or that it is not read.
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

// For each problem in the range with suggestions, a quick fix for each: the
// bytes at fault replaced by the suggestion.
Json Server::code_actions(const Json& params) {
  std::string uri;
  Document* d = document(params, &uri);
  Json actions = Json::array();
  if (!d) return actions;
  const Json& r = params.at("range");
  size_t from = d->offset(position_of(r.at("start")), units_);
  size_t to = d->offset(position_of(r.at("end")), units_);
  static std::unique_ptr<sylvo_problem[]> problems(new sylvo_problem[kProblemsMax]);
  sylvo_check_result result;
  sylvo_check_memory(d->bytes.data(), d->bytes.size(), "", problems.get(), kProblemsMax, &result);
  SylvoLines lines{d->bytes};
  // The lines of the range, so that only their problems are placed: each
  // line's start is found from the document's.
  unsigned long long line, last_line;
  size_t column;
  lines.place(from, &line, &column);
  lines.place(to, &last_line, &column);
  for (size_t i = 0; i < result.count; ++i) {
    const sylvo_problem& p = problems[i];
    if (p.suggestion_count == 0 || p.line < line || p.line > last_line || p.start < 0 ||
        p.severity == SYLVO_NOTE) {
      continue;
    }
    size_t start = lines.start(p.line) + static_cast<size_t>(p.start);
    size_t end = start + p.length;
    if (end < from || start > to) continue;
    Json where = range(*d, start, end);
    // Named with what it replaces: a line may hold two problems with one fix.
    const std::string was = text_of(*d, d->bytes.data() + start, end - start);
    for (size_t k = 0; k < p.suggestion_count && k < SYLVO_SUGGESTIONS_MAX; ++k) {
      std::string with = p.suggestions[k];
      std::string title = say("Replace {1} with {2}", {was, with});
      actions.push_back(
          {{"title", title},
           {"kind", "quickfix"},
           {"isPreferred", k == 0},
           {"edit", {{"changes", {{uri, Json::array({{{"range", where}, {"newText", with}}})}}}}}});
    }
  }
  // After the quick fixes: a lyrics comment right above a line of notes put
  // on them.
  std::string lyrics, left;
  for (unsigned long long above : {line, line - 1}) {
    if (above == 0 || !lyrics_comment(d->bytes, lines.start(above), d->encoding, &lyrics)) continue;
    Json edit = fit_edit(uri, *d, above + 1, above + 1, lyrics, &left);
    if (edit.is_null()) continue;
    actions.push_back({{"title", say("Put these lyrics on the notes below") + left},
                       {"kind", "refactor.rewrite"},
                       {"edit", edit}});
    break;
  }
  return actions;
}

// The reader's spans as semantic tokens: what the conversion does, coloured
// (a syllable inside a block comment is a syllable, the comment around it);
// of the whole song, or of the lines of the range asked for.
Json Server::semantic_tokens(const Json& params) {
  Document* d = document(params);
  std::vector<unsigned> data;  // a song's worth: made into JSON once, and moved, never copied
  if (!d) return {{"data", Json::array()}};
  const std::string& b = d->bytes;
  SylvoLines lines{b};
  unsigned long long first = 1, last_line = 0;
  if (params.contains("range")) {
    size_t column;
    lines.place(d->offset(position_of(params["range"].at("start")), units_), &first, &column);
    lines.place(d->offset(position_of(params["range"].at("end")), units_), &last_line, &column);
  }
  std::vector<sylvo_span> spans(sylvo_spans(b.data(), b.size(), first, last_line, nullptr, 0));
  spans.resize(sylvo_spans(b.data(), b.size(), first, last_line, spans.data(), spans.size()));
  // Each span's bytes in the whole document, by sylvo's lines.
  struct Token {
    size_t from, to;
    int type;
  };
  std::vector<Token> tokens, comments, syllables;
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
  Position last{0, 0}, previous{0, 0};
  size_t last_at = 0;
  for (const Token& t : tokens) {
    size_t a_at, b_at;
    Position a = d->position(t.from, units_, last_at, last, &a_at);
    Position e = d->position(t.to, units_, a_at, a, &b_at);
    last = a, last_at = a_at;
    if (e.line != a.line || e.character <= a.character) continue;  // over a lone CR: left out
    data.insert(
        data.end(),
        {static_cast<unsigned>(a.line - previous.line),
         static_cast<unsigned>(a.line == previous.line ? a.character - previous.character
                                                       : a.character),
         static_cast<unsigned>(e.character - a.character), static_cast<unsigned>(t.type), 0u});
    previous = a;
  }
  Json result = Json::object();
  result["data"] = std::move(data);
  return result;
}

// Each key's kana after it, on the range's lines: "(KA" reads "(KA か".
// Keys sylvo cannot convert, and those with no kana, have none.
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
  size_t at = lines.start(first);
  unsigned long long line = first;
  Position from{0, 0};
  size_t from_at = 0;
  for (const sylvo_span& s : spans) {  // in a line's order but for a block comment's own span
    if (s.kind != SYLVO_SPAN_KEY || s.length > 3) continue;
    for (; line < s.line; ++line) at = b.find('\n', at) + 1;
    const std::string key = b.substr(at + s.start, s.length);
    const char* kana = sylvo_syllable_kana(key.c_str());
    if (!*kana) continue;
    size_t end = at + s.start + s.length;
    Position p = d->position(end, units_, end >= from_at ? from_at : 0,
                             end >= from_at ? from : Position{0, 0}, &from_at);
    from = p;
    hints.push_back({{"position", {{"line", p.line}, {"character", p.character}}},
                     {"label", kana},
                     {"paddingLeft", true}});
  }
  return hints;
}

Json Server::fit_edit(const std::string& uri, const Document& d, unsigned long long line,
                      unsigned long long last, const std::string& lyrics, std::string* left) const {
  SylvoLines lines{d.bytes};
  size_t from = lines.start(line);
  if (from >= d.bytes.size() && line > 1) return nullptr;
  size_t to = d.bytes.find('\n', lines.start(last));
  if (to == std::string::npos) to = d.bytes.size();
  if (to > from && d.bytes[to - 1] == '\r') --to;
  std::string fitted;
  sylvo_fit_result r;
  auto append = [](void* out, const unsigned char* bytes, size_t size) {
    static_cast<std::string*>(out)->append(reinterpret_cast<const char*>(bytes), size);
    return 1;
  };
  sylvo_fit_lyrics(d.bytes.data() + from, to - from, lyrics.data(), lyrics.size(), append, &fitted,
                   &r);
  if (r.notes == 0 || fitted == d.bytes.substr(from, to - from)) return nullptr;
  auto count = [this](size_t n, const char* one, const char* many) {
    return say(n == 1 ? one : many, {std::to_string(n)});
  };
  *left = r.problem_count + r.syllables_left == 0
              ? ""
              : say(" ({1}, {2})", {count(r.problem_count, N_("{1} piece no note takes"),
                                          N_("{1} pieces no note takes")),
                                    count(r.syllables_left, N_("{1} syllable left over"),
                                          N_("{1} syllables left over"))});
  Json edit = {{"range", range(d, from, to)},
               {"newText", text_of(d, fitted.data(), fitted.size())}};
  return {{"changes", {{uri, Json::array({edit})}}}};
}

// sylvo.fitLyrics: [uri, range, lyrics] puts the lyrics on the notes of the
// range's lines, through the client, as one edit. An end at a line's first
// character leaves that line out, as a selection of whole lines ends; a line
// (from 0) in place of the range stands for that line.
Json Server::execute(const Json& params) {
  if (params.at("command") != "sylvo.fitLyrics") return nullptr;
  const Json& args = params.at("arguments");
  std::string uri = args.at(0);
  auto found = documents_.find(uri);
  if (found == documents_.end()) return nullptr;
  const Document& d = found->second;
  Position first{0, 0}, last{0, 0};
  if (args.at(1).is_object()) {
    first = position_of(args.at(1).at("start"));
    last = position_of(args.at(1).at("end"));
    if (last.line < first.line) std::swap(first, last);
    if (last.character == 0 && last.line > first.line) --last.line;
  } else {
    first.line = last.line = args.at(1).get<size_t>();
  }
  SylvoLines lines{d.bytes};
  unsigned long long line, last_line;
  size_t column;
  lines.place(d.offset({first.line, 0}, units_), &line, &column);
  lines.place(d.offset({last.line, 0}, units_), &last_line, &column);
  std::string left;
  Json edit = fit_edit(uri, d, line, last_line, args.at(2).get<std::string>(), &left);
  if (edit.is_null()) return nullptr;
  Json apply = {{"label", "Put the lyrics on the notes" + left}};
  apply["edit"] = std::move(edit);
  ask("workspace/applyEdit", std::move(apply));
  return nullptr;
}
