// What a Japanese input method left in full width types: （ＫＡ）ｃ８ for
// (KA)c8. The conversion copies such characters as the bytes they are; a
// check names them and suggests the ASCII they stand for, in UTF-8 and
// Shift-JIS songs alike, without knowing which a song is.
#pragma once

#include <cstddef>

#include "utf8.h"

/// A character of a line: the ASCII byte it is, or that it is the full-width
/// form of; 0 for any other character. `size` is its bytes.
struct WideChar {
  unsigned char ascii;
  bool full;  // typed in full width
  size_t size;
};

/// The full-width forms in Shift-JIS (code page 932) of the bytes the
/// notation acts on or reads: a second byte each, after the first byte 0x81
/// (a space and signs) or 0x82 (digits and letters).
struct SjisWide {
  unsigned char second, ascii;
};
constexpr SjisWide kSjisSigns[] = {
    {0x40, ' '}, {0x43, ','}, {0x44, '.'}, {0x46, ':'}, {0x47, ';'}, {0x5E, '/'},
    {0x69, '('}, {0x6A, ')'}, {0x7B, '+'}, {0x7C, '-'}, {0x93, '%'}, {0x94, '#'},
    {0x96, '*'}, {0x97, '@'}, {0x81, '='}, {0x51, '_'},
};

/// The character at `at`, before `end` (which it may not reach past).
/// UTF-8 is read as UTF-8, and any other byte 0x81-0x9F or 0xE0-0xFC as the
/// first of a Shift-JIS character of two bytes.
inline WideChar wide_char(const unsigned char* at, const unsigned char* end) {
  unsigned char c = at[0];
  if (c < 0x80) return {c, false, 1};
  Utf8Char u = decode_utf8(at, end);
  if (u.size != 0) {
    if (u.code >= 0xFF01 && u.code <= 0xFF5E)
      return {static_cast<unsigned char>(u.code - 0xFF01 + '!'), true, u.size};
    return {static_cast<unsigned char>(u.code == 0x3000 ? ' ' : 0), u.code == 0x3000, u.size};
  }
  bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
  if (!lead || end - at < 2) return {0, false, 1};
  unsigned char second = at[1];
  if (c == 0x82 && second >= 0x4F && second <= 0x58)
    return {static_cast<unsigned char>('0' + second - 0x4F), true, 2};
  if (c == 0x82 && second >= 0x60 && second <= 0x79)
    return {static_cast<unsigned char>('A' + second - 0x60), true, 2};
  if (c == 0x82 && second >= 0x81 && second <= 0x9A)
    return {static_cast<unsigned char>('a' + second - 0x81), true, 2};
  if (c == 0x81) {
    for (const SjisWide& w : kSjisSigns)
      if (w.second == second) return {w.ascii, true, 2};
  }
  return {0, false, 2};
}
