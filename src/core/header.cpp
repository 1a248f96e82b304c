#include "core/header.h"

#include <cstring>

#include "core/problems.h"
#include "core/report.h"
#include "core/run.h"

long read_line(Reader& in, unsigned char* area) {
  const unsigned char* end = in.lines();  // may move what in.cur points to
  long n = line_size(in.cur, end);
  if (n < 0) return -1;
  std::memcpy(area, in.cur, static_cast<size_t>(n));
  area[n] = 0;
  in.cur += n;
  return n;
}

void scan_header(Run& run) {
  Line& line = run.line;
  for (;;) {
    line.pos = 0;
    ++line.LINE_NO;
    long n = read_line(run.in, line.LineBuf);
    if (n == -1) {
      if (!run.problems) fail(SYLVO_CANT_READ, {line.LINE_NO, kLineMax});
      // A check counts it and goes on at the next line; the header may be
      // the long line itself.
      Advice advice;
      advice.explain("this line is longer than the {1} bytes a line holds", {kLineMax});
      run.problems->add(SYLVO_ERROR, SYLVO_CANT_READ, {line.LINE_NO, kLineMax}, kLineMax, 1, line,
                        &advice);
      bool header = std::memcmp(run.in.cur, "#SYLVO", 6) == 0;
      run.in.skip_line();
      if (header) {
        run.header_seen = true;
        ++line.LINE_NO;
        break;
      }
      continue;
    }
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
  check(run.header_seen, SYLVO_NOT_SYLVO);
}
