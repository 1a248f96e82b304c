// What the server's features share: places and texts of a document, and
// sylvo's lines.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>

#include "server/text.h"

namespace server {

using Json = nlohmann::json;

// Problems a document's diagnostics hold; the rest are counted in a last one.
inline constexpr size_t kProblemsMax = 1000;

// Text of the document's bytes as the client may take it: UTF-8.
inline std::string text_of(const Document& d, const char* bytes, size_t size) {
  return decode_text(reinterpret_cast<const unsigned char*>(bytes), size, d.encoding);
}

// A position as a client sends it; a field missing or of another type
// throws, and the request is answered InvalidParams.
inline Position position_of(const Json& p) {
  return {p.at("line").get<size_t>(), p.at("character").get<size_t>()};
}

// The end of the character that starts at `at`: a range that ends inside a
// character takes it whole.
inline size_t char_end(const Document& d, size_t at) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(d.bytes.data());
  size_t size;
  decode_char(p + at, p + d.bytes.size(), d.encoding, &size);
  return at + size;
}

inline const char* const kVowelNames[] = {"A", "I", "U", "E", "O"};

inline std::string voices_text(const unsigned char* voices) {
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

/// The semantic tokens' types, as the server's legend names them.
extern const Json kTokenTypes;

}  // namespace server
