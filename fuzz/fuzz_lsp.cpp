// Fuzzes the language server's message handling: the bytes as a stream of
// framed messages (in pieces), and as one message's JSON body, to a server
// that has a document open. Whatever comes, it answers or stays silent,
// and never crashes; every answer is JSON it can write.
#include <cstdint>
#include <string>

#include "server/frame.h"
#include "server/server.h"

namespace {

std::string open_message() {
  return Framer::frame(
             R"({"jsonrpc":"2.0","id":0,"method":"initialize","params":{"capabilities":{"general":)"
             R"({"positionEncodings":["utf-8"]}}}})") +
         Framer::frame(
             R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":)"
             R"({"uri":"untitled:a","languageId":"mml","version":1,"text":)"
             R"("#SYLVO\r\nl8 か (KX)c (KA)d ; (ka)\n#SYLVO_VSET 1\n(@A2KY"}}})");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  for (int as_body = 0; as_body < 2; ++as_body) {
    Server server([](const Server::Json& m) {
      (void)m.dump(-1, ' ', false, Server::Json::error_handler_t::replace);
    });
    Framer framer;
    auto take = [&](const std::string& stream, size_t piece) {
      for (size_t at = 0; at < stream.size(); at += piece) {
        framer.feed(
            stream.data() + at, std::min(piece, stream.size() - at),
            [&](const std::string& body) { server.handle(body); },
            [&](const char* why) { server.bad_header(why); });
      }
    };
    take(open_message(), 64);
    if (as_body) {
      take(Framer::frame(bytes), 4096);
    } else {
      take(bytes, 1 + (size % 7));
    }
  }
  return 0;
}
