// JSON strings of a song's bytes, as sylvo-check and the page write them.
#pragma once

#include <cstdio>
#include <string>

#include "core/utf8.h"

/// How bytes above 0x7F go into a JSON string.
enum class JsonBytes {
  kUtf8,  // UTF-8 as it is, any other byte as \u00XX
  kEach,  // every byte as \u00XX, for a reader that decodes them in the file's encoding
};

/// Appends `size` bytes at `text` to `out` as a JSON string.
inline void append_json(std::string& out, const char* text, size_t size,
                        JsonBytes bytes = JsonBytes::kUtf8) {
  out += '"';
  for (size_t i = 0; i < size;) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t n = bytes == JsonBytes::kUtf8 ? decode_utf8(text + i, text + size).size : c < 0x80;
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (n == 0 || c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out.append(text + i, n);
      i += n;
      continue;
    }
    ++i;
  }
  out += '"';
}
