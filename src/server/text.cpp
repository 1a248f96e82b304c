#include "server/text.h"

#include <memory>

#include "core/utf8.h"
#include "programs/platform.h"

namespace {

// Code page 932 both ways, built once from what the system converts: every
// single byte, and every lead byte with every trail byte.
struct Cp932 {
  char16_t single[256] = {};
  char16_t pair[256][256] = {};  // [lead][trail]
  unsigned short to_bytes[0x10000] =
      {};  // a BMP code point's bytes: 0x00XX one, 0xLLTT two; 0 none

  static bool is_lead(unsigned c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

  Cp932() {
    for (unsigned c = 0; c < 256; ++c) {
      const unsigned char b = static_cast<unsigned char>(c);
      char32_t code = is_lead(c) ? 0 : c < 0x80 ? c : cp932_char(&b, 1);
      single[c] = static_cast<char16_t>(code <= 0xFFFF ? code : 0);
      if (single[c] && !to_bytes[single[c]]) to_bytes[single[c]] = static_cast<unsigned short>(c);
    }
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
      if (!is_lead(lead)) continue;
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
        if (trail == 0x7F) continue;
        const unsigned char b[2] = {static_cast<unsigned char>(lead),
                                    static_cast<unsigned char>(trail)};
        char32_t code = cp932_char(b, 2);
        if (code == 0 || code > 0xFFFF) continue;
        pair[lead][trail] = static_cast<char16_t>(code);
        if (!to_bytes[code]) to_bytes[code] = static_cast<unsigned short>(lead << 8 | trail);
      }
    }
  }

  static const Cp932& get() {
    static std::unique_ptr<Cp932> table(new Cp932);
    return *table;
  }
};

// The units of code point `c` a client counts.
size_t units_of(char32_t c, Units units) {
  if (units == Units::kUtf16) return c > 0xFFFF ? 2 : 1;
  return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

}  // namespace

char32_t decode_char(const unsigned char* p, const unsigned char* end, Encoding encoding,
                     size_t* size) {
  if (encoding == Encoding::kUtf8) {
    Utf8Char c = decode_utf8(p, end);
    *size = c.size ? c.size : 1;
    return c.size ? c.code : 0xFFFD;
  }
  const Cp932& t = Cp932::get();
  if (Cp932::is_lead(*p) && end - p >= 2 && t.pair[*p][p[1]]) {
    *size = 2;
    return t.pair[*p][p[1]];
  }
  *size = 1;
  return *p < 0x80 ? *p : t.single[*p] ? t.single[*p] : 0xFFFD;
}

bool encode_char(char32_t c, Encoding encoding, std::string& out) {
  if (encoding == Encoding::kUtf8) {
    char bytes[4];
    size_t n = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    if (n == 1) {
      bytes[0] = static_cast<char>(c);
    } else {
      for (size_t i = n - 1; i > 0; --i, c >>= 6) bytes[i] = static_cast<char>(0x80 | (c & 0x3F));
      bytes[0] = static_cast<char>((0xF0 << (4 - n)) | c);
    }
    out.append(bytes, n);
    return true;
  }
  if (c < 0x80) {
    out += static_cast<char>(c);
    return true;
  }
  unsigned bytes = c <= 0xFFFF ? Cp932::get().to_bytes[c] : 0;
  if (bytes == 0) {
    out += '?';
    return false;
  }
  if (bytes > 0xFF) out += static_cast<char>(bytes >> 8);
  out += static_cast<char>(bytes & 0xFF);
  return true;
}

std::string encode_text(const std::string& text, Encoding encoding, size_t* lost) {
  if (lost) *lost = 0;
  if (encoding == Encoding::kUtf8) return text;
  std::string out;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char* end = p + text.size();
  while (p < end) {
    size_t n;
    char32_t c = decode_char(p, end, Encoding::kUtf8, &n);
    if (!encode_char(c, encoding, out) && lost) ++*lost;
    p += n;
  }
  return out;
}

std::string decode_text(const unsigned char* bytes, size_t size, Encoding encoding) {
  std::string out;
  for (const unsigned char *p = bytes, *end = bytes + size; p < end;) {
    size_t n;
    encode_char(decode_char(p, end, encoding, &n), Encoding::kUtf8, out);
    p += n;
  }
  return out;
}

bool is_utf8(const unsigned char* bytes, size_t size) {
  for (const unsigned char *p = bytes, *end = bytes + size; p < end;) {
    Utf8Char c = decode_utf8(p, end);
    if (c.size == 0) return false;
    p += c.size;
  }
  return true;
}

size_t Document::offset(Position position, Units units) const {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const unsigned char* end = p + bytes.size();
  const unsigned char* at = p;
  for (size_t line = 0; line < position.line; ++line) {  // LF, CR LF and CR end lines
    while (at < end && *at != '\n' && *at != '\r') ++at;
    if (at == end) return bytes.size();
    at += *at == '\r' && at + 1 < end && at[1] == '\n' ? 2 : 1;
  }
  for (size_t counted = 0; at < end && *at != '\n' && *at != '\r';) {
    size_t n;
    char32_t c = decode_char(at, end, encoding, &n);
    counted += units_of(c, units);
    if (counted > position.character) break;
    at += n;
  }
  return static_cast<size_t>(at - p);
}

Position Document::position(size_t offset, Units units, size_t from, Position from_position,
                            size_t* at) const {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const unsigned char* end = p + (offset < bytes.size() ? offset : bytes.size());
  const unsigned char* stop = p + bytes.size();
  Position place = from_position;
  const unsigned char* q = p + from;
  while (q < end) {
    if (*q == '\n' || *q == '\r') {
      q += *q == '\r' && q + 1 < stop && q[1] == '\n' ? 2 : 1;
      ++place.line;
      place.character = 0;
      continue;
    }
    size_t n;
    char32_t c = decode_char(q, stop, encoding, &n);
    if (q + n > end) break;  // the place is inside this character
    place.character += units_of(c, units);
    q += n;
  }
  if (at) *at = static_cast<size_t>(q - p);
  return place;
}

size_t Document::replace(size_t from, size_t to, const std::string& text) {
  if (from > bytes.size()) from = bytes.size();
  if (to > bytes.size()) to = bytes.size();
  if (to < from) to = from;
  size_t lost;
  bytes.replace(from, to - from, encode_text(text, encoding, &lost));
  return lost;
}
