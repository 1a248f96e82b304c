// The language server as a client drives it: framed messages in, the
// answers matched on the fields that matter; and its pieces, framing and
// positions, on their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "reading/dictionary.h"
#include "server/frame.h"
#include "server/server.h"
#include "server/text.h"
#include "sylvo.h"

namespace {

using Json = nlohmann::json;
using std::string;

// A client: what it sends goes through the framing, as from a stream in
// pieces of `piece` bytes; what the server sends is kept in order.
struct Client {
  std::vector<Json> got;
  Server server{[this](const Json& m) { got.push_back(m); }};
  Framer framer;
  size_t piece = 0;  // 0: whole

  void send_raw(const string& bytes) {
    size_t step = piece ? piece : bytes.size();
    for (size_t at = 0; at < bytes.size(); at += step) {
      framer.feed(
          bytes.data() + at, std::min(step, bytes.size() - at),
          [this](const string& body) { server.handle(body); },
          [this](const char* why) { server.bad_header(why); });
    }
  }
  void send(const Json& message) { send_raw(Framer::frame(message.dump())); }
  Json request(int id, const string& method, const Json& params) {
    got.clear();
    send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}});
    for (const Json& m : got) {
      if (m.contains("id") && m["id"] == id) return m;
    }
    return nullptr;
  }
  void notify(const string& method, const Json& params) {
    send({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
  }
  // The last diagnostics published for `uri`.
  Json diagnostics(const string& uri) const {
    for (auto m = got.rbegin(); m != got.rend(); ++m) {
      if (m->value("method", "") == "textDocument/publishDiagnostics" &&
          (*m)["params"]["uri"] == uri) {
        return (*m)["params"]["diagnostics"];
      }
    }
    return nullptr;
  }
  void initialize(const Json& encodings = Json::array({"utf-16"})) {
    request(1, "initialize", {{"capabilities", {{"general", {{"positionEncodings", encodings}}}}}});
    notify("initialized", Json::object());
  }
};

Json pos(size_t line, size_t character) { return {{"line", line}, {"character", character}}; }
Json doc(const string& uri) { return {{"uri", uri}}; }

// "LINE:CHAR-LINE:CHAR code" a diagnostic.
string where(const Json& d) {
  const Json& r = d["range"];
  return std::to_string(r["start"]["line"].get<int>()) + ":" +
         std::to_string(r["start"]["character"].get<int>()) + "-" +
         std::to_string(r["end"]["line"].get<int>()) + ":" +
         std::to_string(r["end"]["character"].get<int>()) + " " + d.value("code", "");
}

// The check's diagnostics, without those of lyrics comments.
Json checks_of(const Json& diagnostics) {
  Json checks = Json::array();
  for (const Json& d : diagnostics) {
    if (d.value("code", "") != "lyrics") checks.push_back(d);
  }
  return checks;
}

TEST(LspFrame, MessagesInAnyPiecesAndBadHeadersPassed) {
  const string one = Framer::frame("{\"a\":1}"),
               two = "content-length:  7 \r\nX-Other: 1\r\n\r\n[1,2,3]";
  for (size_t piece : {size_t{1}, size_t{3}, size_t{1000}}) {
    Framer f;
    std::vector<string> bodies, errors;
    const string stream = one + "Nothing-Here: 1\r\n\r\n" + two + "Content-Length: x\r\n\r\n" + one;
    for (size_t at = 0; at < stream.size(); at += piece) {
      f.feed(
          stream.data() + at, std::min(piece, stream.size() - at),
          [&](const string& b) { bodies.push_back(b); },
          [&](const char* w) { errors.push_back(w); });
    }
    EXPECT_EQ(bodies, (std::vector<string>{"{\"a\":1}", "[1,2,3]", "{\"a\":1}"})) << piece;
    EXPECT_EQ(errors.size(), 2u) << piece;
  }
  Framer f;
  std::vector<string> errors;
  const string huge = string(9000, 'x');
  f.feed(
      huge.data(), huge.size(), [](const string&) {}, [&](const char* w) { errors.push_back(w); });
  EXPECT_EQ(errors.size(), 1u);
}

// Positions as clients count them, in a Shift-JIS document and in UTF-8.
TEST(LspText, PositionsAreCountedAsTheClientCounts) {
  Document d;
  d.encoding = Encoding::kCp932;
  d.bytes = "\x82\xa9\x82\xc8 (KX)\r\n\x82\r(KA)";  // かな (KX), a lead byte alone, a lone CR
  EXPECT_EQ(d.offset({0, 4}, Units::kUtf16), 6u);   // K after two kana, a blank, '('
  EXPECT_EQ(d.offset({0, 8}, Units::kUtf8), 6u);    // the kana are 3 bytes each in UTF-8
  EXPECT_EQ(d.position(6, Units::kUtf16).character, 4u);
  EXPECT_EQ(d.position(6, Units::kUtf8).character, 8u);
  EXPECT_EQ(d.position(11, Units::kUtf16).line, 1u);  // after CR LF
  EXPECT_EQ(d.position(13, Units::kUtf16).line, 2u);  // after a lone CR
  EXPECT_EQ(d.offset({1, 1}, Units::kUtf16), 12u);    // a byte of no character is one
  EXPECT_EQ(d.offset({9, 9}, Units::kUtf16), d.bytes.size());
  EXPECT_EQ(d.offset({0, 99}, Units::kUtf16), 9u);  // a line's end
  // A change touches only the bytes it changes, and writes in the encoding.
  EXPECT_EQ(d.replace(11, 12, "ね"), 0u);
  EXPECT_EQ(d.bytes, "\x82\xa9\x82\xc8 (KX)\r\n\x82\xcb\r(KA)");
  EXPECT_EQ(d.replace(0, 0, "\U0001F600"), 1u);  // no such character in code page 932
  EXPECT_EQ(d.bytes.substr(0, 1), "?");
  EXPECT_EQ(decode_text(reinterpret_cast<const unsigned char*>("\x83\x6c"), 2, Encoding::kCp932),
            "ネ");
}

class Lsp : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("sylvo-lsp-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // A file of `bytes` in the test's folder, and its URI.
  string file(const string& name, const string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
    return "file://" + (dir_ / name).generic_string();
  }

  std::filesystem::path dir_;
};

// A Shift-JIS song with CR LF line ends and mistakes after kana: the
// problems are sylvo-check's, at the characters the client counts.
TEST_F(Lsp, DiagnosticsAreTheChecksAtTheClientsCharacters) {
  const string song = "#SYLVO\r\n; \x82\xa9\x82\xc8\r\n\x82\xa9 (KX)c8 (ka)d \x83\x6c (SHI)x\r\n";
  const string uri = file("song.mml", song);
  const string text = "#SYLVO\r\n; かな\r\nか (KX)c8 (ka)d ネ (SHI)x\r\n";
  for (const Json& encodings : {Json::array({"utf-16"}), Json::array({"utf-8", "utf-16"})}) {
    Client c;
    c.piece = 5;
    c.initialize(encodings);
    c.notify(
        "textDocument/didOpen",
        {{"textDocument", {{"uri", uri}, {"languageId", "mml"}, {"version", 1}, {"text", text}}}});
    Json d = c.diagnostics(uri);
    ASSERT_TRUE(d.is_array());
    bool utf8 = encodings.size() == 2;
    const int kana = utf8 ? 3 : 1;
    std::vector<string> places;
    for (const Json& one : d) places.push_back(where(one));
    EXPECT_EQ(
        places,
        (std::vector<string>{
            "2:" + std::to_string(kana + 2) + "-2:" + std::to_string(kana + 4) + " illegal-token",
            "2:" + std::to_string(kana + 2) + "-2:" + std::to_string(kana + 4) + " near-keys",
            "2:" + std::to_string(kana + 9) + "-2:" + std::to_string(kana + 11) + " illegal-token",
            "2:" + std::to_string(2 * kana + 20) + "-2:" + std::to_string(2 * kana + 21) +
                " syntax"}));
    EXPECT_EQ(d[0]["message"], "Illegal token! line:3: KX is not a syllable key");
    EXPECT_EQ(d[0]["source"], "sylvo");
    EXPECT_EQ(d[0]["severity"], 1);
    EXPECT_EQ(d[1]["severity"], 3);
    EXPECT_EQ(d[0]["relatedInformation"][0]["message"], "> か (KX)c8 ");
    EXPECT_EQ(d[2]["data"]["suggestions"], Json::array({"KA"}));
    // The same problems as sylvo-check's, of the file's bytes.
    sylvo_problem problems[8];
    sylvo_check_result r;
    sylvo_check_memory(song.data(), song.size(), "", problems, 8, &r);
    ASSERT_EQ(r.count, d.size());
    for (size_t i = 0; i < r.count; ++i) EXPECT_EQ(d[i]["code"], problems[i].name);
  }
}

// An unchanged document is the file's bytes exactly, bytes that make no
// character included; an edit changes only the bytes it changes.
TEST_F(Lsp, DocumentsKeepTheFilesBytes) {
  const string song = "#SYLVO\r\n; \x82\xa9\r\n(KA)c8\r\n";
  const string uri = file("song.mml", song);
  Client c;
  c.initialize();
  c.notify("textDocument/didOpen", {{"textDocument",
                                     {{"uri", uri},
                                      {"languageId", "mml"},
                                      {"version", 1},
                                      {"text", "#SYLVO\r\n; か\r\n(KA)c8\r\n"}}}});
  EXPECT_EQ(c.diagnostics(uri), Json::array());
  // Type "(KX)c " before (KA): the problem is at the new key.
  c.notify("textDocument/didChange",
           {{"textDocument", {{"uri", uri}, {"version", 2}}},
            {"contentChanges", Json::array({{{"range", {{"start", pos(2, 0)}, {"end", pos(2, 0)}}},
                                             {"text", "(KX)c "}}})}});
  Json d = c.diagnostics(uri);
  ASSERT_EQ(d.size(), 3u);
  EXPECT_EQ(where(d[0]), "2:1-2:3 illegal-token");
  EXPECT_EQ(d[2]["message"], "1 morae for 2 notes on the line below");  // the comment's か
  // Apply the first quick fix: the song converts.
  Json actions = c.request(7, "textDocument/codeAction",
                           {{"textDocument", doc(uri)},
                            {"range", {{"start", pos(2, 1)}, {"end", pos(2, 1)}}},
                            {"context", {{"diagnostics", Json::array()}}}})["result"];
  ASSERT_FALSE(actions.empty());
  EXPECT_EQ(actions[0]["title"], "Replace KX with KA");
  const Json& edit = actions[0]["edit"]["changes"][uri][0];
  c.notify(
      "textDocument/didChange",
      {{"textDocument", {{"uri", uri}, {"version", 3}}},
       {"contentChanges", Json::array({{{"range", edit["range"]}, {"text", edit["newText"]}}})}});
  EXPECT_EQ(checks_of(c.diagnostics(uri)), Json::array());
  // A change outside the document lands at its end; a whole new text too.
  c.notify(
      "textDocument/didChange",
      {{"textDocument", {{"uri", uri}, {"version", 4}}},
       {"contentChanges", Json::array({{{"range", {{"start", pos(99, 0)}, {"end", pos(120, 9)}}},
                                        {"text", "(X"}}})}});
  EXPECT_EQ(checks_of(c.diagnostics(uri)).size(), 1u);
  c.notify("textDocument/didClose", {{"textDocument", doc(uri)}});
  EXPECT_EQ(c.diagnostics(uri), Json::array());
  // A file whose name a client writes in %XX escapes is found and read as
  // the Shift-JIS it is: its line of 1100 katakana ne is 2202 bytes (in
  // UTF-8 it would be 3302).
  string ne_sjis, ne_utf8;
  for (int i = 0; i < 1100; ++i) ne_sjis += "\x83\x6c", ne_utf8 += "ネ";
  std::ofstream(dir_ / std::filesystem::u8path("\xe6\xad\x8c 1.mml"), std::ios::binary)
      << "#SYLVO\r\n" + ne_sjis + "\r\n";
  const string escaped = "file://" + dir_.generic_u8string() + "/%E6%AD%8c%201.mml";
  c.notify("textDocument/didOpen", {{"textDocument",
                                     {{"uri", escaped},
                                      {"languageId", "mml"},
                                      {"version", 1},
                                      {"text", "#SYLVO\r\n" + ne_utf8 + "\r\n"}}}});
  ASSERT_EQ(c.diagnostics(escaped).size(), 1u);
  const string message = c.diagnostics(escaped)[0]["message"];
  EXPECT_NE(message.find("this line is 2202 bytes"), string::npos) << message;
  // A '%' that escapes nothing is itself, and the document opens all the same.
  // A song not on disk is UTF-8 unless the client says otherwise: then its
  // line of katakana ne is 2201 bytes. A song with no header has its
  // problem at the start.
  const string ne = "#SYLVO\n" + ne_utf8 + "\n";
  for (const char* encoding : {"", "shift_jis"}) {
    Client e;
    e.request(1, "initialize", {{"initializationOptions", {{"encoding", encoding}}}});
    e.notify("textDocument/didOpen",
             {{"textDocument",
               {{"uri", "untitled:ne"}, {"languageId", "mml"}, {"version", 1}, {"text", ne}}}});
    EXPECT_NE(string(e.diagnostics("untitled:ne")[0]["message"])
                  .find(*encoding ? "this line is 2201 bytes" : "this line is 3301 bytes"),
              string::npos)
        << encoding;
    e.notify(
        "textDocument/didOpen",
        {{"textDocument",
          {{"uri", "untitled:bare"}, {"languageId", "mml"}, {"version", 1}, {"text", "c d e\n"}}}});
    // A file of another MML tool: one hint, no error.
    Json bare = e.diagnostics("untitled:bare");
    ASSERT_EQ(bare.size(), 1u);
    EXPECT_EQ(where(bare[0]), "0:0-0:0 not-sylvo");
    EXPECT_EQ(bare[0]["severity"], 4);
  }
  const string odd = "file:///no/such/%zz%4.mml";
  c.notify("textDocument/didOpen",
           {{"textDocument",
             {{"uri", odd}, {"languageId", "mml"}, {"version", 1}, {"text", "#SYLVO\n(KX)c\n"}}}});
  EXPECT_EQ(c.diagnostics(odd).size(), 2u);
}

// The words a person reads come in the client's locale: problems (sylvo's
// own words kept), hovers, completions and actions; names and codes stay.
TEST_F(Lsp, AnswersInTheClientsLanguage) {
  // Shift-JIS: a full-width syllable, a key not in the table, a space in a key.
  const string song =
      "#SYLVO\r\n\x81\x69\x82\x6a\x82\x60\x81\x6a\x82\x83 (KX)c8 (KA )c\r\nl8 (KA)c\r\n";
  const string uri = file("ja.mml", song);
  const string text = "#SYLVO\r\n（ＫＡ）ｃ (KX)c8 (KA )c\r\nl8 (KA)c\r\n";
  Client c;
  c.request(1, "initialize", {{"locale", "ja"}});
  c.notify(
      "textDocument/didOpen",
      {{"textDocument", {{"uri", uri}, {"languageId", "mml"}, {"version", 1}, {"text", text}}}});
  Json d = c.diagnostics(uri);
  ASSERT_EQ(d.size(), 4u);
  EXPECT_EQ(d[0]["code"], "full-width");
  EXPECT_EQ(d[0]["message"],
            "（ＫＡ）ｃ は全角で入力されているため、文字としてそのまま写されます: 音節は半角で "
            "(KA)c と書きます");
  EXPECT_EQ(d[1]["message"], "Illegal token! line:2: KX は音節のキーではありません");
  EXPECT_EQ(d[1]["relatedInformation"][1]["message"], "代わりに: KA, KI, KU, KE, KO");
  EXPECT_EQ(d[2]["message"], "KX はキーではありません。一字違いのキー: KA, KI, KU, KE, KO");
  EXPECT_EQ(d[3]["message"],
            "Illegal token! line:2: (KA ) の中に空白があります: キーは「(」のすぐ後の大文字一〜三"
            "字です（例: (KA)）");
  EXPECT_EQ(d[3]["relatedInformation"][0]["message"], "> （ＫＡ）ｃ (KX)c8 (KA )");
  Json hover =
      c.request(2, "textDocument/hover", {{"textDocument", doc(uri)}, {"position", pos(2, 5)}});
  EXPECT_EQ(hover["result"]["contents"]["value"],
            "**KA** か\n\n音色セット A 0, I 0, U 0, E 0, O 0\n\nsylvo が書くのは "
            "`@@5c#1@@6w#1@@7w#1@@00w8~#3`（3 フレーム）");
  Json length =
      c.request(3, "textDocument/hover", {{"textDocument", doc(uri)}, {"position", pos(2, 0)}});
  EXPECT_EQ(length["result"]["contents"]["value"],
            "既定の音長を 8 にします: 音長のない音節はこの音長になります");
  Json actions = c.request(4, "textDocument/codeAction",
                           {{"textDocument", doc(uri)},
                            {"range", {{"start", pos(1, 0)}, {"end", pos(1, 0)}}},
                            {"context", {{"diagnostics", Json::array()}}}})["result"];
  ASSERT_FALSE(actions.empty());
  EXPECT_EQ(actions[0]["title"], "（ＫＡ）ｃ を (KA)c に置き換える");
  // Another client, in English, sees the same problems in English.
  Client e;
  e.request(1, "initialize", {{"locale", "en-US"}});
  e.notify(
      "textDocument/didOpen",
      {{"textDocument", {{"uri", uri}, {"languageId", "mml"}, {"version", 1}, {"text", text}}}});
  EXPECT_EQ(e.diagnostics(uri)[1]["message"], "Illegal token! line:2: KX is not a syllable key");
}

TEST_F(Lsp, CompletionHoverAndQuickFixes) {
  const string uri = file("song.mml", "");
  Client c;
  c.initialize();
  const string text =
      "#SYLVO\n#SYLVO_VSET_ALL 1\nl8 (KY (@A2KY (ka)c\n#SY\nl16 A vol4 (KA)c ; l2\n(TI)d\n";
  c.notify(
      "textDocument/didOpen",
      {{"textDocument", {{"uri", uri}, {"languageId", "mml"}, {"version", 1}, {"text", text}}}});
  auto complete = [&](size_t line, size_t character) {
    return c.request(
        2, "textDocument/completion",
        {{"textDocument", doc(uri)}, {"position", pos(line, character)}})["result"]["items"];
  };
  Json items = complete(2, 6);  // after "(KY"
  ASSERT_EQ(items.size(), 203u);
  const Json* kya = nullptr;
  for (const Json& i : items) {
    if (i["label"] == "KYA") kya = &i;
  }
  ASSERT_TRUE(kya);
  EXPECT_EQ((*kya)["detail"], "きゃ  @@5c#1@@6w#1@@7w#1@@19w#2@@30w~#5");
  EXPECT_EQ((*kya)["textEdit"]["range"]["start"], pos(2, 4));
  Json overridden = complete(2, 13);  // after "(@A2KY": A sings at voice set 2
  for (const Json& i : overridden) {
    if (i["label"] == "KYA") {
      EXPECT_EQ(i["detail"], "きゃ  @@5c#1@@6w#1@@7w#1@@19w#2@@35w~#5");
    }
  }
  Json directives = complete(3, 3);
  ASSERT_EQ(directives.size(), 2u);
  EXPECT_EQ(directives[0]["label"], "SYLVO_VSET_ALL");
  EXPECT_TRUE(complete(4, 2).empty());  // no syllable, no '#'

  auto hover = [&](size_t line, size_t character) {
    Json r = c.request(3, "textDocument/hover",
                       {{"textDocument", doc(uri)}, {"position", pos(line, character)}})["result"];
    return r.is_null() ? string() : r["contents"]["value"].get<string>();
  };
  EXPECT_EQ(hover(4, 13),
            "**KA** か\n\nvoice sets A 1, I 1, U 1, E 1, O 1\n\nsylvo writes "
            "`@@5c#1@@6w#1@@7w#1@@30w4~#3` (3 frames)");
  EXPECT_EQ(hover(1, 3), "From here on: voice sets A 1, I 1, U 1, E 1, O 1");
  EXPECT_EQ(hover(4, 1),
            "Sets the default length to 16: a syllable without a length of its own "
            "takes it");
  EXPECT_NE(hover(4, 8).find("in a word"), string::npos);
  EXPECT_NE(hover(4, 20).find("not read as a length command"), string::npos);
  EXPECT_EQ(hover(4, 5), "");
  EXPECT_EQ(hover(5, 2).substr(0, 20), "**TI**\n\nvoice sets A");  // a key with no kana

  Json actions = c.request(4, "textDocument/codeAction",
                           {{"textDocument", doc(uri)},
                            {"range", {{"start", pos(2, 15)}, {"end", pos(2, 15)}}},
                            {"context", {{"diagnostics", Json::array()}}}})["result"];
  ASSERT_EQ(actions.size(), 1u);
  EXPECT_EQ(actions[0]["edit"]["changes"][uri][0]["newText"], "KA");
  EXPECT_EQ(actions[0]["edit"]["changes"][uri][0]["range"]["start"], pos(2, 15));
  EXPECT_EQ(actions[0]["edit"]["changes"][uri][0]["range"]["end"], pos(2, 17));

  // A directive on a last line with no newline hovers as any other.
  c.notify("textDocument/didOpen", {{"textDocument",
                                     {{"uri", "untitled:last"},
                                      {"languageId", "mml"},
                                      {"version", 1},
                                      {"text", "#SYLVO\n#SYLVO_VSET 1 2"}}}});
  Json last = c.request(5, "textDocument/hover",
                        {{"textDocument", doc("untitled:last")}, {"position", pos(1, 3)}});
  EXPECT_EQ(last["result"]["contents"]["value"],
            "From here on: voice sets A 1, I 2, U 0, E 0, O 0");
  EXPECT_EQ(last["result"]["range"]["end"], pos(1, 15));
}

#ifdef __linux__
// The files the server reads to learn their bytes are closed again.
TEST_F(Lsp, LeavesNoFileOpen) {
  auto open_files = [] {
    size_t n = 0;
    for (auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
      n += !entry.is_directory();
    return n;
  };
  const string uri = file("song.mml", "#SYLVO\n(KA)c8\n");
  Client c;
  c.initialize();
  size_t before = open_files();
  for (int i = 0; i < 20; ++i) {
    c.notify(
        "textDocument/didOpen",
        {{"textDocument",
          {{"uri", uri}, {"languageId", "mml"}, {"version", i}, {"text", "#SYLVO\n(KA)c8\n"}}}});
    c.notify("textDocument/didClose", {{"textDocument", doc(uri)}});
  }
  EXPECT_EQ(open_files(), before);
}
#endif

// Colours and lyrics: semantic tokens from the reader's spans, and the fit
// of a lyrics comment onto the notes below it, as an action and a command.
TEST(LspServer, SemanticTokensAndLyrics) {
  Client c;
  c.initialize();
  const string uri = "untitled:song";
  const string text = "#SYLVO\n/* (KA)c4 */ d\nl8 (@A2KI)e8 ; x\n; さくら\r\nl8 a a b2 c\n";
  c.notify(
      "textDocument/didOpen",
      {{"textDocument", {{"uri", uri}, {"languageId", "mml"}, {"version", 1}, {"text", text}}}});
  Json init = c.request(1, "initialize", Json::object())["result"];
  const Json legend = init["capabilities"]["semanticTokensProvider"]["legend"]["tokenTypes"];
  auto decoded = [&](const Json& data) {
    std::vector<string> tokens;
    size_t line = 0, character = 0;
    for (size_t i = 0; i + 5 <= data.size(); i += 5) {
      line += data[i].get<size_t>();
      character =
          data[i].get<size_t>() ? data[i + 1].get<size_t>() : character + data[i + 1].get<size_t>();
      tokens.push_back(std::to_string(line) + ":" + std::to_string(character) + "+" +
                       std::to_string(data[i + 2].get<int>()) + " " +
                       legend[data[i + 3].get<size_t>()].get<string>());
    }
    return tokens;
  };
  std::vector<string> tokens = decoded(c.request(2, "textDocument/semanticTokens/full",
                                                 {{"textDocument", doc(uri)}})["result"]["data"]);
  // A range's tokens are those of its lines, placed in the whole song.
  EXPECT_EQ(
      decoded(c.request(2, "textDocument/semanticTokens/range",
                        {{"textDocument", doc(uri)},
                         {"range", {{"start", pos(1, 3)}, {"end", pos(2, 1)}}}})["result"]["data"]),
      std::vector<string>(tokens.begin() + 1, tokens.begin() + 12));
  EXPECT_EQ(tokens, (std::vector<string>{"0:0+6 macro", "1:0+3 comment", "1:4+2 function",
                                         "1:7+1 variable", "1:8+1 number", "1:9+3 comment",
                                         "2:0+2 keyword", "2:4+3 parameter", "2:7+2 function",
                                         "2:10+1 variable", "2:11+1 number", "2:13+3 comment",
                                         "3:0+5 comment", "4:0+2 keyword"}));
  // A comment over a lone CR, two lines to the client, has no token; what
  // follows it has its own.
  c.notify("textDocument/didOpen", {{"textDocument",
                                     {{"uri", "untitled:cr"},
                                      {"languageId", "mml"},
                                      {"version", 1},
                                      {"text", "#SYLVO\n; a\rb\n(KA)c\n"}}}});
  EXPECT_EQ(decoded(c.request(4, "textDocument/semanticTokens/full",
                              {{"textDocument", doc("untitled:cr")}})["result"]["data"]),
            (std::vector<string>{"0:0+6 macro", "3:1+2 function", "3:4+1 variable"}));
  // The lyrics above a line of notes, as an action on either line.
  for (size_t at : {3, 4}) {
    Json actions = c.request(3, "textDocument/codeAction",
                             {{"textDocument", doc(uri)},
                              {"range", {{"start", pos(at, 0)}, {"end", pos(at, 0)}}},
                              {"context", {{"diagnostics", Json::array()}}}})["result"];
    ASSERT_EQ(actions.size(), 1u) << at;
    EXPECT_EQ(actions[0]["title"], "Put SA KU RA on the notes below");
    const Json& edit = actions[0]["edit"]["changes"][uri][0];
    EXPECT_EQ(edit["newText"], "l8 (SA)a (KU)a (RA)b2 c");
    EXPECT_EQ(edit["range"]["start"], pos(4, 0));
    EXPECT_EQ(edit["range"]["end"], pos(4, 11));
  }
  // The command, for a client that asks for the lyrics: an edit to apply.
  c.got.clear();
  c.request(4, "workspace/executeCommand",
            {{"command", "sylvo.fitLyrics"}, {"arguments", {uri, 4, "sa ku"}}});
  ASSERT_GE(c.got.size(), 1u);
  const Json& apply = c.got[0];
  EXPECT_EQ(apply["method"], "workspace/applyEdit");
  EXPECT_EQ(apply["params"]["edit"]["changes"][uri][0]["newText"], "l8 (SA)a (KU)a b2 c");
  EXPECT_EQ(apply["params"]["label"], "Put the lyrics on the notes");
  // Lyrics with a piece no note takes are not fitted: the rest would land
  // a note early. The client shows why.
  c.got.clear();
  c.request(4, "workspace/executeCommand",
            {{"command", "sylvo.fitLyrics"}, {"arguments", {uri, 4, "sa xq ku"}}});
  ASSERT_GE(c.got.size(), 1u);
  EXPECT_EQ(c.got[0]["method"], "window/showMessage");
  EXPECT_EQ(c.got[0]["params"]["message"], "no syllable is spelt so");
  for (const Json& m : c.got) EXPECT_NE(m.value("method", ""), "workspace/applyEdit");
  // Over a range of whole lines, as an editor's selection ends: the lyrics
  // line above is a comment, and takes none.
  c.got.clear();
  c.request(5, "workspace/executeCommand",
            {{"command", "sylvo.fitLyrics"},
             {"arguments", {uri, {{"start", pos(3, 2)}, {"end", pos(5, 0)}}, "sa ku ra yo i"}}});
  ASSERT_GE(c.got.size(), 1u);
  const Json& lines = c.got[0]["params"];
  EXPECT_EQ(lines["edit"]["changes"][uri][0]["newText"], "; さくら\r\nl8 (SA)a (KU)a (RA)b2 (YO)c");
  EXPECT_EQ(lines["edit"]["changes"][uri][0]["range"]["start"], pos(3, 0));
  EXPECT_EQ(lines["label"], "Put the lyrics on the notes (1 syllable left over)");
  // An empty range, and one given end first, stand for their lines; one
  // syllable is a change too.
  auto fitted = [&](const Json& where, const string& lyrics) {
    c.got.clear();
    c.request(6, "workspace/executeCommand",
              {{"command", "sylvo.fitLyrics"}, {"arguments", {uri, where, lyrics}}});
    return c.got.empty() ? Json() : c.got[0]["params"]["edit"]["changes"][uri][0]["newText"];
  };
  EXPECT_EQ(fitted({{"start", pos(4, 0)}, {"end", pos(4, 0)}}, "to"), "l8 (TO)a a b2 c");
  EXPECT_EQ(fitted({{"start", pos(5, 0)}, {"end", pos(4, 3)}}, "to"), "l8 (TO)a a b2 c");
}

// A lyrics comment read as sung: over it its words, after a word of kanji
// its reading, a hint where its morae and the notes below differ, and
// information with a quick fix where a word has no reading.
TEST(LspServer, LyricsCommentsShowTheirReadings) {
  Client c;
  c.initialize();
  const string uri = "untitled:lyrics";
  const string text =
      "#SYLVO\n; 故郷《ふるさと》 さくら\nc d e f g\n;恙なし\r\nc8 d\n; 雪\nr\n; la la\nc\n; "
      "Aメロ\nc d\n; xq\nc\n";
  c.notify(
      "textDocument/didOpen",
      {{"textDocument", {{"uri", uri}, {"languageId", "mml"}, {"version", 1}, {"text", text}}}});
  std::vector<string> shown;
  for (const Json& d : c.diagnostics(uri)) {
    shown.push_back(where(d) + " " + std::to_string(d["severity"].get<int>()) + " " +
                    d["message"].get<string>().substr(0, 12));
  }
  // Line 6's 雪 stands above a rest, and "la la" is in ASCII: neither is
  // taken for lyrics; nor would a remark with ASCII in it, "; verse 2".
  EXPECT_EQ(shown, (std::vector<string>{
                       "1:2-1:14 lyrics 4 7 morae for ",
                       "3:1-3:2 lyrics 3 " + (Dictionary().is_open() ? string("the dictiona")
                                                                     : string("恙 needs th"))}));
  Json hover = c.request(2, "textDocument/hover",
                         {{"textDocument", doc(uri)}, {"position", pos(1, 0)}})["result"];
  EXPECT_EQ(
      hover["contents"]["value"],
      "**Lyrics**: 7 morae for 5 notes on the line below\n\n| | reading | keys |\n|---|---|---|\n"
      "| 故郷 | ふるさと | FU RU SA TO |\n| さくら | さくら | SA KU RA |\n");
  // The quick fix makes room for the reading after the word, and the
  // action to fit says why it cannot.
  Json actions = c.request(3, "textDocument/codeAction",
                           {{"textDocument", doc(uri)},
                            {"range", {{"start", pos(3, 0)}, {"end", pos(3, 0)}}},
                            {"context", {{"diagnostics", Json::array()}}}})["result"];
  ASSERT_EQ(actions.size(), 2u);
  EXPECT_EQ(actions[0]["title"], "Give 恙 its reading: 恙《》");
  EXPECT_EQ(actions[0]["edit"]["changes"][uri][0]["range"]["start"], pos(3, 2));
  EXPECT_EQ(actions[0]["edit"]["changes"][uri][0]["newText"], "《》");
  EXPECT_TRUE(actions[1]["disabled"].contains("reason"));
  EXPECT_FALSE(actions[1].contains("edit"));
  // Romaji no key is spelt with has its problem, but no room for a reading.
  actions = c.request(3, "textDocument/codeAction",
                      {{"textDocument", doc(uri)},
                       {"range", {{"start", pos(11, 0)}, {"end", pos(11, 0)}}},
                       {"context", {{"diagnostics", Json::array()}}}})["result"];
  ASSERT_EQ(actions.size(), 1u);
  EXPECT_TRUE(actions[0].contains("disabled"));
  // After a word of kanji its reading, with the dictionary.
  c.notify("textDocument/didChange",
           {{"textDocument", {{"uri", uri}, {"version", 2}}},
            {"contentChanges", Json::array({{{"text", "#SYLVO\n;雪の花\nc d e f\n"}}})}});
  Json hints = c.request(4, "textDocument/inlayHint",
                         {{"textDocument", doc(uri)},
                          {"range", {{"start", pos(0, 0)}, {"end", pos(3, 0)}}}})["result"];
  if (Dictionary().is_open()) {
    ASSERT_EQ(hints.size(), 2u);
    EXPECT_EQ(hints[0]["position"], pos(1, 2));
    EXPECT_EQ(hints[0]["label"], "ゆき");
    EXPECT_EQ(hints[1]["position"], pos(1, 4));
    EXPECT_EQ(hints[1]["label"], "はな");
  } else {
    EXPECT_EQ(hints, Json::array());
  }
}

// The kana of each key the conversion reads, after it; a setting turns them
// off, at the start or later.
TEST(LspServer, InlayHintsGiveEachKeysKana) {
  const string uri = "untitled:hints";
  const string text = "#SYLVO\nかな (KA)c (@A2SHI)d /* (N)e */ (KX)c (ka)c ; (SA)c\n(KYA)c\n";
  auto hints = [&](Client& c) {
    Json got = c.request(7, "textDocument/inlayHint",
                         {{"textDocument", doc(uri)},
                          {"range", {{"start", pos(0, 0)}, {"end", pos(3, 0)}}}})["result"];
    std::vector<string> shown;
    for (const Json& h : got) {
      shown.push_back(std::to_string(h["position"]["line"].get<int>()) + ":" +
                      std::to_string(h["position"]["character"].get<int>()) + " " +
                      h["label"].get<string>());
    }
    return shown;
  };
  auto open = [&](Client& c) {
    c.notify(
        "textDocument/didOpen",
        {{"textDocument", {{"uri", uri}, {"languageId", "mml"}, {"version", 1}, {"text", text}}}});
  };
  Client c;
  c.request(1, "initialize",
            {{"capabilities", {{"workspace", {{"inlayHint", {{"refreshSupport", true}}}}}}}});
  open(c);
  EXPECT_EQ(hints(c), (std::vector<string>{"1:6 か", "1:16 し", "1:24 ん", "2:4 きゃ"}));
  c.got.clear();
  c.notify("workspace/didChangeConfiguration",
           {{"settings", {{"sylvo", {{"inlayHints", false}}}}}});
  ASSERT_EQ(c.got.size(), 1u);
  EXPECT_EQ(c.got[0]["method"], "workspace/inlayHint/refresh");
  EXPECT_TRUE(hints(c).empty());

  Client off;
  off.request(1, "initialize", {{"initializationOptions", {{"inlayHints", false}}}});
  open(off);
  EXPECT_TRUE(hints(off).empty());
  off.got.clear();
  off.notify("workspace/didChangeConfiguration",
             {{"settings", {{"sylvo", {{"inlayHints", true}}}}}});
  EXPECT_TRUE(off.got.empty());  // no refresh for a client that cannot take one
  EXPECT_EQ(hints(off).size(), 4u);
}

// Whatever a client sends, an answer or nothing, and never a crash.
TEST(LspServer, SurvivesWhateverAClientSends) {
  Client c;
  EXPECT_EQ(c.request(1, "textDocument/hover", Json::object())["error"]["code"], -32002);
  c.got.clear();
  c.notify("textDocument/didOpen",  // before initialize: dropped, and never answered
           {{"textDocument",
             {{"uri", "untitled:early"},
              {"languageId", "mml"},
              {"version", 1},
              {"text", "#SYLVO\n(KX)c\n"}}}});
  EXPECT_TRUE(c.got.empty());
  c.initialize();
  EXPECT_EQ(c.request(2, "no/such", Json::object())["error"]["code"], -32601);
  c.got.clear();
  c.notify("no/such", Json::object());
  EXPECT_TRUE(c.got.empty());
  c.send_raw(Framer::frame("{not json"));
  ASSERT_EQ(c.got.size(), 1u);
  EXPECT_EQ(c.got[0]["error"]["code"], -32700);
  c.got.clear();
  c.send_raw(
      Framer::frame("{\"jsonrpc\":\"2.0\",\"id\":3,\"method\":\"x\",\"params\":\"\xed\xa0\x80\"}"));
  EXPECT_EQ(c.got.at(0)["error"]["code"], -32700);  // no UTF-8
  EXPECT_EQ(c.request(4, "textDocument/hover", {{"textDocument", 5}})["error"]["code"], -32602);
  c.got.clear();
  c.send_raw("Content-Type: x\r\n\r\n");
  EXPECT_EQ(c.got.at(0)["error"]["code"], -32700);
  // A 10 MB document is checked.
  string big = "#SYLVO\n";
  while (big.size() < 10'000'000) big += "l8 (KA)c (SHI)d4 ; \xe3\x81\x8b\n";
  big += "(KX)c\n";
  c.notify("textDocument/didOpen",
           {{"textDocument",
             {{"uri", "untitled:big"}, {"languageId", "mml"}, {"version", 1}, {"text", big}}}});
  Json d = c.diagnostics("untitled:big");
  ASSERT_EQ(d.size(), 2u);
  EXPECT_EQ(d[0]["range"]["start"]["line"], std::count(big.begin(), big.end(), '\n') - 1);
  EXPECT_EQ(c.request(5, "shutdown", nullptr)["result"], nullptr);
  EXPECT_EQ(c.request(6, "textDocument/hover", Json::object())["error"]["code"], -32600);
  EXPECT_FALSE(c.server.exited());
  c.notify("exit", nullptr);
  EXPECT_TRUE(c.server.exited());
  EXPECT_EQ(c.server.status(), 0);
  Client gone;
  gone.initialize();
  gone.notify("exit", nullptr);
  EXPECT_EQ(gone.server.status(), 1);
}

}  // namespace

namespace {

// The UTF-16 units of the UTF-8 text before byte `at` of `line`, as a
// client counts a position's character: two for a character past U+FFFF.
size_t units_before(const string& line, size_t at) {
  size_t units = 0;
  for (size_t i = 0; i < at && i < line.size();) {
    unsigned char c = static_cast<unsigned char>(line[i]);
    size_t size = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    units += size == 4 ? 2 : 1;
    i += size;
  }
  return units;
}

// Every position the server sends stands at the bytes the library names:
// on songs drawn from a seed with kana, kanji, emoji beyond U+FFFF and CR
// LF, each diagnostic's start, each kana hint and each syllable's hover,
// counted in UTF-16 from the song's own bytes here.
TEST(LspServer, EveryPositionStandsAtItsBytes) {
  const char* const pieces[] = {"(KA)c8 ",
                                "か",
                                "\xf0\x9f\x98\x80",
                                "(KX)c ",
                                "漢字 ",
                                "(@A2SHI)d ",
                                "; \xf0\x9f\x98\x80 (KA)c",
                                "/* \xf0\x9f\x98\x80 */ ",
                                "(ka)c ",
                                "(KYA)e4 ",
                                "ａ",
                                "(KA)x ",
                                "l8 "};
  std::mt19937 random(4242);
  for (int song_number = 0; song_number < 30; ++song_number) {
    std::vector<string> lines{"#SYLVO"};
    string text = "#SYLVO\r\n";
    for (int l = 0; l < 12; ++l) {
      string line;
      for (unsigned n = random() % 9; n > 0; --n) line += pieces[random() % std::size(pieces)];
      lines.push_back(line);
      text += line + (random() % 2 ? "\r\n" : "\n");
    }
    Client c;
    c.initialize();
    const string uri = "untitled:song" + std::to_string(song_number);
    c.notify(
        "textDocument/didOpen",
        {{"textDocument", {{"uri", uri}, {"languageId", "mml"}, {"version", 1}, {"text", text}}}});
    Json diagnostics = checks_of(c.diagnostics(uri));  // those of lyrics come after them
    std::vector<sylvo_problem> problems(diagnostics.size() + 1);
    sylvo_check_result r;
    sylvo_check_memory(text.data(), text.size(), "", problems.data(), problems.size(), &r);
    ASSERT_EQ(r.count, diagnostics.size()) << text;
    for (size_t i = 0; i < r.count; ++i) {
      const sylvo_problem& p = problems[i];
      if (p.line == 0) continue;
      EXPECT_EQ(diagnostics[i]["range"]["start"],
                pos(p.line - 1, units_before(lines[p.line - 1], static_cast<size_t>(p.start))))
          << text << " problem " << i;
    }
    Json hints = c.request(2, "textDocument/inlayHint",
                           {{"textDocument", doc(uri)},
                            {"range", {{"start", pos(0, 0)}, {"end", pos(lines.size(), 0)}}}});
    std::vector<sylvo_span> spans(4096);
    spans.resize(sylvo_spans(text.data(), text.size(), 1, 0, spans.data(), spans.size()));
    size_t hint = 0;
    for (const sylvo_span& s : spans) {
      const string& line = lines[s.line - 1];
      if (s.kind == SYLVO_SPAN_KEY &&
          *sylvo_syllable_kana(line.substr(s.start, s.length).c_str())) {
        ASSERT_LT(hint, hints["result"].size()) << text;
        EXPECT_EQ(hints["result"][hint++]["position"],
                  pos(s.line - 1, units_before(line, s.start + s.length)))
            << text;
      }
      sylvo_syllable_info info;
      if (s.kind == SYLVO_SPAN_SYLLABLE &&
          sylvo_syllable_at(text.data(), text.size(), s.line, s.start + 1, &info) == 0) {
        Json hover =
            c.request(3, "textDocument/hover",
                      {{"textDocument", doc(uri)},
                       {"position", pos(s.line - 1, units_before(line, s.start) + 1)}})["result"];
        ASSERT_TRUE(hover.is_object()) << text;
        EXPECT_EQ(hover["range"]["start"], pos(s.line - 1, units_before(line, s.start))) << text;
        EXPECT_EQ(hover["range"]["end"], pos(s.line - 1, units_before(line, s.start + s.length)))
            << text;
      }
    }
    size_t readings = 0;  // after the keys' kana, the readings of lyrics comments' kanji
    for (const Json& h : hints["result"])
      readings += lines[h["position"]["line"].get<size_t>()][0] == ';';
    EXPECT_EQ(hint + readings, hints["result"].size()) << text;
  }
}

}  // namespace
