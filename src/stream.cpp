#include "stream.h"

#include <cstring>

void Reader::open(Source from, const char* display_name, size_t buffer_size) {
  source = from;
  name = display_name;
  cap = buffer_size == 0 || buffer_size > kStreamBuffer ? kStreamBuffer : buffer_size;
  cur = lim = buf;
  ended = false;
  buf[0] = 0;
}

bool Reader::more() {
  size_t kept = static_cast<size_t>(lim - cur);
  if (cur != buf) std::memmove(buf, cur, kept);
  cur = buf;
  lim = buf + kept;
  size_t room = kStreamBuffer + kCarryRoom - kept;
  if (ended || room == 0) return false;
  bool failed = false;
  size_t got = source.read(source.ctx, buf + kept, room < cap ? room : cap, &failed);
  check(!failed, kCantRead, name);
  ended = got == 0;
  lim += got;
  buf[kept + got] = 0;
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

void Writer::open(Sink to, const char* display_name, size_t buffer_size) {
  sink = to;
  name = display_name;
  cap = buffer_size == 0 || buffer_size > sizeof buf ? sizeof buf : buffer_size;
  pos = 0;
}

// A piece of a quarter buffer or more goes to the sink as it is, after what
// is held; a smaller one fills the buffer, which is sent out, and so on.
void Writer::write_through(const void* data, size_t size) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  if (size >= cap / 4) {
    flush(kWriteString);
    check(sink.write(sink.ctx, p, size), kWriteString, name);
    return;
  }
  while (size > cap - pos) {
    size_t part = cap - pos;
    std::memcpy(buf + pos, p, part);
    pos += part;
    p += part;
    size -= part;
    flush(kWriteString);
  }
  if (size != 0) std::memcpy(buf + pos, p, size);
  pos += size;
}

void Writer::flush(Kind kind) {
  if (pos == 0) return;
  size_t size = pos;
  pos = 0;
  check(sink.write(sink.ctx, buf, size), kind, name);
}

namespace {

size_t read_file(void* ctx, unsigned char* dst, size_t cap, bool* failed) {
  std::FILE* f = static_cast<std::FILE*>(ctx);
  size_t got = std::fread(dst, 1, cap, f);
  if (got < cap && std::ferror(f)) *failed = true;
  return got;
}

bool write_file(void* ctx, const unsigned char* data, size_t size) {
  return std::fwrite(data, 1, size, static_cast<std::FILE*>(ctx)) == size;
}

size_t read_memory(void* ctx, unsigned char* dst, size_t cap, bool*) {
  MemoryInput* in = static_cast<MemoryInput*>(ctx);
  size_t n = in->size;
  if (n > cap) n = cap;
  size_t most = in->chunk;
  if (most != 0 && in->vary != 0) {
    in->vary = in->vary * 1103515245u + 12345u;
    most = 1 + (in->vary >> 16) % most;
  }
  if (most != 0 && n > most) n = most;
  if (n != 0) std::memcpy(dst, in->data, n);
  in->data += n;
  in->size -= n;
  return n;
}

bool write_string(void* ctx, const unsigned char* data, size_t size) {
  static_cast<std::string*>(ctx)->append(reinterpret_cast<const char*>(data), size);
  return true;
}

}  // namespace

Source file_source(std::FILE* f) { return {read_file, f}; }
Sink file_sink(std::FILE* f) { return {write_file, f}; }
Source memory_source(MemoryInput* input) { return {read_memory, input}; }
Sink string_sink(std::string* out) { return {write_string, out}; }
