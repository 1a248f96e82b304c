// sylvo-lsp: the language server for MML with lyric syllables, over standard
// input and output (Language Server Protocol 3.17). Framing, then the
// server; it writes no file.
#include <cstdio>
#include <cstring>

#include "core/words.h"
#include "programs/platform.h"
#include "server/frame.h"
#include "server/server.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-V") == 0) {
      std::printf("sylvo-lsp %s\n", sylvo_version());
      return 0;
    }
    if (std::strcmp(argv[i], "--stdio") != 0) {  // what clients pass, and all it does
      bool help = std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0;
      const char* usage = sylvo_translate(
          N_("Usage: sylvo-lsp [--stdio]\n"
             "The language server for MML with lyric syllables: it speaks the Language\n"
             "Server Protocol over standard input and output, in the language of the\n"
             "client's locale. See man sylvo-lsp.\n"),
          user_language());
      std::fputs(console_text(usage).c_str(), help ? stdout : stderr);
      return help ? 0 : 2;
    }
  }
  binary_stdio();
  auto send_text = [](const std::string& message) {
    std::string framed = Framer::frame(message);
    std::fwrite(framed.data(), 1, framed.size(), stdout);
    std::fflush(stdout);
  };
  Server server(
      [&](const Server::Json& message) {
        send_text(message.dump(-1, ' ', false, Server::Json::error_handler_t::replace));
      },
      send_text);
  Framer framer;
  static char buffer[65536];
  while (!server.exited()) {
    size_t got = read_some(buffer, sizeof buffer);
    if (got == 0) break;  // the client went away
    framer.feed(
        buffer, got,
        [&](const std::string& body) {
          if (!server.exited()) server.handle(body);
        },
        [&](const char* why) { server.bad_header(why); });
  }
  return server.status();
}
