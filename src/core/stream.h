// Buffered byte streams with fixed buffers: the input, handed over as whole
// lines, and the output. Each works on any source or sink the caller gives.
#pragma once

#include <cstddef>
#include <cstring>

#include "core/report.h"

/// Size of each stream's fixed buffer, and of one read.
constexpr size_t kStreamBuffer = size_t{64} * 1024;

/// Room in the input buffer beyond one read for the unfinished line carried
/// over to the next: more than the longest line the conversion accepts
/// (2048 stored bytes, two more for each override, a comment's own 2048).
constexpr size_t kCarryRoom = size_t{16} * 1024;

/// Bytes after the input that may be loaded but never count, all zero: a
/// 16-byte load that starts at the last byte stays inside the buffer and
/// reads only bytes the reader wrote.
constexpr size_t kLoadSlack = 16;

/// Where input bytes come from (see sylvo_read_fn).
struct Source {
  sylvo_read_fn read;
  void* ctx;
};

/// Where output bytes go (see sylvo_write_fn).
struct Sink {
  sylvo_write_fn write;
  void* ctx;
};

/// The input stream. Bytes in [cur, lim) are read and not yet taken; *lim
/// is always 0, so a loop over digits or letters stops there, and so are
/// the kLoadSlack bytes after it.
struct Reader {
  const unsigned char* cur;
  const unsigned char* lim;
  unsigned long long taken;  // bytes of the input before buf[0]
  bool ended;                // the source has given its last byte
  Source source;
  size_t cap;  // how much one read asks for (tests make it small)
  unsigned char buf[kStreamBuffer + kCarryRoom + 1 + kLoadSlack];

  /// Starts reading from `source`, at most `buffer_size` bytes a read (0 or
  /// more than kStreamBuffer: kStreamBuffer).
  void open(Source source, size_t buffer_size = 0);

  /// The end of the whole lines held from cur on: just after the last
  /// newline read, reading more while none is held. At the end of input,
  /// or when one line fills the whole buffer, it is lim.
  const unsigned char* lines();

  /// Moves what is held from cur on to the front and reads more after it;
  /// false if nothing more came (the end of input, or a full buffer). A read
  /// error fails with SYLVO_CANT_READ.
  bool more();

  /// Takes the bytes through the next newline, reading more as needed;
  /// false if the input ended first.
  bool skip_line();

  /// Where the byte at p (in the buffer) stands in the whole input.
  unsigned long long offset(const unsigned char* p) const {
    return taken + static_cast<unsigned long long>(p - buf);
  }
};

/// The output stream. Write failures surface when the buffer goes out; they
/// fail the run with the kind of the write that sent it.
struct Writer {
  size_t pos;
  size_t cap;
  Sink sink;
  unsigned char buf[kStreamBuffer];

  /// Starts writing to `sink`, sending the buffer out whenever `buffer_size`
  /// bytes are held (0 or more than the buffer: the whole buffer).
  void open(Sink sink, size_t buffer_size = 0);

  /// Writes one byte; a failure is SYLVO_WRITE_CHAR.
  void put(unsigned char c) {
    if (pos == cap) flush(SYLVO_WRITE_CHAR);
    buf[pos++] = c;
  }

  /// Writes `size` bytes; a failure is SYLVO_WRITE_STRING. A zero size succeeds.
  void write(const void* data, size_t size) {
    if (size <= cap - pos && size < cap / 4) {
      if (size != 0) std::memcpy(buf + pos, data, size);
      pos += size;
    } else {
      write_through(data, size);
    }
  }

  /// Room for `size` more bytes, sending the buffer out first if need be (a
  /// failure is SYLVO_WRITE_STRING); null if the buffer is smaller than
  /// `size`. What is put there is written by commit().
  unsigned char* room(size_t size) {
    if (cap - pos < size) {
      if (cap < size) return nullptr;
      flush(SYLVO_WRITE_STRING);
    }
    return buf + pos;
  }
  void commit(size_t size) { pos += size; }

  /// Writes `size` bytes of `data`, from which `Padded` bytes (at least
  /// `size`) may be read: as one copy of a fixed size where they fit.
  template <size_t Padded>
  void write_padded(const void* data, size_t size) {
    if (cap - pos < Padded) return write_through(data, size);
    std::memcpy(buf + pos, data, Padded);
    pos += size;
  }

  /// Sends out everything held; a failure fails the run with `kind`.
  void flush(sylvo_kind kind);

 private:
  void write_through(const void* data, size_t size);
};
