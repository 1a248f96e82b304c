#include "header.h"

#include <cstring>

#include "run.h"

long read_line(Reader& in, unsigned char* area) {
  size_t n = 0;
  for (;;) {
    if (n == kLineMax) return -1;  // tested before each byte, even the end
    if (in.cur == in.lim && !in.fill()) break;
    size_t avail = static_cast<size_t>(in.lim - in.cur);
    if (avail > kLineMax - n) avail = kLineMax - n;
    const void* nl = std::memchr(in.cur, '\n', avail);
    size_t take = nl ? static_cast<size_t>(static_cast<const unsigned char*>(nl) - in.cur) + 1 : avail;
    std::memcpy(area + n, in.cur, take);
    in.cur += take;
    n += take;
    if (nl) break;
  }
  area[n] = 0;
  return static_cast<long>(n);
}

void scan_header(Run& run) {
  Line& line = run.line;
  for (;;) {
    line.pos = 0;
    ++line.LINE_NO;
    long n = read_line(run.in, line.LineBuf);
    check(n != -1, kCantRead, run.in.name);
    if (n == 0) break;
    if (n >= 6 && std::memcmp(line.LineBuf, "#SYLVO", 6) == 0) {
      run.header_seen = true;
      ++line.LINE_NO;
      run.out.write(";", 1);
      run.out.write(line.LineBuf, static_cast<size_t>(n));
      break;
    }
    run.out.write(line.LineBuf, static_cast<size_t>(n));
  }
  check(run.header_seen, kNotSylvo, run.in.name);
}
