// Buffered byte streams with fixed buffers: the input, handed over as whole
// lines, and the output. Each works on any source or sink: a file, or
// memory in tests.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include "report.h"

/// Size of each stream's fixed buffer, and of one read.
constexpr size_t kStreamBuffer = size_t{64} * 1024;

/// Room in the input buffer beyond one read for the unfinished line carried
/// over to the next: more than the longest line the conversion accepts
/// (2048 stored bytes, two more for each override, a comment's own 2048).
constexpr size_t kCarryRoom = size_t{16} * 1024;

/// Bytes after the input that may be loaded but never count: a 16-byte
/// vector load that starts at the last byte stays inside the buffer.
constexpr size_t kLoadSlack = 16;

/// The end of input: a value outside 0-255, so every byte value is ordinary.
constexpr int kEnd = -1;

/// Where input bytes come from. `read` fills up to `cap` bytes and returns
/// how many; 0 is the end of input. It sets `*failed` on a read error.
struct Source {
  size_t (*read)(void* ctx, unsigned char* dst, size_t cap, bool* failed);
  void* ctx;
};

/// Where output bytes go. `write` returns false if not all bytes were written.
struct Sink {
  bool (*write)(void* ctx, const unsigned char* data, size_t size);
  void* ctx;
};

/// The input stream. Bytes in [cur, lim) are read and not yet taken, and
/// *lim is always 0, so a loop over digits or letters stops there.
struct Reader {
  const unsigned char* cur;
  const unsigned char* lim;
  bool ended;  // the source has given its last byte
  Source source;
  size_t cap;        // how much one read asks for (tests make it small)
  const char* name;  // InFileName, for "Can't read file"
  unsigned char buf[kStreamBuffer + kCarryRoom + 1 + kLoadSlack];

  /// Starts reading from `source`, at most `buffer_size` bytes a read (0 or
  /// more than kStreamBuffer: kStreamBuffer).
  void open(Source source, const char* name, size_t buffer_size = 0);

  /// The next byte, or kEnd. A read error fails with kCantRead.
  int get() { return cur != lim || more() ? *cur++ : kEnd; }

  /// The end of the whole lines held from cur on: just after the last
  /// newline read, reading more while none is held. At the end of input,
  /// or when one line fills the whole buffer, it is lim.
  const unsigned char* lines();

  /// Moves what is held from cur on to the front and reads more after it;
  /// false if nothing more came (the end of input, or a full buffer).
  bool more();
};

/// The output stream. Write failures surface when the buffer goes out; they
/// fail the run with the kind of the write that sent it.
struct Writer {
  size_t pos;
  size_t cap;
  Sink sink;
  const char* name;  // OutFileName, for the write failure messages
  unsigned char buf[kStreamBuffer];

  /// Starts writing to `sink`, sending the buffer out whenever `buffer_size`
  /// bytes are held (0 or more than the buffer: the whole buffer).
  void open(Sink sink, const char* name, size_t buffer_size = 0);

  /// Writes one byte; a failure is kWriteChar.
  void put(unsigned char c) {
    if (pos == cap) flush(kWriteChar);
    buf[pos++] = c;
  }

  /// Writes `size` bytes; a failure is kWriteString. A zero size succeeds.
  void write(const void* data, size_t size) {
    if (size <= cap - pos && size < cap / 4) {
      if (size != 0) std::memcpy(buf + pos, data, size);
      pos += size;
    } else {
      write_through(data, size);
    }
  }

  /// Room for `size` more bytes, sending the buffer out first if need be (a
  /// failure is kWriteString); null if the buffer is smaller than `size`.
  /// What is put there is written by commit().
  unsigned char* room(size_t size) {
    if (cap - pos < size) {
      if (cap < size) return nullptr;
      flush(kWriteString);
    }
    return buf + pos;
  }
  void commit(size_t size) { pos += size; }

  /// Sends out everything held; a failure fails the run with `kind`.
  void flush(Kind kind);

 private:
  void write_through(const void* data, size_t size);
};

/// A source reading a stdio stream; a read error sets `*failed`.
Source file_source(std::FILE* f);
/// A sink writing a stdio stream.
Sink file_sink(std::FILE* f);

/// Memory given to a memory source: the bytes, and how many at most each read
/// hands over (0: as many as asked), so tests can split the input anywhere.
/// A non-zero `vary` makes each read hand over between 1 and `chunk` bytes,
/// chosen by a small generator whose state it is.
struct MemoryInput {
  const unsigned char* data;
  size_t size;
  size_t chunk;
  unsigned vary;
};
Source memory_source(MemoryInput* input);
/// A sink appending to a string.
Sink string_sink(std::string* out);
