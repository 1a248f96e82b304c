#include "listeners/scan.h"

#include <cstring>

#include "core/notation.h"
#include "core/report.h"
#include "core/run.h"
#include "core/syllable.h"

namespace {

// The conversion as a listener of the reader: every byte is written as it
// is, but a syllable, which becomes its expansion; the ')' before a loose
// note, which is left out; and a directive, which becomes a ";#" comment.
// The first fault ends the run.
class Converter {
 public:
  static constexpr bool kNotes = false;
  static constexpr bool kWide = false;

  explicit Converter(Run& run) : out_(run.out), voices_(run.voices) {}

  void begin_window(const unsigned char* at) { copied_ = at; }
  void line(const unsigned char*, const unsigned char*) {}
  void directive(const notation::DirectiveLine& d) {
    if (!d.result.applied) return;
    copy_through(d.hash);
    out_.put(';');
  }
  void comment(const unsigned char*, const unsigned char*) {}
  void block(const unsigned char*, bool) {}
  void length_command(const notation::LengthCommand&) {}
  void note(const unsigned char*) {}
  const unsigned char* wide(const unsigned char* at) { return at + 1; }
  void loose_note(const unsigned char* paren) {
    copy_through(paren);
    copied_ = paren + 1;
  }
  void syllable(const notation::Syllable& s) {
    copy_through(s.open);
    copied_ = s.end;
    // Made in the output buffer where it has the room: copying a text just
    // made would stall on its many small stores.
    unsigned char local[kExpansionMax];
    unsigned char* to = out_.room(kExpansionMax);
    // A syllable without a row comes only after its fault, which ends the run.
    size_t n = make_expansion(voices_, *s.row,  // NOLINT(clang-analyzer-core.NonNullParamChecker)
                              s.note, s.note_size, s.length, s.held, to ? to : local);
    to ? out_.commit(n) : out_.write(local, n);
  }
  void end_window(const unsigned char* end) { copy_through(end); }
  [[noreturn]] void fault(const notation::Fault& f) { fail(f.kind, f.where); }

 private:
  // Writes the input up to `to` that is still to be written as it is; a few
  // bytes, as between syllables, in one 16-byte copy.
  void copy_through(const unsigned char* to) {
    size_t n = static_cast<size_t>(to - copied_);
    if (n > 16) {
      out_.write(copied_, n);
    } else if (n != 0) {
      out_.write_padded<16>(copied_, n);
    }
    copied_ = to;
  }

  Writer& out_;
  Voices& voices_;                         // an override lasts to the end of its syllable
  const unsigned char* copied_ = nullptr;  // the input before this is written or replaced
};

}  // namespace

void start_scan(Run& run) {
  run.voices = Voices{};  // every set 0
  std::memset(&run.scan, 0, sizeof run.scan);
  run.line.pos = 0;
}

void scan(Run& run) {
  start_scan(run);
  notation::Reader<Converter>(run, Converter(run)).read();
}
