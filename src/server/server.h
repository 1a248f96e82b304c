// sylvo-lsp's server: the Language Server Protocol's requests and
// notifications, answered from the library (sylvo.h) on the open documents'
// bytes. It writes no file.
#pragma once

#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "reading/dictionary.h"
#include "reading/reading.h"
#include "server/text.h"
#include "sylvo.h"

/// One server for one client, over messages already framed.
class Server {
 public:
  using Json = nlohmann::json;

  /// `send` takes each message to send (a response or a notification);
  /// `send_text`, where given, the few the server writes as JSON text
  /// itself (a whole song's colours: a million numbers), as they stand.
  /// Without it they go to `send` as JSON.
  explicit Server(std::function<void(const Json&)> send,
                  std::function<void(const std::string&)> send_text = nullptr);

  /// Handles one message's body: JSON text, as the client sent it.
  void handle(const std::string& body);

  /// Handles a header the client sent that could not be read.
  void bad_header(const std::string& why);

  /// Whether `exit` came, and the status to end with: 0 after `shutdown`.
  bool exited() const { return exited_; }
  int status() const { return shut_down_ ? 0 : 1; }

 private:
  void request(const std::string& method, const Json& params, const Json& id);
  void notification(const std::string& method, const Json& params);
  void reply(const Json& id, Json result);
  void reply_text(const Json& id, const std::string& result);  // `result` is JSON text
  void notify(const char* method, Json params);                // a notification to the client
  void ask(const char* method, Json params);  // a request to the client (params may be null)
  void fail(const Json& id, int code, const std::string& message);

  Json initialize(const Json& params);
  void open(const Json& params);
  void change(const Json& params);
  void publish(const std::string& uri);
  Json completion(const Json& params);
  Json hover(const Json& params);
  Json code_actions(const Json& params);
  std::string semantic_tokens(const Json& params);  // JSON text
  Json execute(const Json& params);
  Json inlay_hints(const Json& params);

  // The edit that puts `lyrics` (UTF-8, read as sung) on the notes of
  // sylvo's lines `line` to `last` of `d`, or null where nothing would
  // change or a word has no reading (`*why` says which); `left` tells what
  // no note took.
  Json fit_edit(const std::string& uri, const Document& d, unsigned long long line,
                unsigned long long last, const std::string& lyrics, std::string* left,
                std::string* why = nullptr) const;

  // A ';' line of lyrics right above a line with notes.
  struct LyricsComment {
    size_t from, to;   // its lyrics in the document's bytes, without the ';' and the blanks around
    std::string text;  // those bytes in UTF-8
    const reading::Reading* reading;  // of `text`, as sung
    size_t notes;                     // on the line below
    // The document's byte where byte `utf8_at` of `text` stands.
    size_t at(const Document& d, size_t utf8_at) const;
    // Keys `first` on, `count` of them, with spaces between.
    std::string keys(size_t first, size_t count) const;
  };
  // Whether the line that starts at byte `start` of `d` is a lyrics comment.
  bool lyrics_comment(const Document& d, size_t start, LyricsComment* out) const;
  // The dictionary, opened the first time it is needed.
  const Dictionary& dictionary() const;
  // Lyrics read as sung, each text once.
  const reading::Reading& read_lyrics(const std::string& text) const;
  void lyrics_diagnostics(const Document& d, Json& diagnostics) const;
  Json lyrics_hover(const Document& d, const LyricsComment& c) const;
  // After each word of kanji its reading; places found from `*at` (a
  // character's first byte before them) at `*position` on, both moved on.
  void lyrics_hints(const Document& d, const LyricsComment& c, Json& hints, size_t* at,
                    Position* position) const;
  void lyrics_fixes(const std::string& uri, const Document& d, const LyricsComment& c,
                    Json& actions) const;

  // `format` (English, with {1} to {4}) in the client's language, with
  // `arguments` (UTF-8) in place.
  std::string say(const char* format, std::initializer_list<std::string> arguments = {}) const;
  // What a person reads of problem `p` of `d`: an error's explanation, a
  // warning's or a note's message, in the client's language.
  std::string words_of(const Document& d, const sylvo_problem& p) const;

  // The open document `params` names, or null.
  Document* document(const Json& params, std::string* uri = nullptr);
  Json range(const Document& d, size_t from, size_t to) const;

  std::function<void(const Json&)> send_;
  std::function<void(const std::string&)> send_text_;
  std::map<std::string, Document> documents_;
  Units units_ = Units::kUtf16;
  std::string forced_encoding_;  // an initialization option: "utf-8" or "shift_jis"
  std::string language_;         // the client's locale, else the server's own
  bool inlay_hints_ = true;      // the kana of each key; the option "inlayHints" turns them off
  bool refresh_hints_ = false;   // whether the client shows the hints anew when asked
  bool initialized_ = false;
  bool shut_down_ = false;
  bool exited_ = false;
  long long next_id_ = 1;  // of the requests the server sends
  mutable std::unique_ptr<Dictionary> dictionary_;
  mutable std::map<std::string, reading::Reading> readings_;
};
