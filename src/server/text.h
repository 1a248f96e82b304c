// A document of the language server: the file's bytes in its own encoding,
// which the library reads, and positions as the client counts them in the
// Unicode text it shows. Positions are converted here, at the edge, once.
#pragma once

#include <cstddef>
#include <string>

/// How the file's bytes are text.
enum class Encoding {
  kUtf8,
  kCp932,  // Shift-JIS, as code page 932
};

/// What a client counts a position's character in.
enum class Units {
  kUtf16,  // the protocol's default
  kUtf8,
};

/// A place as the protocol gives it: a line (ended by LF, CR LF or CR) and
/// a character in it, both from 0.
struct Position {
  size_t line;
  size_t character;
};

/// The character at p (before `end`) in `encoding`: its code point, 0xFFFD
/// for bytes that make none, and its bytes in `*size` (one for a byte that
/// makes none).
char32_t decode_char(const unsigned char* p, const unsigned char* end, Encoding encoding,
                     size_t* size);

/// Appends code point `c` to `out` in `encoding`; false (and '?' written)
/// if the encoding has no such character.
bool encode_char(char32_t c, Encoding encoding, std::string& out);

/// The bytes of UTF-8 `text` in `encoding`; `*lost` (unless null) counts
/// the characters the encoding could not hold, each written as '?'.
std::string encode_text(const std::string& text, Encoding encoding, size_t* lost = nullptr);

/// The UTF-8 of `size` bytes at `bytes` in `encoding`; a byte that makes no
/// character becomes U+FFFD.
std::string decode_text(const unsigned char* bytes, size_t size, Encoding encoding);

/// Whether the bytes are all UTF-8.
bool is_utf8(const unsigned char* bytes, size_t size);

/// The text of one open document.
struct Document {
  std::string bytes;
  Encoding encoding = Encoding::kUtf8;
  long long version = 0;

  /// The byte where `position` is, counted in `units`; past a line's end,
  /// its end; past the last line, the end.
  size_t offset(Position position, Units units) const;

  /// The position of the byte at `offset` (of the character it is in),
  /// found from `from` at `from_position` on (a character's first byte at or
  /// before it, to convert many places in one pass); `*at` (unless null)
  /// gets the first byte of that character.
  Position position(size_t offset, Units units, size_t from = 0, Position from_position = {0, 0},
                    size_t* at = nullptr) const;

  /// Replaces the bytes from `from` to `to` with UTF-8 `text` in the
  /// document's encoding; returns the characters it could not hold.
  size_t replace(size_t from, size_t to, const std::string& text);
};
