#include "listeners/lyrics.h"

#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>

#include "core/entry.h"
#include "core/notation.h"
#include "core/run.h"
#include "core/syllable.h"
#include "core/utf8.h"
#include "core/words.h"
#include "listeners/scan.h"
#include "sylvo.h"

namespace {

struct Kana {
  const char* kana;
  const char* key;
};

// The kana chart, row by row, in hiragana: katakana are read as the hiragana
// 0x60 code points before them. The small kana alone are their own sound.
constexpr Kana kChart[] = {
    {"あ", "A"},  {"い", "I"},  {"う", "U"},   {"え", "E"},   {"お", "O"},   {"か", "KA"},
    {"き", "KI"}, {"く", "KU"}, {"け", "KE"},  {"こ", "KO"},  {"が", "GA"},  {"ぎ", "GI"},
    {"ぐ", "GU"}, {"げ", "GE"}, {"ご", "GO"},  {"さ", "SA"},  {"し", "SHI"}, {"す", "SU"},
    {"せ", "SE"}, {"そ", "SO"}, {"ざ", "ZA"},  {"じ", "JI"},  {"ず", "ZU"},  {"ぜ", "ZE"},
    {"ぞ", "ZO"}, {"た", "TA"}, {"ち", "CHI"}, {"つ", "TSU"}, {"て", "TE"},  {"と", "TO"},
    {"だ", "DA"}, {"ぢ", "DI"}, {"づ", "DU"},  {"で", "DE"},  {"ど", "DO"},  {"な", "NA"},
    {"に", "NI"}, {"ぬ", "NU"}, {"ね", "NE"},  {"の", "NO"},  {"は", "HA"},  {"ひ", "HI"},
    {"ふ", "FU"}, {"へ", "HE"}, {"ほ", "HO"},  {"ば", "BA"},  {"び", "BI"},  {"ぶ", "BU"},
    {"べ", "BE"}, {"ぼ", "BO"}, {"ぱ", "PA"},  {"ぴ", "PI"},  {"ぷ", "PU"},  {"ぺ", "PE"},
    {"ぽ", "PO"}, {"ま", "MA"}, {"み", "MI"},  {"む", "MU"},  {"め", "ME"},  {"も", "MO"},
    {"や", "YA"}, {"ゆ", "YU"}, {"よ", "YO"},  {"ら", "RA"},  {"り", "RI"},  {"る", "RU"},
    {"れ", "RE"}, {"ろ", "RO"}, {"わ", "WA"},  {"ゐ", "WYI"}, {"ゑ", "WYE"}, {"を", "WO"},
    {"ん", "N"},  {"ゔ", "VU"}, {"っ", "XTU"}, {"ぁ", "A"},   {"ぃ", "I"},   {"ぅ", "U"},
    {"ぇ", "E"},  {"ぉ", "O"},  {"ゃ", "YA"},  {"ゅ", "YU"},  {"ょ", "YO"},  {"ゎ", "WA"},
    {"ゕ", "KA"}, {"ゖ", "KE"},
};

// A kana and the small one after it, sung as one mora.
constexpr Kana kJoined[] = {
    {"きゃ", "KYA"}, {"きゅ", "KYU"}, {"きぇ", "KYE"}, {"きょ", "KYO"}, {"ぎゃ", "GYA"},
    {"ぎゅ", "GYU"}, {"ぎょ", "GYO"}, {"しゃ", "SHA"}, {"しゅ", "SHU"}, {"しぇ", "SHE"},
    {"しょ", "SHO"}, {"じゃ", "JA"},  {"じゅ", "JU"},  {"じぇ", "JE"},  {"じょ", "JO"},
    {"ちゃ", "CHA"}, {"ちゅ", "CHU"}, {"ちぇ", "CHE"}, {"ちょ", "CHO"}, {"にゃ", "NYA"},
    {"にゅ", "NYU"}, {"にぇ", "NYE"}, {"にょ", "NYO"}, {"ひゃ", "HYA"}, {"ひゅ", "HYU"},
    {"ひぇ", "HYE"}, {"ひょ", "HYO"}, {"びゃ", "BYA"}, {"びゅ", "BYU"}, {"びょ", "BYO"},
    {"ぴゃ", "PYA"}, {"ぴゅ", "PYU"}, {"ぴょ", "PYO"}, {"みゃ", "MYA"}, {"みゅ", "MYU"},
    {"みょ", "MYO"}, {"りゃ", "RYA"}, {"りゅ", "RYU"}, {"りょ", "RYO"}, {"ふぁ", "FA"},
    {"ふぃ", "FI"},  {"ふぇ", "FE"},  {"ふぉ", "FO"},  {"ふゅ", "FYU"}, {"ふょ", "FYO"},
    {"ゔぁ", "VA"},  {"ゔぃ", "VI"},  {"ゔぇ", "VE"},  {"ゔぉ", "VO"},  {"ゔゅ", "VYU"},
    {"ゔょ", "VYO"}, {"うぃ", "WI"},  {"うぇ", "WE"},  {"うぉ", "WO"},  {"いぇ", "YE"},
    {"くぁ", "KWA"}, {"くぃ", "KUI"}, {"くぇ", "KUE"}, {"くぉ", "KUO"}, {"ぐぁ", "GWA"},
    {"ぐぃ", "GWI"}, {"ぐぇ", "GWE"}, {"ぐぉ", "GWO"}, {"つぁ", "TSA"}, {"つぃ", "TSI"},
    {"つぇ", "TSE"}, {"つぉ", "TSO"}, {"てぃ", "THI"}, {"てゅ", "THU"}, {"でぃ", "DHI"},
    {"でゅ", "DHU"}, {"とぅ", "TWU"}, {"どぅ", "DWU"}, {"すぃ", "SI"},  {"ずぃ", "ZI"},
};

constexpr unsigned kHiragana = 0x3041, kHiraganaEnd = 0x3097;  // ぁ to ゖ
constexpr unsigned kToHiragana = 0x60;                         // katakana ァ is 0x30A1
constexpr unsigned kLongVowel = 0x30FC;                        // ー

// Marks that lengthen the mora before them as ー does: the wave dashes 〜
// and ～ that lyrics write for a held note, and the half-width ｰ.
bool lengthens(unsigned c) { return c == kLongVowel || c == 0x301C || c == 0xFF5E; }

// Half-width katakana, ｦ (U+FF66) to ﾝ (U+FF9D), as the full-width ones.
constexpr unsigned short kHalfWidth[] = {
    0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9, 0x30E3, 0x30E5, 0x30E7, 0x30C3,  // ｦｧｨｩｪｫｬｭｮｯ
    0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB, 0x30AD, 0x30AF, 0x30B1,  // ｰｱｲｳｴｵｶｷｸｹ
    0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1, 0x30C4, 0x30C6,  // ｺｻｼｽｾｿﾀﾁﾂﾃ
    0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5, 0x30D8,  // ﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍ
    0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9,  // ﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗ
    0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3,  // ﾘﾙﾚﾛﾜﾝ
};
constexpr unsigned kHalfWidthFirst = 0xFF66, kVoiced = 0xFF9E, kSemiVoiced = 0xFF9F;  // ｦ ﾞ ﾟ

// The character at p, a half-width kana as the full-width one with the
// voicing mark after it taken in (ｶﾞ as ガ, ﾊﾟ as パ).
Utf8Char kana_at(const unsigned char* p, const unsigned char* end) {
  Utf8Char c = decode_utf8(p, end);
  if (c.code < kHalfWidthFirst ||
      c.code >= kHalfWidthFirst + sizeof kHalfWidth / sizeof kHalfWidth[0])
    return c;
  c.code = kHalfWidth[c.code - kHalfWidthFirst];
  Utf8Char mark = c.size < static_cast<size_t>(end - p) ? decode_utf8(p + c.size, end) : Utf8Char{};
  bool ka_to = c.code >= 0x30AB && c.code <= 0x30C8 && c.code != 0x30C3;  // カ to ト, but ッ
  bool ha_ho = c.code >= 0x30CF && c.code <= 0x30DB && (c.code - 0x30CF) % 3 == 0;
  if (mark.code == kVoiced && (ka_to || ha_ho || c.code == 0x30A6)) {
    c.code = c.code == 0x30A6 ? 0x30F4 : c.code + 1;  // ｳﾞ is ヴ
    c.size += mark.size;
  } else if (mark.code == kSemiVoiced && ha_ho) {
    c.code += 2;
    c.size += mark.size;
  }
  return c;
}

// A romaji vowel with a macron or a circumflex (ō, Ô), a long one: its
// vowel, or 0.
char long_vowel(unsigned c) {
  switch (c | 1) {  // each capital stands just before its small letter
    case 0x0101: return 'a';
    case 0x0113: return 'e';
    case 0x012B: return 'i';
    case 0x014D: return 'o';
    case 0x016B: return 'u';
    default: break;
  }
  switch (c | 0x20) {
    case 0xE2: return 'a';
    case 0xEA: return 'e';
    case 0xEE: return 'i';
    case 0xF4: return 'o';
    case 0xFB: return 'u';
    default: return 0;
  }
}

// The code point of a kana of the chart, from its UTF-8.
constexpr unsigned code_of(const char* kana, size_t skip = 0) {
  size_t n = 0;
  while (kana[n]) ++n;
  Utf8Char c = decode_utf8(kana, kana + n);
  return skip ? decode_utf8(kana + c.size, kana + n).code : c.code;
}

// Each hiragana's key, by its code point from ぁ.
struct ChartIndex {
  const char* key[kHiraganaEnd - kHiragana];
};

constexpr ChartIndex build_index() {
  ChartIndex t{};
  for (const Kana& k : kChart) t.key[code_of(k.kana) - kHiragana] = k.key;
  return t;
}

constexpr ChartIndex kIndex = build_index();

// Katakana with no hiragana of their own.
constexpr Kana kKatakanaOnly[] = {{"ヷ", "VA"}, {"ヸ", "VI"}, {"ヹ", "VE"}, {"ヺ", "VO"}};

// Every key the charts name is a key of the syllable table, and every entry
// is one hiragana, or two for a joined mora.
constexpr bool charts_are_sound() {
  for (const Kana& k : kChart) {
    unsigned c = code_of(k.kana);
    if (!is_syllable_key(k.key) || c < kHiragana || c >= kHiraganaEnd) return false;
  }
  for (const Kana& k : kKatakanaOnly) {
    if (!is_syllable_key(k.key)) return false;
  }
  for (const Kana& k : kJoined) {
    unsigned c = code_of(k.kana), small = code_of(k.kana, 1);
    if (!is_syllable_key(k.key) || c < kHiragana || c >= kHiraganaEnd) return false;
    if (small < kHiragana || small >= kHiraganaEnd) return false;
  }
  return true;
}
static_assert(charts_are_sound(), "a kana chart names a key the syllable table lacks");

// The table's own copy of `key` (upper case), or null if it has none.
const char* table_key(const char* key, size_t size) {
  if (size == 0 || size > 3) return nullptr;
  unsigned code = 0;
  for (size_t i = 0; i < size; ++i) {
    if (key[i] < 'A' || key[i] > 'Z') return nullptr;
    code = code * 27 + static_cast<unsigned>(key[i] - 'A' + 1);
  }
  const SyllableRow* row = syllable_by_code(code);
  return row ? row->key : nullptr;
}

const char* table_key(const char* key) { return table_key(key, std::strlen(key)); }

// A kana as hiragana (katakana moved onto them), or 0 if it is none.
unsigned hiragana(unsigned c) {
  if (c >= kHiragana + kToHiragana && c < kHiraganaEnd + kToHiragana) c -= kToHiragana;
  return c >= kHiragana && c < kHiraganaEnd ? c : 0;
}

// Blanks, punctuation and brackets: between words, sung by no note.
bool separates(unsigned c) {
  if (c < 0x80)
    return c <= ' ' ||
           (c < 0x7F && !((c | 0x20) >= 'a' && (c | 0x20) <= 'z') && !(c >= '0' && c <= '9'));
  switch (c) {
    case 0x3000:  // ideographic space
    case 0x3001:
    case 0x3002:
    case 0xFF0C:
    case 0xFF0E:  // 、。，．
    case 0xFF01:
    case 0xFF1F:
    case 0x30FB:
    case 0x2026:  // ！？・…
    case 0x300C:
    case 0x300D:
    case 0x300E:
    case 0x300F:  // 「」『』
    case 0xFF08:
    case 0xFF09:
    case 0x3010:
    case 0x3011:  // （）【】
    case 0x3008:
    case 0x3009:
    case 0x300A:
    case 0x300B:  // 〈〉《》
    case 0x00A0:  // no-break space
      return true;
    default: return false;
  }
}

bool is_vowel(char c) { return c == 'a' || c == 'i' || c == 'u' || c == 'e' || c == 'o'; }

char lower(unsigned char c) {
  return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
}

// The vowel a mora ends on, as a key of its own, or null (N).
const char* vowel_of(const char* key) {
  char last = key[std::strlen(key) - 1];
  return vowel_index(last) >= 0 ? table_key(&last, 1) : nullptr;
}

}  // namespace

LyricPiece LyricReader::read() {
  if (long_.key) {  // the second mora of a romaji long vowel
    LyricPiece piece = long_;
    long_ = {};
    return piece;
  }
  while (at_ < size_) {
    const unsigned char* p = text_ + at_;
    const unsigned char* end = text_ + size_;
    const size_t at = at_;
    Utf8Char c = kana_at(p, end);
    auto piece = [&](const char* key, const char* why, size_t size) {
      at_ = at + size;
      before_ = key;
      return LyricPiece{key, why, at, size};
    };
    if (c.size == 0) return piece(nullptr, N_("not UTF-8 text"), 1);
    if (separates(c.code)) {
      at_ += c.size;
      before_ = nullptr;
      continue;
    }
    if (lengthens(c.code)) {
      const char* vowel = before_ ? vowel_of(before_) : nullptr;
      if (!vowel) return piece(nullptr, N_("nothing before it to lengthen"), c.size);
      return piece(vowel, nullptr, c.size);
    }
    if (unsigned kana = hiragana(c.code)) {
      const char* key = kIndex.key[kana - kHiragana];
      if (!key) return piece(nullptr, N_("write it in kana"), c.size);
      Utf8Char next = c.size < static_cast<size_t>(end - p) ? kana_at(p + c.size, end) : Utf8Char{};
      unsigned small = hiragana(next.code);
      for (const Kana& k : kJoined) {
        if (small && code_of(k.kana) == kana && code_of(k.kana, 1) == small) {
          return piece(table_key(k.key), nullptr, c.size + next.size);
        }
      }
      return piece(table_key(key), nullptr, c.size);
    }
    for (const Kana& k : kKatakanaOnly) {
      if (c.code == code_of(k.kana)) return piece(table_key(k.key), nullptr, c.size);
    }
    if ((c.code >= 0x80 && !long_vowel(c.code)) || (c.code >= '0' && c.code <= '9')) {
      return piece(nullptr, N_("write it in kana"), c.size);
    }
    // Romaji, any case: the longest key that matches, as an input method
    // reads "n", "n'", "nn" and a doubled consonant. A vowel with a macron
    // (ō) is sung twice.
    char l[3] = {};
    size_t ends[3] = {};  // where each letter's bytes end
    bool held[3] = {};
    for (size_t i = 0, to = at; i < 3 && to < size_; ++i) {
      Utf8Char letter = decode_utf8(text_ + to, end);
      held[i] = letter.size > 1 && long_vowel(letter.code);
      if (letter.size != 1 && !held[i]) break;
      l[i] = held[i] ? long_vowel(letter.code) : lower(text_[to]);
      ends[i] = to += letter.size;
      if (held[i]) break;  // a long vowel ends the mora
    }
    if (l[0] == 'n' && l[1] == '\'') return piece(table_key("N"), nullptr, 2);
    if (l[0] == 'n' && l[1] == 'n') {
      return piece(table_key("N"), nullptr, is_vowel(l[2]) || l[2] == 'y' ? 1 : 2);
    }
    if (!is_vowel(l[0]) && l[0] != 'n' &&
        (l[1] == l[0] || (l[0] == 't' && l[1] == 'c' && l[2] == 'h'))) {
      return piece(table_key("XTU"), nullptr, 1);
    }
    for (size_t n = 3; n > 0; --n) {
      char key[3];
      size_t i = 0;
      while (i < n && l[i] >= 'a' && l[i] <= 'z') key[i] = static_cast<char>(l[i] - 'a' + 'A'), ++i;
      if (i < n) continue;
      const char* found = table_key(key, n);
      if (!found) continue;
      if (held[n - 1]) {
        size_t vowel_at = n > 1 ? ends[n - 2] : at;
        long_ = {vowel_of(found), nullptr, vowel_at, ends[n - 1] - vowel_at};
      }
      return piece(found, nullptr, ends[n - 1] - at);
    }
    return piece(nullptr, N_("no syllable is spelt so"), 1);
  }
  return {nullptr, nullptr, size_, 0};
}

LyricPiece LyricReader::next() {
  LyricPiece piece = holding_ ? held_ : read();
  holding_ = false;
  while (piece.why) {  // join the problems of one reason that follow at once
    held_ = read();
    if (held_.why != piece.why || held_.at != piece.at + piece.size) {
      holding_ = true;
      break;
    }
    piece.size += held_.size;
  }
  return piece;
}

const char* sylvo_syllable_kana(const char* key) {
  if (!key) return "";
  for (const Kana* table : {kChart, kJoined, kKatakanaOnly}) {
    size_t n = table == kChart    ? sizeof kChart / sizeof kChart[0]
               : table == kJoined ? sizeof kJoined / sizeof kJoined[0]
                                  : sizeof kKatakanaOnly / sizeof kKatakanaOnly[0];
    for (size_t i = 0; i < n; ++i) {
      if (std::strcmp(table[i].key, key) == 0) return table[i].kana;
    }
  }
  return "";
}

size_t sylvo_lyric_keys(const char* utf8, size_t size, sylvo_lyric* keys, size_t max_keys,
                        sylvo_lyric_problem* problems, size_t max_problems, size_t* problem_count) {
  if (!utf8) size = 0;
  if (!keys) max_keys = 0;
  if (!problems) max_problems = 0;
  LyricReader reader(reinterpret_cast<const unsigned char*>(utf8), size);
  size_t key_count = 0, problem_total = 0;
  for (LyricPiece p = reader.next(); p.key || p.why; p = reader.next()) {
    if (p.key && key_count < max_keys) keys[key_count] = {p.key, p.at, p.size};
    if (p.why && problem_total < max_problems) problems[problem_total] = {p.at, p.size, p.why};
    ++(p.key ? key_count : problem_total);
  }
  if (problem_count) *problem_count = problem_total;
  return key_count;
}

namespace {

bool is_note(unsigned char c) { return c >= 'a' && c <= 'g'; }

// Lyrics put on the notes of MML, as a listener of the reader of the
// notation (notation.h), which reads the whole text as it reads a song after
// its header: the MML is written as it is, through `write`, but for the
// keys put in or replaced; unchanged bytes are handed over as pointers into
// the MML. A note is sung: what is inside a block comment is not, so it
// takes no lyric, though the conversion expands a syllable there.
class Fitter {
 public:
  static constexpr bool kNotes = true;
  static constexpr bool kWide = false;

  Fitter(const unsigned char* mml, const ::Reader& in, LyricReader& lyrics, sylvo_write_fn write,
         void* context, sylvo_fit_result& result)
      : mml_(mml), in_(in), lyrics_(lyrics), write_(write), context_(context), r_(result) {}

  void begin_window(const unsigned char*) {}
  void end_window(const unsigned char*) {}
  void line(const unsigned char*, const unsigned char*) {}
  void directive(const notation::DirectiveLine&) {}
  void comment(const unsigned char*, const unsigned char*) {}
  void fault(const notation::Fault&) {}  // the notes around it are fitted all the same
  void block(const unsigned char*, bool opens) { in_comment_ = opens; }
  void length_command(const notation::LengthCommand&) { tied_ = false; }
  const unsigned char* wide(const unsigned char* at) { return at + 1; }

  // A letter outside all else is a note, a rest or a command; '&' ties the
  // next note to the one before.
  void note(const unsigned char* at) {
    if (in_comment_ || at == loose_) return;  // a loose note's letter is taken with its ')'

    if (*at == '&') {
      tied_ = true;
      return;
    }
    if (is_note(*at) && !tied_) {
      if (const char* key = take()) {
        put_through(at);
        put("(", 1);
        put(key, std::strlen(key));
        put(")", 1);
      }
    }
    tied_ = false;
  }

  // ")c" becomes "(KEY)c".
  void loose_note(const unsigned char* paren) {
    if (in_comment_ || !is_note(paren[1])) return;
    loose_ = paren + 1;
    if (tied_) {
      tied_ = false;
      return;
    }
    if (const char* key = take()) {
      put_through(paren);
      put("(", 1);
      put(key, std::strlen(key));  // before the ')', which stays
    }
  }

  // A syllable's key letters are replaced by the next key, its overrides kept.
  void syllable(const notation::Syllable& s) {
    if (s.in_comment || !is_note(*s.note)) return;
    const char* key = tied_ ? nullptr : take();
    tied_ = false;
    if (!key) return;
    bool put_key = false;
    for (const unsigned char* k = s.key; k < s.close;) {
      if (*k == '@') {
        k += 3;
        continue;
      }
      put_through(k);
      if (!put_key) put(key, std::strlen(key));
      put_key = true;
      while (k < s.close && *k >= 'A' && *k <= 'Z') ++k;
      copied_ = offset(k);
    }
    if (!put_key) {
      put_through(s.close);
      put(key, std::strlen(key));
    }
  }

  /// Writes what is left of the MML, and counts the lyrics no note took.
  void finish(size_t mml_size) {
    if (mml_size != copied_) put(mml_ + copied_, mml_size - copied_);
    for (LyricPiece p = lyrics_.next(); p.key || p.why; p = lyrics_.next()) count(p);
  }

 private:
  size_t offset(const unsigned char* p) const { return static_cast<size_t>(in_.offset(p)); }

  // The next key, or null once the lyrics are sung; counts the note.
  const char* take() {
    for (LyricPiece p = lyrics_.next(); p.key || p.why; p = lyrics_.next()) {
      if (p.why) {
        count(p);
        continue;
      }
      ++r_.notes;
      return p.key;
    }
    ++r_.notes_left;
    return nullptr;
  }

  void count(const LyricPiece& p) {
    if (p.key) {
      ++r_.syllables_left;
    } else {
      if (r_.problem_count < SYLVO_PROBLEMS_MAX)
        r_.problems[r_.problem_count] = {p.at, p.size, p.why};
      ++r_.problem_count;
    }
  }

  // Writes the MML up to the byte at `to` (in the reader's window) as it is.
  void put_through(const unsigned char* to) {
    size_t at = offset(to);
    if (at != copied_) put(mml_ + copied_, at - copied_);
    copied_ = at;
  }

  void put(const void* bytes, size_t size) {
    if (r_.status == 0 && !write_(context_, static_cast<const unsigned char*>(bytes), size)) {
      r_.status = 1;
    }
  }

  const unsigned char* mml_;
  const ::Reader& in_;
  LyricReader& lyrics_;
  sylvo_write_fn write_;
  void* context_;
  sylvo_fit_result& r_;
  size_t copied_ = 0;  // the MML before this is written
  bool tied_ = false;
  bool in_comment_ = false;
  const unsigned char* loose_ = nullptr;  // the letter of the last loose note
};

}  // namespace

int sylvo_fit_lyrics(const void* mml, size_t mml_size, const char* lyrics, size_t lyrics_size,
                     sylvo_write_fn write, void* write_context, sylvo_fit_result* result) {
  if (!result) return 1;
  *result = sylvo_fit_result{};
  if (!write || (!mml && mml_size != 0) || (!lyrics && lyrics_size != 0)) return result->status = 1;
  std::unique_ptr<Run> run(new (std::nothrow) Run);
  if (!run) return result->status = 1;
  const unsigned char* bytes = static_cast<const unsigned char*>(mml);
  Memory memory{bytes, mml ? mml_size : 0};
  open_reading(*run, memory);
  start_scan(*run);
  LyricReader lyric_reader(reinterpret_cast<const unsigned char*>(lyrics),
                           lyrics ? lyrics_size : 0);
  Fitter fitter(bytes, run->in, lyric_reader, write, write_context, *result);
  notation::Reader<Fitter&>(*run, fitter).read();
  fitter.finish(mml ? mml_size : 0);
  return result->status;
}
