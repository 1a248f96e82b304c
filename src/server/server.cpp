#include "server/server.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/words.h"
#include "programs/platform.h"
#include "server/shared.h"
namespace {

using Json = nlohmann::json;
using namespace server;  // NOLINT(google-build-using-namespace): the features' own helpers

// The protocol's error codes.
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kServerNotInitialized = -32002;

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

}  // namespace

Server::Server(std::function<void(const Json&)> send,
               std::function<void(const std::string&)> send_text)
    : send_(std::move(send)), send_text_(std::move(send_text)) {}

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
    reply_text(id, semantic_tokens(params));
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

void Server::reply_text(const Json& id, const std::string& result) {
  if (!send_text_) return reply(id, Json::parse(result));
  std::string message = "{\"jsonrpc\":\"2.0\",\"id\":" + id.dump() + ",\"result\":";
  message.reserve(message.size() + result.size() + 1);
  message += result;
  message += '}';
  send_text_(message);
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
