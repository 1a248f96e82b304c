// What stands at a place of a song, for an editor: the syllable there with
// exactly what sylvo writes for it, the voice sets in force, and what may
// be completed there. Listeners of the reader of the notation that stop
// once they are past the place.
#include <cstring>
#include <memory>
#include <new>

#include "core/entry.h"
#include "core/header.h"
#include "core/notation.h"
#include "core/run.h"
#include "core/syllable.h"
#include "listeners/scan.h"
#include "sylvo.h"

namespace {

// Thrown to end the reading once the place is passed.
struct Found {};

// Finds the syllable at byte `column` of line `line`, or the voice sets at
// that line's start.
class Finder {
 public:
  static constexpr bool kNotes = false;
  static constexpr bool kWide = false;

  Finder(Run& run, unsigned long long line, size_t column, sylvo_syllable_info* info)
      : run_(run), line_(line), column_(column), info_(info) {}

  bool found = false;
  unsigned char voices[kVowels] = {};

  void begin_window(const unsigned char*) {}
  void end_window(const unsigned char*) {}
  void note(const unsigned char*) {}
  const unsigned char* wide(const unsigned char* at) { return at + 1; }
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

int sylvo_completion_at(const void* input, size_t size, unsigned long long line, size_t column,
                        sylvo_completion* completion) {
  if (!completion || (!input && size != 0)) return 1;
  *completion = sylvo_completion{SYLVO_COMPLETE_NOTHING, column, {}};
  if (!find(input, size, line, 0, nullptr, completion->voices)) return 1;
  // The line, to the place.
  const unsigned char* bytes = static_cast<const unsigned char*>(input);
  size_t at = 0;
  for (unsigned long long n = 1; n < line; ++n) {
    const void* newline = std::memchr(bytes + at, '\n', size - at);
    if (!newline) return 1;
    at = static_cast<size_t>(static_cast<const unsigned char*>(newline) - bytes) + 1;
  }
  const unsigned char* end =
      static_cast<const unsigned char*>(std::memchr(bytes + at, '\n', size - at));
  size_t length = end ? static_cast<size_t>(end - bytes) - at : size - at;
  const unsigned char* text = bytes + at;
  if (column > length) return 0;
  auto capital = [](unsigned char c) { return c >= 'A' && c <= 'Z'; };
  if (length > 0 && text[0] == '#') {
    for (size_t i = 1; i < column; ++i) {
      if (!capital(text[i]) && text[i] != '_') return 0;
    }
    completion->kind = column > 0 ? SYLVO_COMPLETE_DIRECTIVE : SYLVO_COMPLETE_NOTHING;
    completion->start = 1;
    return 0;
  }
  size_t open = column;
  while (open > 0 && text[open - 1] != '(') --open;
  if (open == 0) return 0;
  // After the '(': overrides, then the key's capitals so far.
  static const char kVowelLetters[] = "AIUEO";
  size_t start = open;
  for (size_t i = open; i < column;) {
    const char* vowel = text[i] == '@' && i + 1 < column && text[i + 1] != '\0'
                            ? std::strchr(kVowelLetters, text[i + 1])
                            : nullptr;
    if (vowel && i + 2 < column && text[i + 2] >= '0' && text[i + 2] <= '9') {
      completion->voices[vowel - kVowelLetters] = static_cast<unsigned char>(text[i + 2] - '0');
      start = i += 3;
    } else if (capital(text[i])) {
      ++i;
    } else {
      return 0;  // not in a key, or an override still being typed
    }
  }
  completion->kind = SYLVO_COMPLETE_KEY;
  completion->start = start;
  return 0;
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
