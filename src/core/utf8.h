// UTF-8 as the library reads it: one decoder for lyrics, and for the JSON
// that the programs and the page write.
#pragma once

#include <cstddef>

/// A character and its size in bytes: a size of 0 where the bytes are no
/// UTF-8 (overlong, a surrogate, past U+10FFFF, cut off).
struct Utf8Char {
  unsigned code;
  size_t size;
};

/// The character at p, before `end`.
template <typename Byte>
constexpr Utf8Char decode_utf8(const Byte* p, const Byte* end) {
  unsigned c = static_cast<unsigned char>(p[0]);
  size_t size = c < 0x80                ? 1
                : c >= 0xC2 && c < 0xE0 ? 2
                : c >= 0xE0 && c < 0xF0 ? 3
                : c >= 0xF0 && c < 0xF5 ? 4
                                        : 0;
  if (size == 0 || static_cast<size_t>(end - p) < size) return {0, 0};
  unsigned code = size == 1 ? c : c & (0x7Fu >> size);
  for (size_t i = 1; i < size; ++i) {
    unsigned b = static_cast<unsigned char>(p[i]);
    if ((b & 0xC0) != 0x80) return {0, 0};
    code = code << 6 | (b & 0x3Fu);
  }
  constexpr unsigned kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kLeast[size] || (code >= 0xD800 && code < 0xE000) || code > 0x10FFFF) return {0, 0};
  return {code, size};
}
