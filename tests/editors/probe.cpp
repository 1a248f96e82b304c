// What the library makes of a song, for the editor tests to hold an
// editor's view against:
//   sylvo_probe spans FILE             each span: LINE START LENGTH KIND
//                                      (line from 1, bytes from 0)
//   sylvo_probe fit FILE LINE LYRICS   the file with the lyrics (UTF-8) put
//                                      on the notes of line LINE (from 1)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sylvo.h"

namespace {

std::string read_all(const char* path) {
  std::string bytes;
  if (FILE* f = std::fopen(path, "rb")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, n);
    std::fclose(f);
  } else {
    std::perror(path);
    std::exit(2);
  }
  return bytes;
}

int to_stdout(void*, const unsigned char* bytes, size_t size) {
  return std::fwrite(bytes, 1, size, stdout) == size;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "spans") == 0) {
    std::string song = read_all(argv[2]);
    std::vector<sylvo_span> spans(sylvo_spans(song.data(), song.size(), 1, 0, nullptr, 0));
    sylvo_spans(song.data(), song.size(), 1, 0, spans.data(), spans.size());
    for (const sylvo_span& s : spans)
      std::printf("%llu %zu %zu %d\n", s.line, s.start, s.length, static_cast<int>(s.kind));
    return 0;
  }
  if (argc == 5 && std::strcmp(argv[1], "fit") == 0) {
    std::string song = read_all(argv[2]);
    unsigned long long line = std::strtoull(argv[3], nullptr, 10);
    size_t from = 0;
    for (unsigned long long n = 1; n < line && from < song.size(); ++n) {
      size_t end = song.find('\n', from);
      from = end == std::string::npos ? song.size() : end + 1;
    }
    size_t to = song.find('\n', from);
    if (to == std::string::npos) to = song.size();
    if (to > from && song[to - 1] == '\r') --to;
    std::fwrite(song.data(), 1, from, stdout);
    sylvo_fit_result r;
    sylvo_fit_lyrics(song.data() + from, to - from, argv[4], std::strlen(argv[4]), to_stdout,
                     nullptr, &r);
    std::fwrite(song.data() + to, 1, song.size() - to, stdout);
    return r.status;
  }
  std::fprintf(stderr, "usage: sylvo_probe spans FILE | fit FILE LINE LYRICS\n");
  return 2;
}
