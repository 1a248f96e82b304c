#include "core/stream.h"

#include <cstring>

void Reader::open(Source from, size_t buffer_size) {
  source = from;
  cap = buffer_size == 0 || buffer_size > kStreamBuffer ? kStreamBuffer : buffer_size;
  cur = lim = buf;
  taken = 0;
  ended = false;
  std::memset(buf, 0, 1 + kLoadSlack);
}

bool Reader::more() {
  size_t kept = static_cast<size_t>(lim - cur);
  taken += static_cast<unsigned long long>(cur - buf);
  if (cur != buf) std::memmove(buf, cur, kept);
  cur = buf;
  lim = buf + kept;
  std::memset(buf + kept, 0, 1 + kLoadSlack);
  size_t room = kStreamBuffer + kCarryRoom - kept;
  if (ended || room == 0) return false;
  int failed = 0;
  size_t got = source.read(source.ctx, buf + kept, room < cap ? room : cap, &failed);
  check(!failed, SYLVO_CANT_READ);
  ended = got == 0;
  lim += got;
  std::memset(buf + kept + got, 0, 1 + kLoadSlack);
  return got != 0;
}

const unsigned char* Reader::lines() {
  const unsigned char* from = cur;  // no newline held before here
  for (;;) {
    for (const unsigned char* p = lim; p != from;) {
      if (*--p == '\n') return p + 1;
    }
    size_t searched = static_cast<size_t>(lim - cur);
    if (!more()) return lim;
    from = cur + searched;
  }
}

bool Reader::skip_line() {
  for (;;) {
    if (const void* nl = std::memchr(cur, '\n', static_cast<size_t>(lim - cur))) {
      cur = static_cast<const unsigned char*>(nl) + 1;
      return true;
    }
    cur = lim;
    if (!more()) return false;
  }
}

void Writer::open(Sink to, size_t buffer_size) {
  sink = to;
  cap = buffer_size == 0 || buffer_size > sizeof buf ? sizeof buf : buffer_size;
  pos = 0;
}

// A piece of a quarter buffer or more goes to the sink as it is, after what
// is held; a smaller one fills the buffer, which is sent out, and so on.
void Writer::write_through(const void* data, size_t size) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  if (size >= cap / 4) {
    flush(SYLVO_WRITE_STRING);
    check(sink.write(sink.ctx, p, size), SYLVO_WRITE_STRING);
    return;
  }
  while (size > cap - pos) {
    size_t part = cap - pos;
    std::memcpy(buf + pos, p, part);
    pos += part;
    p += part;
    size -= part;
    flush(SYLVO_WRITE_STRING);
  }
  if (size != 0) std::memcpy(buf + pos, p, size);
  pos += size;
}

void Writer::flush(sylvo_kind kind) {
  if (pos == 0) return;
  size_t size = pos;
  pos = 0;
  check(sink.write(sink.ctx, buf, size), kind);
}
