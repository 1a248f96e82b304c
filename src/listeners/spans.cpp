// The spans of a song, for an editor to colour what the conversion does:
// a listener of the reader of the notation that notes where each construct
// stands, line by line.
#include <cstring>
#include <memory>
#include <new>

#include "core/entry.h"
#include "core/header.h"
#include "core/notation.h"
#include "core/run.h"
#include "listeners/scan.h"
#include "sylvo.h"

namespace {

// Where the spans go: those on the lines asked for, while there is room,
// and the count of them all.
struct Spans {
  sylvo_span* kept;
  size_t max;
  unsigned long long first, last;  // the lines asked for; last 0: to the end
  size_t count;

  void add(sylvo_span_kind kind, unsigned long long line, size_t start, size_t length) {
    if (length == 0 || line < first || (last != 0 && line > last)) return;
    if (count < max) kept[count] = {kind, line, start, length};
    ++count;
  }
};

class Spanner {
 public:
  static constexpr bool kNotes = false;
  static constexpr bool kWide = false;

  Spanner(const Run& run, Spans& spans) : run_(run), spans_(spans) {}

  void begin_window(const unsigned char*) {}
  void end_window(const unsigned char*) {}
  void note(const unsigned char*) {}
  const unsigned char* wide(const unsigned char* at) { return at + 1; }
  void fault(const notation::Fault&) {}  // what can be read around it is coloured all the same

  void line(const unsigned char* start, const unsigned char*) {
    unsigned long long at = run_.in.offset(start);
    if (in_comment_ && at > line_at_) {
      add(SYLVO_SPAN_COMMENT, comment_from_, at - 1 - line_at_ - comment_from_);
    }
    line_at_ = at;
    line_ = run_.line.LINE_NO;
    comment_from_ = 0;
  }
  void directive(const notation::DirectiveLine& d) {
    if (d.in_comment) return;  // the block comment's own
    add(d.result.applied ? SYLVO_SPAN_DIRECTIVE : SYLVO_SPAN_HASH_LINE, 0,
        without_newline(d.hash, d.size + 1));
  }
  void comment(const unsigned char* at, const unsigned char* to) {
    add(SYLVO_SPAN_COMMENT, column(at), without_newline(at, static_cast<size_t>(to - at)));
  }
  void block(const unsigned char* at, bool opens) {
    if (opens) {
      in_comment_ = true;
      comment_from_ = column(at);
    } else {
      in_comment_ = false;
      add(SYLVO_SPAN_COMMENT, comment_from_, column(at) + 2 - comment_from_);
    }
  }
  void length_command(const notation::LengthCommand& l) {
    add(SYLVO_SPAN_LENGTH_COMMAND, column(l.at), static_cast<size_t>(l.end - l.at));
  }
  void loose_note(const unsigned char* paren) { add(SYLVO_SPAN_NOTE, column(paren + 1), 1); }
  void syllable(const notation::Syllable& s) {
    add(SYLVO_SPAN_SYLLABLE, column(s.open), static_cast<size_t>(s.end - s.open));
    for (const unsigned char* k = s.key; k < s.close;) {
      const unsigned char* from = k;
      if (*k == '@') {
        add(SYLVO_SPAN_OVERRIDE, column(k), 3);
        k += 3;
        continue;
      }
      while (k < s.close && *k != '@') ++k;
      add(SYLVO_SPAN_KEY, column(from), static_cast<size_t>(k - from));
    }
    add(SYLVO_SPAN_NOTE, column(s.note), s.note_size);
    if (s.own) add(SYLVO_SPAN_LENGTH, column(s.own), static_cast<size_t>(s.end - s.own));
  }

  /// The rest of a block comment still open at the end.
  void finish(unsigned long long end) {
    if (in_comment_ && end > line_at_) {
      add(SYLVO_SPAN_COMMENT, comment_from_, end - line_at_ - comment_from_);
    }
  }

 private:
  size_t column(const unsigned char* p) const {
    return static_cast<size_t>(run_.in.offset(p) - line_at_);
  }
  static size_t without_newline(const unsigned char* p, size_t size) {
    return size != 0 && p[size - 1] == '\n' ? size - 1 : size;
  }
  void add(sylvo_span_kind kind, size_t start, unsigned long long length) {
    spans_.add(kind, line_, start, static_cast<size_t>(length));
  }

  const Run& run_;
  Spans& spans_;
  unsigned long long line_at_ = 0;  // where the current line starts in the input
  unsigned long long line_ = 0;
  bool in_comment_ = false;
  size_t comment_from_ = 0;  // where the open block comment starts in the current line
};

}  // namespace

size_t sylvo_spans(const void* input, size_t size, unsigned long long first_line,
                   unsigned long long last_line, sylvo_span* spans, size_t max_spans) {
  if (!input) size = 0;
  std::unique_ptr<Run> run(new (std::nothrow) Run);
  if (!run) return 0;
  const unsigned char* bytes = static_cast<const unsigned char*>(input);
  Memory memory{bytes, size};
  Spans found{spans, spans ? max_spans : 0, first_line, last_line, 0};
  open_reading(*run, memory);
  try {
    scan_header(*run);
    // The header line ends where the reading goes on.
    size_t header_end = static_cast<size_t>(run->in.offset(run->in.cur)), from = header_end;
    while (from > 0 && bytes[from - 1] != '\n') --from;
    if (from == header_end && from > 0) {  // after its newline
      --from;
      while (from > 0 && bytes[from - 1] != '\n') --from;
    }
    size_t header = header_end - from;
    while (header > 0 && (bytes[from + header - 1] == '\n')) --header;
    found.add(SYLVO_SPAN_HEADER, run->line.LINE_NO - 1, 0, header);
    start_scan(*run);
    Spanner spanner(*run, found);
    notation::Reader<Spanner&>(*run, spanner).read();
    size_t end = static_cast<size_t>(run->in.offset(run->in.cur));
    spanner.finish(end != 0 && bytes[end - 1] == '\n' ? end - 1 : end);
  } catch (...) {  // no header, or a line before it the conversion cannot read
  }
  return found.count;
}
