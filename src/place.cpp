// What stands at a place of a song, for an editor: the syllable there with
// exactly what sylvo writes for it, and the voice sets in force. Listeners
// of the reader of the notation that stop once they are past the place.
#include <cstring>
#include <memory>
#include <new>

#include "entry.h"
#include "header.h"
#include "notation.h"
#include "run.h"
#include "scan.h"
#include "syllable.h"
#include "sylvo.h"

namespace {

// Thrown to end the reading once the place is passed.
struct Found {};

// Finds the syllable at byte `column` of line `line`, or the voice sets at
// that line's start.
class Finder {
 public:
  static constexpr bool kNotes = false;

  Finder(Run& run, unsigned long long line, size_t column, sylvo_syllable_info* info)
      : run_(run), line_(line), column_(column), info_(info) {}

  bool found = false;
  unsigned char voices[kVowels] = {};

  void begin_window(const unsigned char*) {}
  void end_window(const unsigned char*) {}
  void note(const unsigned char*) {}
  void directive(const notation::DirectiveLine&) {}
  void comment(const unsigned char*, const unsigned char*) {}
  void block(const unsigned char*, bool) {}
  void length_command(const notation::LengthCommand&) {}
  void loose_note(const unsigned char*) {}
  void fault(const notation::Fault&) {}

  void line(const unsigned char* start, const unsigned char*) {
    if (run_.line.LINE_NO > line_) throw Found{};
    start_ = start;
    if (run_.line.LINE_NO == line_ && !info_) {
      std::memcpy(voices, run_.voices.DefaultVoice, kVowels);
      found = true;
      throw Found{};
    }
  }

  void syllable(const notation::Syllable& s) {
    if (!info_ || run_.line.LINE_NO != line_) return;
    size_t from = static_cast<size_t>(s.open - start_), to = static_cast<size_t>(s.end - start_);
    if (column_ < from) throw Found{};
    if (column_ >= to || !s.row) return;
    sylvo_syllable_info& i = *info_;
    i.line = line_;
    i.start = from;
    i.length = to - from;
    std::memcpy(i.key, s.row->key, sizeof i.key);
    i.kana = sylvo_syllable_kana(i.key);
    std::memcpy(i.voices, run_.voices.CurrentVoice, kVowels);
    i.frames = s.row->frames;
    unsigned char text[kExpansionMax];
    i.expansion_size =
        make_expansion(run_.voices, *s.row, s.note, s.note_size, s.length, s.held, text);
    std::memcpy(i.expansion, text, i.expansion_size);
    i.expansion[i.expansion_size] = '\0';
    found = true;
    throw Found{};
  }

 private:
  Run& run_;
  unsigned long long line_;
  size_t column_;
  sylvo_syllable_info* info_;
  const unsigned char* start_ = nullptr;
};

// Reads the input with `finder` as the listener, to the place it looks for.
bool find(const void* input, size_t size, unsigned long long line, size_t column,
          sylvo_syllable_info* info, unsigned char* voices) {
  std::unique_ptr<Run> run(new (std::nothrow) Run);
  if (!run) return false;
  Memory memory{static_cast<const unsigned char*>(input), size};
  open_reading(*run, memory);
  Finder finder(*run, line, column, info);
  try {
    scan_header(*run);
    start_scan(*run);
    notation::Reader<Finder&>(*run, finder).read();
  } catch (...) {  // found, passed, or no header
  }
  if (voices) std::memcpy(voices, finder.voices, kVowels);
  return finder.found;
}

}  // namespace

int sylvo_syllable_at(const void* input, size_t size, unsigned long long line, size_t column,
                      sylvo_syllable_info* info) {
  if (!info || (!input && size != 0)) return 1;
  std::memset(info, 0, sizeof *info);
  info->kana = "";
  return find(input, size, line, column, info, nullptr) ? 0 : 1;
}

int sylvo_voices_at(const void* input, size_t size, unsigned long long line,
                    unsigned char voices[5]) {
  if (!voices || (!input && size != 0)) return 1;
  std::memset(voices, 0, kVowels);
  return find(input, size, line, 0, nullptr, voices) ? 0 : 1;
}

size_t sylvo_expand(const char* key, const unsigned char voices[5], char* out, size_t size) {
  if (!key || !voices || !out || size == 0) return 0;
  out[0] = '\0';
  const SyllableRow* row = syllable_by_key(key, std::strlen(key));
  if (!row) return 0;
  Voices v{};
  for (int i = 0; i < kVowels; ++i) {
    if (voices[i] > 9) return 0;
    v.CurrentVoice[i] = v.DefaultVoice[i] = voices[i];
  }
  const unsigned char note[] = {'c'};
  const unsigned char no_length[kLengthMax] = {};
  unsigned char text[kExpansionMax];
  size_t made = build_expansion(*row, v, note, 1, no_length, 0, text);
  if (made + 1 > size) return 0;
  std::memcpy(out, text, made);
  out[made] = '\0';
  return made;
}
