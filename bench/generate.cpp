// Writes a generated input to standard output: sylvo_generate KIND BYTES
//   plain  - MML with some syllables, comments and 'l' commands, LF and CR LF
//   notes  - MML notes only, CR LF
//   dense  - lyric lines with a syllable every few bytes
//   comment - mostly comment lines
//   mix    - seeded random plain MML, comments, 'l', a syllable a line or two
//   densemix - seeded random syllables, overrides and directive lines
//   varied - lyric lines as songs vary them: many keys, lengths, overrides
//   tiny   - a few lines
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "inputs.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(
        stderr,
        "usage: sylvo_generate plain|mix|notes|dense|densemix|varied|comment|tiny [bytes]\n");
    return 2;
  }
  size_t size = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1 << 20;
  std::string text = generate_input(argv[1], size);
  if (text.empty()) {
    std::fprintf(stderr, "sylvo_generate: unknown kind %s\n", argv[1]);
    return 2;
  }
  return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() ? 0 : 1;
}
