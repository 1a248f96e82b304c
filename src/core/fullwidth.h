// What a Japanese input method left in full width types: （ＫＡ）ｃ８ for
// (KA)c8. The conversion copies such characters as the bytes they are; a
// check names them and suggests the ASCII they stand for, in UTF-8 and
// Shift-JIS songs alike, without knowing which a song is.
#pragma once

#include <cstddef>

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

/// The bytes of the character at `at`, before `end` (which it may not
/// reach past): a UTF-8 character's, a Shift-JIS character's of two bytes
/// (a byte 0x81-0x9F or 0xE0-0xFC before a byte 0x40-0x7E or 0x80-0xFC),
/// else 1. Bytes that make UTF-8 are read as UTF-8.
inline size_t char_size(const unsigned char* at, const unsigned char* end) {
  unsigned c = at[0];
  if (c < 0x80) return 1;
  size_t left = static_cast<size_t>(end - at);
  size_t n = c >= 0xC2 && c < 0xE0 ? 2 : c >= 0xE0 && c < 0xF0 ? 3 : c >= 0xF0 && c < 0xF5 ? 4 : 0;
  if (n != 0 && n <= left) {
    size_t i = 1;
    while (i < n && (at[i] & 0xC0) == 0x80) ++i;
    if (i == n) return n;
  }
  bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
  unsigned second = left < 2 ? 0 : at[1];
  return lead && second >= 0x40 && second != 0x7F && second <= 0xFC ? 2 : 1;
}

/// The character at `at`, before `end`, as char_size() reads it: full
/// width where it is U+FF01 to U+FF5E or U+3000 in UTF-8, or one of those
/// in Shift-JIS.
inline WideChar wide_char(const unsigned char* at, const unsigned char* end) {
  unsigned char c = at[0];
  size_t size = char_size(at, end);
  if (size == 3 && (c == 0xEF || c == 0xE3)) {
    unsigned code = (c & 0x0Fu) << 12 | (at[1] & 0x3Fu) << 6 | (at[2] & 0x3Fu);
    if (code >= 0xFF01 && code <= 0xFF5E)
      return {static_cast<unsigned char>(code - 0xFF01 + '!'), true, 3};
    if (code == 0x3000) return {' ', true, 3};
  } else if (size == 2 && (c == 0x81 || c == 0x82)) {
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
  } else if (size == 1) {
    return {static_cast<unsigned char>(c < 0x80 ? c : 0), false, 1};
  }
  return {0, false, size};
}
